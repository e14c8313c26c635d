// The program's one notification-area icon.
#ifndef DADAVIZI_TRAY_H
#define DADAVIZI_TRAY_H

#include <windows.h>

// Each of the four operations makes one Shell_NotifyIconA call with the
// shell's first, 88-byte form of the record, which every version 4 shell
// understands.
// An icon handle passed in is destroyed once the shell has taken its copy.
BOOL TrayAdd(HWND window, UINT id, UINT callbackMessage, HICON icon, const char *tip);
void TrayDelete(HWND window, UINT id);
void TraySetTip(HWND window, UINT id, const char *tip);
BOOL TraySetIcon(HWND window, UINT id, HICON icon);

// The shell's commands and callback messages of Windows 2000 (shell32
// version 5), which the headers show only to programs needing it.
const DWORD TRAY_NIM_SETFOCUS = 3;
const DWORD TRAY_NIM_SETVERSION = 4;
const UINT TRAY_NOTIFYICON_VERSION = 3;
const UINT TRAY_NIN_SELECT = WM_USER + 0;
const UINT TRAY_NIN_KEYSELECT = WM_USER + 1;

// Asks for the Windows 2000 behaviour of the icon: a left click then ends
// with NIN_SELECT, Enter or Space send NIN_KEYSELECT and the menu key
// WM_CONTEXTMENU, where earlier shells send a right click for all three.
// Windows 95 and NT 4.0 refuse it and keep the old behaviour. Sent with the
// Windows 2000 record, as the shell reads the version from no other.
BOOL TraySetVersion(HWND window, UINT id);
// Gives the keyboard focus back to the notification area.
void TraySetFocus(HWND window, UINT id);

// Replaces the icon, or adds the tray icon (with `tip`) when the shell has
// none for this window: at start, or after a restarted taskbar lost it.
// An added icon then declares its version (TraySetVersion); a refusal
// leaves the icon as added.
// Takes ownership of `icon` in every case.
void TrayShowIcon(HWND window, UINT id, UINT callbackMessage, HICON icon, const char *tip);

#endif
