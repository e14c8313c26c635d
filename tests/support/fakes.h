// Stand-ins for the shell's notification area and the help engine, seen by
// the program through its own unchanged calls to Shell_NotifyIconA and
// WinHelpA: the test executable defines the import slots for them.
#ifndef DADAVIZI_TEST_FAKES_H
#define DADAVIZI_TEST_FAKES_H

#include <windows.h>
#include <shellapi.h>
#include <oaidl.h>

#include <functional>
#include <string>
#include <vector>

struct TrayCall {
    DWORD message;            // NIM_ADD, NIM_MODIFY, NIM_DELETE
    NOTIFYICONDATAA record;   // the first cbSize bytes as passed, the rest zero
    bool iconValidDuringCall; // the icon handle named a live icon
    std::string iconPixels;   // the icon's colour pixels, taken during the call
    BOOL result;
};

// What the accessibility services were told about a window.
struct AccPropCall {
    HWND window;
    DWORD object;
    DWORD child;
    GUID property;
    VARIANT value;  // VT_EMPTY for ClearHwndProps
    bool cleared;   // ClearHwndProps rather than SetHwndProp
};

struct WinEventCall {
    DWORD event;
    HWND window;
    LONG object;
    LONG child;
};

struct HelpCall {
    HWND window;
    std::string file;
    UINT command;
    ULONG_PTR data;
};

namespace fake {

extern std::vector<TrayCall> trayCalls;
extern std::vector<HelpCall> helpCalls;

// Answers the shell gives: by default it keeps a set of icons like the real
// notification area (add fails for a present icon, modify and delete for a
// missing one). A refusing shell answers FALSE to everything.
extern bool shellRefuses;
// Called for every tray call before it is answered; returning false refuses it.
extern std::function<bool(const TrayCall &)> trayFilter;
// Runs inside Shell_NotifyIconA after the call is answered and recorded, as
// the shell's sent messages reach the owner before the call returns.
extern std::function<void(const TrayCall &)> onTray;
// Runs inside WinHelpA, after the call is recorded: lets a test re-enter the
// window procedure the way a help engine's sent messages do.
extern std::function<void(const HelpCall &)> onHelp;

// The taskbar SHAppBarMessage(ABM_GETTASKBARPOS) reports: unless a test
// gives one, the real shell answers. Calls counted.
extern bool taskbarGiven;
extern APPBARDATA taskbar;
extern int taskbarQueries;
// SHQueryUserNotificationState, looked up by the program at run time: the
// answer (5, QUNS_ACCEPTS_NOTIFICATIONS, unless a test says otherwise) and
// the number of questions.
extern int notificationState;
extern int notificationQueries;
// NotifyWinEvent (looked up at run time, then passed on to Windows), and
// the accessibility services the program creates with CoCreateInstance
// (looked up at run time too; other classes are Windows' own).
extern std::vector<WinEventCall> winEvents;
extern std::vector<AccPropCall> accProps;

void Reset();
bool TrayHasIcon(HWND window, UINT id);
void ShellLosesIcons();  // as when the taskbar is restarted

}  // namespace fake

#endif
