// Shows the help topic for a status: as a timed popup or in the help file's
// secondary window "SEC".
#ifndef DADAVIZI_STATUS_HELP_H
#define DADAVIZI_STATUS_HELP_H

#include <windows.h>

// The help sequence for g_currentStatus: position popups, read the popup
// time, show the topic and, for popups, track the popup and start the timer
// that closes it.
void OnStatusHelp(HWND window);

// Shows the topic for `code` as a popup or in the secondary window.
void ShowStatusHelp(HWND window, LONG code, bool popup);

// The help context for `code` from the profile's help map, trying the code,
// then its hundreds, then its thousands; 0 when there is none.
UINT LookUpHelpContext(LONG code);

// Copies every value of the status data key, as text, to the help window key.
void CopyStatusDataToHelpWindow();

void SetHelpWindowValue(const char *name, const char *text);

#endif
