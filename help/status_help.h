// Shows the help topic for the current status.
#ifndef DADAVIZI_STATUS_HELP_H
#define DADAVIZI_STATUS_HELP_H

#include <windows.h>

// The help sequence for g_currentStatus.
void OnStatusHelp(HWND window);

#endif
