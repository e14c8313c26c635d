// The program's own help popup, for Windows without WinHelp: a small
// topmost window at the bottom-right of the work area that takes no focus
// and shows a topic's short text and the status text.
#ifndef DADAVIZI_OWN_POPUP_H
#define DADAVIZI_OWN_POPUP_H

#include <windows.h>

#define OWN_POPUP_CLASS "DadaViziHelpPopup"

// Room for a short text, a blank line and the status text, 255 characters each.
const int OWN_POPUP_TEXT_SIZE = 520;

// What the popup says: the short text, a blank line, then the status text;
// either alone when the other is empty, "Status <code>" when both are.
// Either text may be NULL.
void FormatOwnPopupText(char *out, int capacity, const char *shortText, const char *statusText,
                        LONG code);

// Shows `text` (also the window's text, for screen readers) in a popup
// owned by `owner`, replacing the one shown before. A click on it closes it
// and, when `chm` is given, opens topic `context` of that CHM. The popup,
// or NULL when it could not be made.
HWND ShowOwnPopup(HWND owner, const char *text, const char *chm, UINT context);

// The popup on screen, or NULL.
HWND OwnPopupWindow();

#endif
