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
    // Help windows of HTML Help live on this thread: they go with the program.
    CloseHtmlHelp();
    return 0;
}
