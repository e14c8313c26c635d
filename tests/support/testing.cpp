// Test helpers: message pumping and registry set-up.
#include "testing.h"

void PumpMessages(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

bool IconIsLive(HICON icon)
{
    ICONINFO info;
    if (!icon || !GetIconInfo(icon, &info))
        return false;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

std::string IconPixels(HICON icon)
{
    ICONINFO info;
    if (!icon || !GetIconInfo(icon, &info))
        return std::string();
    std::string pixels;
    BITMAP bitmap;
    HBITMAP source = info.hbmColor ? info.hbmColor : info.hbmMask;
    if (GetObjectA(source, sizeof bitmap, &bitmap)) {
        BITMAPINFO format = {};
        format.bmiHeader.biSize = sizeof format.bmiHeader;
        format.bmiHeader.biWidth = bitmap.bmWidth;
        format.bmiHeader.biHeight = bitmap.bmHeight;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        pixels.assign(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight * 4, '\0');
        HDC dc = GetDC(NULL);
        if (!GetDIBits(dc, source, 0, bitmap.bmHeight, &pixels[0], &format, DIB_RGB_COLORS))
            pixels.clear();
        ReleaseDC(NULL, dc);
    }
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return pixels;
}

std::string ResourceIconPixels(int id)
{
    HICON icon = (HICON)LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id), IMAGE_ICON,
                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                   LR_DEFAULTCOLOR);
    std::string pixels = IconPixels(icon);
    if (icon)
        DestroyIcon(icon);
    return pixels;
}

bool DeleteKeyTree(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return false;
    char child[256];
    for (;;) {
        DWORD length = sizeof child;
        if (RegEnumKeyExA(key, 0, child, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (!DeleteKeyTree(key, child))
            break;
    }
    RegCloseKey(key);
    return RegDeleteKeyA(root, path) == ERROR_SUCCESS;
}

void SetRegBytes(const char *path, const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
}

void SetRegString(const char *path, const char *name, const std::string &value)
{
    SetRegBytes(path, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void SetRegDword(const char *path, const char *name, DWORD value)
{
    SetRegBytes(path, name, REG_DWORD, &value, sizeof value);
}

bool KeyExists(const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool SetKeyWritable(const char *path, bool writable)
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = NULL;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return false;
    BYTE aclBuffer[256];
    ACL *acl = reinterpret_cast<ACL *>(aclBuffer);
    SECURITY_DESCRIPTOR descriptor;
    REGSAM access = writable ? KEY_ALL_ACCESS : KEY_READ | WRITE_DAC | DELETE;
    bool done = InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) &&
                AddAccessAllowedAce(acl, ACL_REVISION, access, everyone) &&
                InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    FreeSid(everyone);
    HKEY key;
    if (!done || RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return false;
    done = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    RegCloseKey(key);
    return done;
}

bool GetRegValue(const char *path, const char *name, std::string *data, DWORD *type)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    DWORD valueType = 0;
    bool ok = RegQueryValueExA(key, name, NULL, &valueType, NULL, &size) == ERROR_SUCCESS;
    if (ok) {
        data->assign(size, '\0');
        ok = RegQueryValueExA(key, name, NULL, &valueType,
                              reinterpret_cast<BYTE *>(&(*data)[0]), &size) == ERROR_SUCCESS;
        data->resize(size);
    }
    RegCloseKey(key);
    if (type)
        *type = valueType;
    return ok;
}

void WriteTextFile(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, NULL);
    CloseHandle(file);
}

std::string ModuleDirectory()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string result(path, length);
    return result.substr(0, result.find_last_of('\\'));
}
