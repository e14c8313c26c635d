// The monitor's shared state, message numbers and entry points.
#ifndef DADAVIZI_MONITOR_H
#define DADAVIZI_MONITOR_H

#include <windows.h>

// Class and title of the hidden window: the single-instance marker and the
// address status sources send to.
#define MONITOR_WINDOW_NAME "DadaVizi"

// wParam = show-help flag (any non-zero value), lParam = signed 32-bit status code.
const UINT WM_BIDISTATUS = WM_USER + 4711;
// Callback message of the tray icon; lParam carries the mouse message.
const UINT WM_TRAYNOTIFY = WM_USER + 10;

const UINT TRAY_ICON_ID = 100;
const UINT_PTR POPUP_TIMER_ID = 2;
// Codes at or above this are ignored when they repeat the current one.
const LONG STATUS_REPEAT_THRESHOLD = 10000;

extern HINSTANCE g_hInstance;
extern char g_systemDir[MAX_PATH];
extern char g_profilePath[MAX_PATH];
extern LONG g_currentStatus;
extern HWND g_popupWindow;

// Fills g_systemDir and g_profilePath from what GetSystemDirectoryA left in
// `text` and returned as `length`.
void InitMonitorPaths(const char *text, UINT length);

// Registers the window class and creates the hidden window; creation already
// adds the tray icon and dispatches the stored status.
HWND CreateMonitorWindow(HINSTANCE instance);

// The whole program: returns the process exit code.
int RunMonitor(HINSTANCE instance);

LRESULT CALLBACK StatusWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
