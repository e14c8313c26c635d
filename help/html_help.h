// HTML Help (hhctrl.ocx), which every Windows from XP to 11 has: loaded on
// first use from the system directory, and called through a pointer so that
// the program does not import it.
#ifndef DADAVIZI_HTML_HELP_H
#define DADAVIZI_HTML_HELP_H

#include <windows.h>

// Loads hhctrl.ocx once, by full path; false when it cannot be loaded.
bool HtmlHelpLoads();

// Opens topic `context` of `chm` in its window type "SEC". The caller is the
// desktop, so the help window is nobody's owned window and gets a taskbar
// button. The help window, or NULL when HTML Help is missing, the file does
// not fit or HTML Help refused the topic.
HWND ShowHtmlHelpTopic(const char *chm, UINT context);

// Closes every help window this process opened; nothing when HTML Help was
// never loaded.
void CloseHtmlHelp();

#endif
