// Shows the help topic for a status: as a timed popup or in the help file's
// secondary window "SEC".
#ifndef DADAVIZI_STATUS_HELP_H
#define DADAVIZI_STATUS_HELP_H

#include "help/help_engine.h"

#include <windows.h>

// Milliseconds a help popup stays when the profile names no time.
const int DEFAULT_POPUP_TIME = 3000;
// The help map keys tried for a code, in order.
const int HELP_MAP_KEY_COUNT = 3;

// The help sequence for g_currentStatus: position popups, read the popup
// time, show the topic and, for popups, track the popup and start the timer
// that closes it. `askedFor` tells that a click or key press on the icon
// asked for it; otherwise the program's own timed popup is left out while
// the person is presenting (UserIsPresenting).
void OnStatusHelp(HWND window, bool askedFor = false);

// The engine for the help file `file` on this Windows, from "HelpEngine" in
// the driver's section, the Windows version and the CHM beside the file.
// `chosen`, when given, tells whether "HelpEngine" named it.
HelpEngine StatusHelpEngine(const char *file, bool *chosen = NULL);

// Shows the topic for `code` as a popup or in the secondary window, with
// `engine`; HTML Help falls back to the program's own popup.
void ShowStatusHelp(HWND window, LONG code, bool popup,
                    HelpEngine engine = HELP_ENGINE_WINHELP);

// The help context for `code` from the profile's help map, trying the keys
// of HelpMapKeys in order; 0 when there is none.
UINT LookUpHelpContext(LONG code);

// The code, then the code rounded down to hundreds, then to thousands. The
// rounding is done on the code as an unsigned number, so -3 gives -3, -96
// and -296.
void HelpMapKeys(LONG code, LONG keys[HELP_MAP_KEY_COUNT]);

// Copies every value of the status data key, as text, to the help window key.
void CopyStatusDataToHelpWindow();

void SetHelpWindowValue(const char *name, const char *text);

#endif
