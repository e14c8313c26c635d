// Notification-area operations: add, delete, set icon, set tooltip.
#include "tray/tray.h"

#include <shellapi.h>

namespace {

// A zeroed record in the first (version 1) layout: 88 bytes on 32-bit Windows.
void InitRecord(NOTIFYICONDATAA &record, HWND window, UINT id, UINT flags)
{
    ZeroMemory(&record, sizeof record);
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = id;
    record.uFlags = flags;
}

// The version 1 tip holds 63 characters; the shell does not cut longer ones
// for us everywhere, so cut here.
void CopyTip(NOTIFYICONDATAA &record, const char *tip)
{
    lstrcpynA(record.szTip, tip, 64);
}

// The shell keeps its own copy of an icon it accepted.
BOOL ReleaseIconIfAccepted(BOOL accepted, HICON icon)
{
    if (accepted && icon)
        DestroyIcon(icon);
    return accepted;
}

}  // namespace

BOOL TrayAdd(HWND window, UINT id, UINT callbackMessage, HICON icon, const char *tip)
{
    NOTIFYICONDATAA record;
    InitRecord(record, window, id, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    record.uCallbackMessage = callbackMessage;
    record.hIcon = icon;
    CopyTip(record, tip);
    return ReleaseIconIfAccepted(Shell_NotifyIconA(NIM_ADD, &record), icon);
}

void TrayDelete(HWND window, UINT id)
{
    NOTIFYICONDATAA record;
    InitRecord(record, window, id, 0);
    Shell_NotifyIconA(NIM_DELETE, &record);
}

void TraySetTip(HWND window, UINT id, const char *tip)
{
    NOTIFYICONDATAA record;
    InitRecord(record, window, id, NIF_TIP);
    CopyTip(record, tip);
    Shell_NotifyIconA(NIM_MODIFY, &record);
}

BOOL TraySetIcon(HWND window, UINT id, HICON icon)
{
    NOTIFYICONDATAA record;
    InitRecord(record, window, id, NIF_ICON);
    record.hIcon = icon;
    return ReleaseIconIfAccepted(Shell_NotifyIconA(NIM_MODIFY, &record), icon);
}

void TrayShowIcon(HWND window, UINT id, UINT callbackMessage, HICON icon, const char *tip)
{
    if (TraySetIcon(window, id, icon))
        return;
    // Only an added icon takes the tip; an existing one keeps its own. The
    // change waited for the shell, and a WM_CLOSE sent meanwhile may have
    // destroyed the window: an icon added for it now would outlive it.
    if (IsWindow(window) && TrayAdd(window, id, callbackMessage, icon, tip))
        return;
    // The shell took the icon nowhere. It is our private copy: release it.
    if (icon)
        DestroyIcon(icon);
}
