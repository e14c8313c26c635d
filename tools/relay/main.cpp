// DadaViziRelay: one in each user session, started at logon. It tells the
// monitor of its session about the statuses that a status source in
// another session (a part of the print spooler, a service) writes to the
// status data key but cannot send: from Windows Vista on, such a source runs
// in session 0 and finds no window of the user's desktop.
#include <windows.h>

#include "app/shared.h"
#include "tools/relay/relay.h"

namespace {

LRESULT CALLBACK RelayWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // WM_CLOSE, from the package's closer or anyone, destroys the window by
    // default; its end is the relay's.
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

// The command line is ignored; the window is never shown.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // One per session. The window is the marker the closer finds; the
    // mutex keeps two starts at the same moment from both staying.
    if (FindWindowA(RELAY_WINDOW_NAME, RELAY_WINDOW_NAME))
        return 0;
    HANDLE once = CreateMutexA(NULL, FALSE, "Local\\" RELAY_WINDOW_NAME);
    if (once && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(once);
        return 0;
    }

    // The profile is read for RelayHelp, as the monitor reads it.
    char systemDir[MAX_PATH] = "";
    UINT length = GetSystemDirectoryA(systemDir, sizeof systemDir);
    InitMonitorPaths(systemDir, length);

    // Armed before the window appears, so that whoever sees the window
    // knows that every later write is seen.
    StatusRelay relay;
    int exitCode = 0;
    if (relay.Start()) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = RelayWndProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = RELAY_WINDOW_NAME;
        RegisterClassA(&windowClass);
        if (CreateWindowExA(0, RELAY_WINDOW_NAME, RELAY_WINDOW_NAME, 0, 0, 0, 0, 0, NULL, NULL,
                            instance, NULL))
            exitCode = relay.Run(NULL);
    }
    if (once)
        CloseHandle(once);
    return exitCode;
}
