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

// The record in its Windows 2000 layout, spelled out because the headers
// show it only to programs that need Windows 2000. The shell reads uVersion
// only from a record of exactly this size (or a later documented one): any
// other size is taken as the first layout, and the version as 0, with TRUE.
struct Windows2000Record {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    UINT uVersion;  // a union with uTimeout
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
};
#ifdef NOTIFYICONDATAA_V2_SIZE
static_assert(sizeof(Windows2000Record) == NOTIFYICONDATAA_V2_SIZE, "the documented size");
#endif

BOOL SendWindows2000Command(DWORD command, HWND window, UINT id, UINT version)
{
    Windows2000Record record;
    ZeroMemory(&record, sizeof record);
    record.cbSize = sizeof record;
    record.hWnd = window;
    record.uID = id;
    record.uVersion = version;
    return Shell_NotifyIconA(command, reinterpret_cast<NOTIFYICONDATAA *>(&record));
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
    if (IsWindow(window) && TrayAdd(window, id, callbackMessage, icon, tip)) {
        // The shell forgets the version with the icon: every add declares it.
        TraySetVersion(window, id);
        return;
    }
    // The shell took the icon nowhere. It is our private copy: release it.
    if (icon)
        DestroyIcon(icon);
}

BOOL TraySetVersion(HWND window, UINT id)
{
    return SendWindows2000Command(TRAY_NIM_SETVERSION, window, id, TRAY_NOTIFYICON_VERSION);
}

void TraySetFocus(HWND window, UINT id)
{
    SendWindows2000Command(TRAY_NIM_SETFOCUS, window, id, 0);
}
