// The program's one notification-area icon.
#ifndef DADAVIZI_TRAY_H
#define DADAVIZI_TRAY_H

#include <windows.h>

// Each operation makes one Shell_NotifyIconA call with the shell's first,
// 88-byte form of the record, which every version 4 shell understands.
// An icon handle passed in is destroyed once the shell has taken its copy.
BOOL TrayAdd(HWND window, UINT id, UINT callbackMessage, HICON icon, const char *tip);
void TrayDelete(HWND window, UINT id);
void TraySetTip(HWND window, UINT id, const char *tip);
BOOL TraySetIcon(HWND window, UINT id, HICON icon);

// Replaces the icon, or adds the tray icon (with `tip`) when the shell has
// none for this window: at start, or after a restarted taskbar lost it.
// Takes ownership of `icon` in every case.
void TrayShowIcon(HWND window, UINT id, UINT callbackMessage, HICON icon, const char *tip);

#endif
