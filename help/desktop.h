// What the desktop around the program's own popup is like: where the
// taskbar is, so that the popup appears beside the notification area, and
// whether the person is presenting, when a popup of its own would intrude.
#ifndef DADAVIZI_DESKTOP_H
#define DADAVIZI_DESKTOP_H

#include <windows.h>

// The popup's rectangle of `width` by `height` (cut to the work area) in
// the corner of `work` nearest the taskbar: the taskbar's edge is the side
// where `work` falls short of `monitor`; where it does not, the taskbar
// hides itself and `hiddenEdge` (ABE_LEFT, ABE_TOP, ABE_RIGHT, ABE_BOTTOM)
// names it. The bottom-right corner, but the top-right for a taskbar at the
// top and the bottom-left for one at the left.
RECT PlacePopup(const RECT &work, const RECT &monitor, UINT hiddenEdge, LONG width, LONG height);

// The work area and the rectangle of the monitor that holds the taskbar,
// and the taskbar's edge as the shell reports it (ABE_BOTTOM when it will
// not say). Without multiple-monitor calls (Windows 95, NT 4.0), the work
// area and the screen.
void FindTaskbarMonitor(RECT *work, RECT *monitor, UINT *edge);

// Whether the shell says the person is busy with a full-screen program, a
// Direct3D game or a presentation (Windows Vista and later; false before).
// Quiet time, the first hour of a new user, is no reason: help follows the
// person's own printing.
bool UserIsPresenting();

#endif
