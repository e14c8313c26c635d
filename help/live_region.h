// Screen readers hear the program's own popup: its text control is made an
// assertive live region, and each new text raises the live region event.
// Windows 8 and later know live regions; earlier Windows, and Windows
// without the accessibility services, stay silent as before.
#ifndef DADAVIZI_LIVE_REGION_H
#define DADAVIZI_LIVE_REGION_H

#include <windows.h>

// Marks `control` as an assertive live region, then announces it.
void AnnounceLiveRegion(HWND control);

// Takes the mark off again before `control` goes, so that a later window
// given the same handle is not announced.
void ForgetLiveRegion(HWND control);

#endif
