// The monitor's entry points: start-up and the hidden window's procedure.
#ifndef DADAVIZI_MONITOR_H
#define DADAVIZI_MONITOR_H

#include "app/shared.h"

// Registers the window class and creates the hidden window; creation already
// adds the tray icon and dispatches the stored status.
HWND CreateMonitorWindow(HINSTANCE instance);

// The whole program: returns the process exit code.
int RunMonitor(HINSTANCE instance);

LRESULT CALLBACK StatusWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
