// Stand-ins for the shell's taskbar and notification state and for the
// accessibility calls. SHAppBarMessage is imported and so taken over at its
// import slot; the rest the program looks up with GetProcAddress, whose
// slot hands out stand-ins for those names and passes every other lookup
// on to the loader.
#include "fakes.h"

#include "import_slot.h"

#include <oleacc.h>

namespace fake {

bool taskbarGiven = false;
APPBARDATA taskbar = {};
int taskbarQueries = 0;
int notificationState = 5;
int notificationQueries = 0;
std::vector<WinEventCall> winEvents;
std::vector<AccPropCall> accProps;

namespace {

// The loader's own lookup, which the GetProcAddress slot cannot reach: found
// in ntdll's export table by hand, so that the tests link nothing more.
struct LoaderString {
    USHORT length;
    USHORT maximumLength;
    const char *buffer;
};
typedef LONG(WINAPI *LoaderLookup)(HMODULE, LoaderString *, ULONG, void **);

LoaderLookup FindLoaderLookup()
{
    const BYTE *base = reinterpret_cast<const BYTE *>(GetModuleHandleA("ntdll.dll"));
    if (!base)
        return NULL;
    const IMAGE_DOS_HEADER *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    const IMAGE_NT_HEADERS *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const IMAGE_EXPORT_DIRECTORY *exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + directory.VirtualAddress);
    const DWORD *names = reinterpret_cast<const DWORD *>(base + exports->AddressOfNames);
    const WORD *ordinals = reinterpret_cast<const WORD *>(base + exports->AddressOfNameOrdinals);
    const DWORD *functions = reinterpret_cast<const DWORD *>(base + exports->AddressOfFunctions);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        if (!lstrcmpA(reinterpret_cast<const char *>(base + names[i]), "LdrGetProcedureAddress"))
            return reinterpret_cast<LoaderLookup>(
                reinterpret_cast<void (*)()>(const_cast<BYTE *>(base + functions[ordinals[i]])));
    return NULL;
}

FARPROC RealGetProcAddress(HMODULE module, const char *name)
{
    static LoaderLookup LdrGetProcedureAddress = FindLoaderLookup();
    if (!LdrGetProcedureAddress)
        return NULL;
    void *address = NULL;
    LONG status;
    if (reinterpret_cast<ULONG_PTR>(name) >> 16) {
        LoaderString text = {static_cast<USHORT>(lstrlenA(name)),
                             static_cast<USHORT>(lstrlenA(name) + 1), name};
        status = LdrGetProcedureAddress(module, &text, 0, &address);
    } else {
        status = LdrGetProcedureAddress(module, NULL,
                                        static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(name)),
                                        &address);
    }
    return status >= 0 ? reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(address)) : NULL;
}

// Windows' own function: the test executable may import nothing else from
// `module`, which is then loaded here.
template <typename Function>
Function Real(const char *module, const char *name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(RealGetProcAddress(LoadLibraryA(module), name)));
}

const GUID ACC_PROP_SERVICES_CLASS = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};

