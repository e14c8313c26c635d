/* sample_source.c: the least a status source does, in C.
 *   DadaViziSample CODE [TEXT]
 * writes TEXT as the detail "Text" and CODE as "Code" to the status data
 * key, then tells the monitor and asks for the status's help. Exit codes:
 * 0 done, 1 usage, 2 no settings, 3 no monitor (the data was written),
 * 4 writing failed, 5 the monitor did not answer. */
#include <stdlib.h>
#include <windows.h>

#include "dadavizi_status.h"

static int WriteStatus(LONG code, const char *text)
{
    HKEY key;
    char monitor[DADAVIZI_DETAIL_MAX + 1], path[sizeof monitor + 16], number[16];
    DWORD size = sizeof monitor - 1;
    LONG result;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, DADAVIZI_SETTINGS_KEY, 0,
                      KEY_QUERY_VALUE | DADAVIZI_KEY_VIEW, &key) != ERROR_SUCCESS)
        return 2;
    result = RegQueryValueExA(key, DADAVIZI_MONITOR_VALUE, NULL, NULL, (BYTE *)monitor, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || size == 0)
        return 2;
    monitor[size] = '\0'; /* stored text may lack its terminator */
    wsprintfA(path, "%s\\%s", monitor, DADAVIZI_STATUS_SUBKEY);
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_SET_VALUE | DADAVIZI_KEY_VIEW,
                        NULL, &key, NULL) != ERROR_SUCCESS)
        return 4;
    /* The details first, the code last. */
    result = RegSetValueExA(key, "Text", 0, REG_SZ, (const BYTE *)text, lstrlenA(text) + 1);
    wsprintfA(number, "%ld", (long)code);
    if (result == ERROR_SUCCESS)
        result = RegSetValueExA(key, DADAVIZI_CODE_VALUE, 0, REG_SZ, (const BYTE *)number,
                                lstrlenA(number) + 1);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? 0 : 4;
}

int main(int argc, char **argv)
{
    HWND monitor;
    DWORD_PTR answer;
    LONG code;
    int result;
    char text[DADAVIZI_DETAIL_MAX + 1] = "";
    if (argc < 2 || argc > 3)
        return 1;
    code = strtol(argv[1], NULL, 10);
    if (argc == 3)
        lstrcpynA(text, argv[2], sizeof text);
    result = WriteStatus(code, text);
    if (result != 0)
        return result;
    monitor = FindWindowA(DADAVIZI_WINDOW_NAME, DADAVIZI_WINDOW_NAME);
    if (!monitor)
        return 3; /* it reads the stored status when it starts */
    /* Handled with its help in a few seconds; a hung monitor is left at once. */
    if (!SendMessageTimeoutA(monitor, DADAVIZI_WM_BIDISTATUS, 1, (LPARAM)code, SMTO_ABORTIFHUNG,
                             30000, &answer))
        return 5;
    return 0;
}
