// The settings key, the status data key and the refresh from the stored status.
#ifndef DADAVIZI_SETTINGS_H
#define DADAVIZI_SETTINGS_H

#include <windows.h>

// Dispatches the stored status code to `window`, with help.
void RefreshFromStoredStatus(HWND window);

#endif