// Records what the program annotates; the rest of the interface is unused.
class AccPropServices : public IAccPropServices {
public:
    HRESULT WINAPI QueryInterface(REFIID, void **object) override
    {
        *object = this;
        return S_OK;
    }
    ULONG WINAPI AddRef() override { return 2; }
    ULONG WINAPI Release() override { return 1; }
    HRESULT WINAPI SetPropValue(const BYTE *, DWORD, MSAAPROPID, VARIANT) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI SetPropServer(const BYTE *, DWORD, const MSAAPROPID *, int, IAccPropServer *,
                                 AnnoScope) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ClearProps(const BYTE *, DWORD, const MSAAPROPID *, int) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI SetHwndProp(HWND window, DWORD object, DWORD child, MSAAPROPID property,
                               VARIANT value) override
    {
        accProps.push_back(AccPropCall{window, object, child, property, value, false});
        return S_OK;
    }
    HRESULT WINAPI SetHwndPropStr(HWND, DWORD, DWORD, MSAAPROPID, LPCWSTR) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID *, int,
                                     IAccPropServer *, AnnoScope) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ClearHwndProps(HWND window, DWORD object, DWORD child,
                                  const MSAAPROPID *properties, int count) override
    {
        VARIANT empty;
        ZeroMemory(&empty, sizeof empty);
        for (int i = 0; i < count; ++i)
            accProps.push_back(AccPropCall{window, object, child, properties[i], empty, true});
        return S_OK;
    }
    HRESULT WINAPI ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE **, DWORD *) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI DecomposeHwndIdentityString(const BYTE *, DWORD, HWND *, DWORD *,
                                               DWORD *) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID *, int, IAccPropServer *,
                                      AnnoScope) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ClearHmenuProps(HMENU, DWORD, const MSAAPROPID *, int) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ComposeHmenuIdentityString(HMENU, DWORD, BYTE **, DWORD *) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI DecomposeHmenuIdentityString(const BYTE *, DWORD, HMENU *, DWORD *) override
    {
        return E_NOTIMPL;
    }
};
AccPropServices g_accPropServices;

typedef HRESULT(WINAPI *CoCreateInstanceFunction)(REFCLSID, IUnknown *, DWORD, REFIID, void **);
typedef void(WINAPI *NotifyWinEventFunction)(DWORD, HWND, LONG, LONG);
typedef UINT_PTR(WINAPI *AppBarFunction)(DWORD, APPBARDATA *);

HRESULT WINAPI CoCreateInstance(REFCLSID type, IUnknown *outer, DWORD context, REFIID asked,
                                void **object)
{
    if (IsEqualGUID(type, ACC_PROP_SERVICES_CLASS)) {
        *object = static_cast<IAccPropServices *>(&g_accPropServices);
        return S_OK;
    }
    return Real<CoCreateInstanceFunction>("ole32.dll", "CoCreateInstance")(type, outer, context,
                                                                           asked, object);
}

void WINAPI NotifyWinEvent(DWORD event, HWND window, LONG object, LONG child)
{
    winEvents.push_back(WinEventCall{event, window, object, child});
    Real<NotifyWinEventFunction>("user32.dll", "NotifyWinEvent")(event, window, object, child);
}

HRESULT WINAPI SHQueryUserNotificationState(int *state)
{
    ++notificationQueries;
    *state = notificationState;
    return S_OK;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name)
{
    if (reinterpret_cast<ULONG_PTR>(name) >> 16) {
        const struct {
            const char *name;
            void (*standIn)();
        } standIns[] = {
            {"CoCreateInstance", reinterpret_cast<void (*)()>(&CoCreateInstance)},
            {"NotifyWinEvent", reinterpret_cast<void (*)()>(&NotifyWinEvent)},
            {"SHQueryUserNotificationState",
             reinterpret_cast<void (*)()>(&SHQueryUserNotificationState)},
        };
        for (const auto &entry : standIns)
            if (!lstrcmpA(entry.name, name) && RealGetProcAddress(module, name))
                return reinterpret_cast<FARPROC>(entry.standIn);
    }
    return RealGetProcAddress(module, name);
}

UINT_PTR WINAPI SHAppBarMessage(DWORD message, APPBARDATA *data)
{
    if (message != ABM_GETTASKBARPOS || !taskbarGiven)
        return Real<AppBarFunction>("shell32.dll", "SHAppBarMessage")(message, data);
    ++taskbarQueries;
    DWORD size = data->cbSize;
    *data = taskbar;
    data->cbSize = size;
    return TRUE;
}

}  // namespace
}  // namespace fake

extern "C" {
void *getProcAddressSlot __asm__(IMPORT_SLOT(GetProcAddress, 8)) =
    reinterpret_cast<void *>(&fake::GetProcAddress);
void *appBarSlot __asm__(IMPORT_SLOT(SHAppBarMessage, 8)) =
    reinterpret_cast<void *>(&fake::SHAppBarMessage);
}
