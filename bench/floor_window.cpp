// The in-process floor window.
#include "bench/floor_window.h"

#include <shellapi.h>

#include "app/shared.h"
#include "installation.h"
#include "registry/settings.h"
#include "res/resource.h"
#include "tools/common/resident.h"

#include <string>

FloorWork g_floorWork = FloorWork::Nothing;

namespace {

const char FLOOR_WINDOW[] = "DadaViziBenchFloor";
std::string g_statusKey;
std::string g_entryName;


void FloorRecord(NOTIFYICONDATAA &record, HWND window, UINT flags)
{
    ZeroMemory(&record, sizeof record);
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = TRAY_ICON_ID;
    record.uFlags = flags;
}

void FloorTip(HWND window, LONG code)
{
    NOTIFYICONDATAA record;
    FloorRecord(record, window, NIF_TIP);
    wsprintfA(record.szTip, "Status %ld", (long)code);
    Shell_NotifyIconA(NIM_MODIFY, &record);
}

void FloorIcon(HWND window, LONG code)
{
    NOTIFYICONDATAA record;
    FloorRecord(record, window, NIF_ICON);
    record.hIcon = (HICON)LoadImageA(GetModuleHandleA(NULL),
                                     MAKEINTRESOURCEA(code == 40021 ? IDI_PRINTER_STROKE
                                                                    : IDI_PRINTER_CROSSED),
                                     IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                     GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR);
    Shell_NotifyIconA(NIM_MODIFY, &record);
    DestroyIcon(record.hIcon);
}

void FloorQuery(HKEY root, const char *path, const char *name, char *buffer, DWORD size)
{
    HKEY key;
    buffer[0] = '\0';
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    // Room for a terminator of our own: stored text need not hold one.
    DWORD read = size - 1;
    if (RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE *>(buffer), &read) ==
            ERROR_SUCCESS &&
        read < size)
        buffer[read] = '\0';
    else
        buffer[0] = '\0';
    RegCloseKey(key);
}

// The same reads, profile lookups, copy and help calls as the monitor's
// help sequence, each made once, with the help window key opened once for
// the whole copy.
void FloorHelp(HWND window, LONG code)
{
    // Sized for the longest inputs, so the formats below never overrun.
    char printer[256], driver[256], text[256], path[512], file[MAX_PATH + 16];
    FloorQuery(HKEY_LOCAL_MACHINE, SETTINGS_KEY, "Printer", printer, sizeof printer);
    wsprintfA(path, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\%.255s\\PrinterDriverData",
              printer);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD size = sizeof text;
        RegQueryValueExA(key, "DrvlibIntl", NULL, NULL, reinterpret_cast<BYTE *>(text), &size);
        size = sizeof text;
        RegQueryValueExA(key, g_entryName.c_str(), NULL, NULL, reinterpret_cast<BYTE *>(text),
                         &size);
        RegCloseKey(key);
    }
    wsprintfA(file, "%.259s\\DOZID%03d.HLP", g_systemDir, 49);
    WinHelpA(window, file, HELP_SETPOPUP_POS,
             MAKELONG(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    FloorQuery(HKEY_LOCAL_MACHINE, SETTINGS_KEY, "Driver", driver, sizeof driver);
    int popupTime = (int)GetPrivateProfileIntA(driver, "TimeCloseWindow", 3000, g_profilePath);
    char keyText[20];
    wsprintfA(keyText, "%ld", (long)code);
    UINT context = GetPrivateProfileIntA("HelpMap", keyText, 0, g_profilePath);

    HKEY status, help;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, g_statusKey.c_str(), 0, KEY_READ, &status) ==
        ERROR_SUCCESS) {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, HELP_WINDOW_KEY, 0, NULL, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE, NULL, &help, NULL) == ERROR_SUCCESS) {
            char name[256];
            BYTE data[257];
            for (DWORD index = 0;; ++index) {
                DWORD nameSize = sizeof name;
                DWORD dataSize = 256;
                if (RegEnumValueA(status, index, name, &nameSize, NULL, NULL, data, &dataSize) !=
                    ERROR_SUCCESS)
                    break;
                data[dataSize] = 0;
                RegSetValueExA(help, name, 0, REG_SZ, data,
                               (DWORD)lstrlenA(reinterpret_cast<char *>(data)) + 1);
            }
            RegCloseKey(help);
        }
        RegCloseKey(status);
    }
    WinHelpA(window, file, HELP_CONTEXTPOPUP, context);
    FindWindowA(HELP_POPUP_CLASS, "");
    SetTimer(window, POPUP_TIMER_ID, (UINT)popupTime, NULL);
}

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_BIDISTATUS)
        return DefWindowProcA(window, message, wParam, lParam);
    LONG code = (LONG)lParam;
    switch (g_floorWork) {
    case FloorWork::Nothing:
        break;
    case FloorWork::Tip:
        FloorTip(window, code);
        break;
    case FloorWork::IconAndTip:
        FloorIcon(window, code);
        FloorTip(window, code);
        break;
    case FloorWork::IconTipAndHelp:
        FloorIcon(window, code);
        FloorTip(window, code);
        FloorHelp(window, code);
        break;
    }
    return 0;
}

}  // namespace

HWND CreateFloorWindow(const Installation &installation)
{
    g_statusKey = installation.statusKey;
    g_entryName = "DrvlibIntl=Bench";
    HWND window = CreateNamedWindow(FLOOR_WINDOW, FloorProc);
    // The stand-in shell modifies only icons it has: add the floor's once.
    NOTIFYICONDATAA record;
    FloorRecord(record, window, NIF_MESSAGE | NIF_TIP);
    Shell_NotifyIconA(NIM_ADD, &record);
    return window;
}
