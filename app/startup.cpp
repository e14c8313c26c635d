// Start-up: the single-instance guard, the shared paths, the hidden window
// and the message loop.
#include "app/monitor.h"

#include "help/html_help.h"

HWND CreateMonitorWindow(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = StatusWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = MONITOR_WINDOW_NAME;
    RegisterClassA(&windowClass);

    return CreateWindowExA(0, MONITOR_WINDOW_NAME, MONITOR_WINDOW_NAME, 0, 0, 0, 0, 0, NULL, NULL,
                           instance, NULL);
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
    // HTML Help runs its windows on a thread of its own inside this process:
    // ask it to close them, or they would go only with the process.
    CloseHtmlHelp();
    return 0;
}
