// Settings, stored status and profile reads.
#include "registry/settings.h"

#include "app/shared.h"
#include "app/text.h"
#include "registry/reg_key_reader.h"

char g_settingValue[256] = "";
char g_statusDataPath[256] = "";

const char *ReadMonitorSetting(const char *name)
{
    // Every failure leaves the text empty: an earlier, unrelated setting
    // must not stand in for a missing one.
    g_settingValue[0] = '\0';

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SETTINGS_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return g_settingValue;

    // The text is ended here, since it may have been stored without its
    // terminator; 256 bytes fit only when the last of them is the terminator.
    DWORD size = sizeof g_settingValue;
    LONG result =
        RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE *>(g_settingValue), &size);
    if (result == ERROR_SUCCESS && size < sizeof g_settingValue)
        g_settingValue[size] = '\0';
    else if (result != ERROR_SUCCESS || g_settingValue[sizeof g_settingValue - 1] != '\0')
        g_settingValue[0] = '\0';
    RegCloseKey(key);
    return g_settingValue;
}

const char *StatusDataKeyPath()
{
    if (!FormatBounded(g_statusDataPath, sizeof g_statusDataPath, "%s\\BidiData",
                       ReadMonitorSetting("Monitor")))
        return NULL;
    return g_statusDataPath;
}

void RefreshFromStoredStatus(HWND window)
{
    RegKeyReader status(HKEY_LOCAL_MACHINE, StatusDataKeyPath());
    const char *code = status.ReadValue("Code");
    if (code)
        SendMessageA(window, WM_BIDISTATUS, 1, static_cast<LPARAM>(ParseDecimal(code)));
}

int ReadProfileInt(const char *section, const char *key, int fallback)
{
    // An empty path means the system directory was too long for it.
    if (!g_profilePath[0])
        return fallback;
    return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, g_profilePath));
}
