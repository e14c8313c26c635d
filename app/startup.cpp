// Start-up: the single-instance guard, the shared paths, the hidden window
// and the message loop.
#include "monitor.h"

#include "text.h"

HINSTANCE g_hInstance = NULL;
char g_systemDir[MAX_PATH] = "";
char g_profilePath[MAX_PATH] = "";

void InitMonitorPaths(const char *text, UINT length)
{
    // 0 is a failed read; a length that does not fit the buffer is the size
    // GetSystemDirectoryA wanted, and then it wrote nothing.
    if (length == 0 || length >= sizeof g_systemDir)
        g_systemDir[0] = '\0';
    else
        lstrcpynA(g_systemDir, text, (int)length + 1);

    // A root directory comes back as "C:\"; keep only the drive so that
    // appending "\name" still gives a valid path.
    if (length == 3)
        g_systemDir[2] = '\0';

    // A system directory too long for the path leaves it empty, and profile
    // reads then fall back to their defaults.
    FormatBounded(g_profilePath, sizeof g_profilePath, "%s\\%s", g_systemDir, "DODOZOD.INI");
}

HWND CreateMonitorWindow(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = StatusWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = MONITOR_WINDOW_NAME;
    RegisterClassA(&windowClass);

    return CreateWindowExA(0, MONITOR_WINDOW_NAME, MONITOR_WINDOW_NAME, 0, 0, 0, 0, 0,
                           NULL, NULL, instance, NULL);
}

int RunMonitor(HINSTANCE instance)
{
    if (FindWindowA(MONITOR_WINDOW_NAME, MONITOR_WINDOW_NAME))
        return 0;

    g_hInstance = instance;
    char directory[MAX_PATH] = "";
    InitMonitorPaths(directory, GetSystemDirectoryA(directory, sizeof directory));
    CreateMonitorWindow(instance);

    // GetMessageA returns -1 only for bad arguments, which these are not;
    // WM_QUIT, posted when the window is destroyed, ends the loop.
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
