// The hidden windows of the programs that stay resident, the monitor and
// DadaViziIpp, and the one way to end them before their files are replaced.
// The programs create their windows with these names and the closer looks
// for them with the same ones, so a renamed window cannot slip past it.
#ifndef DADAVIZI_TOOLS_RESIDENT_H
#define DADAVIZI_TOOLS_RESIDENT_H

#include <windows.h>

#include "app/shared.h"  // MONITOR_WINDOW_NAME
#include "tools/common/report.h"

// Class and title of DadaViziIpp's hidden window while it stays resident;
// WM_CLOSE to it ends the source.
#define IPP_WINDOW_NAME "DadaViziIpp"
// Class and title of the session relay's hidden window (tools/relay/).
#define RELAY_WINDOW_NAME "DadaViziRelay"

// A hidden top-level window of this program whose class and title are both
// `name`, its messages handled by `procedure`: the way a resident program is
// found, and closed, by name. NULL when Windows will not make one.
HWND CreateNamedWindow(const char *name, WNDPROC procedure);

// Results, which are also the exit codes of DadaViziStatus --close and of
// DadaViziClose, numbered as the other tools' results.
enum CloseResult {
    CLOSE_DONE = REPORT_DONE,             // every window found has gone with its process
    CLOSE_NONE_OPEN = REPORT_NO_MONITOR,  // no window of these names on this desktop
    CLOSE_NOT_ENDED = REPORT_NO_ANSWER,   // one did not end in time, or Windows kept WM_CLOSE from it
};

// Posts WM_CLOSE to every top-level window of this desktop whose class and
// title are both one of `names`, then waits until the process of each has
// ended, `timeout` milliseconds at most in all. Windows that appear
// meanwhile are closed too. `why` (REPORT_WHY_SIZE characters) says what
// went wrong unless CLOSE_DONE.
int CloseResidentWindows(const char *const *names, int nameCount, DWORD timeout, char *why);

#endif
