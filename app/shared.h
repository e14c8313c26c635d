// The monitor's shared state, message numbers and ids: the one header that
// registry/ and help/ take from app/, so the folders depend one way only.
#ifndef DADAVIZI_SHARED_H
#define DADAVIZI_SHARED_H

#include <windows.h>

// Class and title of the hidden window: the single-instance marker and the
// address status sources send to.
#define MONITOR_WINDOW_NAME "DadaVizi"
// Class of the help engine's popup windows; they have an empty title.
#define HELP_POPUP_CLASS "MS_WINNOTE"

// wParam = show-help flag (any non-zero value), lParam = signed 32-bit status code.
const UINT WM_BIDISTATUS = WM_USER + 4711;
// Callback message of the tray icon; lParam carries the mouse message.
const UINT WM_TRAYNOTIFY = WM_USER + 10;

const UINT TRAY_ICON_ID = 100;
// Started by the help sequence for a popup (help/status_help.cpp), handled
// by the dispatcher, which closes g_popupWindow when it fires.
const UINT_PTR POPUP_TIMER_ID = 2;
// Codes at or above this are ignored when they repeat the current one.
const LONG STATUS_REPEAT_THRESHOLD = 10000;

extern HINSTANCE g_hInstance;
extern char g_systemDir[MAX_PATH];
extern char g_profilePath[MAX_PATH];
extern LONG g_currentStatus;
// The help popup the popup timer is to close: set by the help sequence,
// cleared by the dispatcher.
extern HWND g_popupWindow;
// True only while a click or key press on the tray icon sends the stored
// status: that help is the person's own request (see OnStatusHelp).
extern bool g_helpAskedFor;

// Fills g_systemDir and g_profilePath from what GetSystemDirectoryA left in
// `text` and returned as `length`.
void InitMonitorPaths(const char *text, UINT length);

#endif
