// Stand-ins for the help engine's popup windows, in the test's own process:
// windows of the popup class with an empty title, as the monitor looks for
// them. Each records the WM_CLOSE messages it gets and then goes, as the
// engine's popups do.
#ifndef DADAVIZI_TEST_POPUP_H
#define DADAVIZI_TEST_POPUP_H

#include <windows.h>

#include <functional>

namespace popup {

// A new popup window.
HWND Open();
// As the engine shows a popup topic: the one shown before goes, a new one
// appears. Returns it.
HWND Show();
// The popup Show() opened last, or NULL.
HWND Shown();

// WM_CLOSE messages `window` has received, and the tick of the first.
int Closes(HWND window);
DWORD ClosedAt(HWND window);
int ClosesInAll();
int Live();

// Runs inside WM_CLOSE, before the popup goes: a test can send the
// monitor messages there, as the help engine's process lets them in.
extern std::function<void(HWND)> onClose;

// Destroys every popup and forgets them all.
void Reset();

}  // namespace popup

#endif
