// The hidden window's procedure: turns status messages, tray clicks and the
// popup timer into icon, tooltip and help actions.
#include "app/monitor.h"

#include "help/status_help.h"
#include "registry/settings.h"
#include "res/resource.h"
#include "tray/tray.h"

namespace {

const char DEFAULT_TIP[] = "Printer Status";

// The tray icon for a status code, or 0 to keep the current one.
int StatusIconId(LONG code)
{
    switch (code) {
    case 10001:
    case 10049:
        return IDI_PRINTER;
    case 40021:
        return IDI_PRINTER_STROKE;
    case 40077:
        return IDI_PRINTER_CROSSED;
    default:
        return 0;
    }
}

// A private copy at the tray's size: LoadIconA would hand out a shared icon,
// which must not be destroyed, and a 32x32 image the shell would shrink.
HICON LoadTrayIcon(int id)
{
    return (HICON)LoadImageA(g_hInstance, MAKEINTRESOURCEA(id), IMAGE_ICON,
                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                             LR_DEFAULTCOLOR);
}

// Destruction waits in the shell's delete call, which lets sent messages in
// while the window still exists: a status taken then would add an icon that
// outlives the window, or start help for it. The mark lives in the window's
// own user data, so it goes with the window.
const LONG_PTR DESTRUCTION_BEGUN = 1;

void MarkDestructionBegun(HWND window)
{
    SetWindowLongPtrA(window, GWLP_USERDATA, DESTRUCTION_BEGUN);
}

bool DestructionBegun(HWND window)
{
    return GetWindowLongPtrA(window, GWLP_USERDATA) == DESTRUCTION_BEGUN;
}

void ShowTrayIcon(HWND window, int id)
{
    TrayShowIcon(window, TRAY_ICON_ID, WM_TRAYNOTIFY, LoadTrayIcon(id), DEFAULT_TIP);
}

void CloseTrackedPopup()
{
    HWND popup = g_popupWindow;
    if (!popup)
        return;
    // Forget it before sending: the send lets other messages in, and one of
    // them may track a newer popup that must not be forgotten in its place.
    g_popupWindow = NULL;
    SendMessageA(popup, WM_CLOSE, 0, 0);
}

void OnBidiStatus(HWND window, bool showHelp, LONG code)
{
    // Only the status a click itself sends is asked for by the person; one
    // that comes in while it is handled is not.
    bool askedFor = g_helpAskedFor;
    g_helpAskedFor = false;
    if (DestructionBegun(window))
        return;
    if (code >= STATUS_REPEAT_THRESHOLD && code == g_currentStatus)
        return;
    g_currentStatus = code;

    int iconId = StatusIconId(code);
    if (iconId)
        ShowTrayIcon(window, iconId);

    char tip[80];
    wsprintfA(tip, "Status %ld", (long)g_currentStatus);  // at most 18 characters
    TraySetTip(window, TRAY_ICON_ID, tip);

    // The tray calls and the close let messages in: one may have ended the window.
    CloseTrackedPopup();
    if (showHelp && IsWindow(window) && !DestructionBegun(window))
        OnStatusHelp(window, askedFor);
}

// A left click, Enter or Space: forget the current status so that the
// stored one is taken again, even when it has not changed, and its help
// shown. The help is the person's own request, so it shows even during a
// presentation.
void ShowStoredStatusAgain(HWND window)
{
    g_currentStatus = 0;
    g_helpAskedFor = true;
    RefreshFromStoredStatus(window);
    g_helpAskedFor = false;
}

// A version 3 shell sends NIN_KEYSELECT for Enter and for Space, and more
// than once for one press on some Windows: a second one within the
// double-click time is taken as the same press.
DWORD g_lastKeySelect = 0;
bool g_keySelected = false;

void OnKeySelect(HWND window)
{
    DWORD now = GetTickCount();
    bool repeated = g_keySelected && now - g_lastKeySelect <= GetDoubleClickTime();
    g_keySelected = true;
    g_lastKeySelect = now;
    if (repeated)
        return;
    ShowStoredStatusAgain(window);
    // The help may have ended the window; otherwise the keyboard goes back
    // to the notification area, where the person left it.
    if (IsWindow(window) && !DestructionBegun(window))
        TraySetFocus(window, TRAY_ICON_ID);
}

// The whole lParam is compared: on 64-bit Windows a value with high bits set
// is no mouse message, whatever its low 32 bits say. NIN_SELECT (after
// every left click) and WM_CONTEXTMENU (after a right click, and for the
// menu key) do nothing: the button-down messages before them do the work.
void OnTrayNotify(HWND window, LPARAM mouseMessage)
{
    // The shell's delete lets its own messages in while the window goes.
    if (DestructionBegun(window))
        return;
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
        ShowStoredStatusAgain(window);
        break;
    case TRAY_NIN_KEYSELECT:
        OnKeySelect(window);
        break;
    case WM_RBUTTONDOWN:
        DestroyWindow(window);
        break;
    }
}

}  // namespace

LRESULT CALLBACK StatusWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        ShowTrayIcon(window, IDI_PRINTER);
        RefreshFromStoredStatus(window);
        return 0;
    case WM_DESTROY:
        MarkDestructionBegun(window);
        TrayDelete(window, TRAY_ICON_ID);
        PostQuitMessage(0);
        return 0;
    case WM_TIMER:
        // The help sequence (OnStatusHelp) starts this timer for the popup
        // it tracks in g_popupWindow.
        if (wParam == POPUP_TIMER_ID) {
            // Stop the timer first: closing the popup lets messages in, and
            // a status shown meanwhile starts the timer for its own popup.
            KillTimer(window, POPUP_TIMER_ID);
            CloseTrackedPopup();
        }
        return 0;
    case WM_TRAYNOTIFY:
        OnTrayNotify(window, lParam);
        return 0;
    case WM_BIDISTATUS:
        OnBidiStatus(window, wParam != 0, (LONG)lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
