// The program's own help popup, for Windows without WinHelp: a small
// topmost window beside the notification area that takes no focus and
// shows a topic's short text and the status text.
#ifndef DADAVIZI_OWN_POPUP_H
#define DADAVIZI_OWN_POPUP_H

#include <windows.h>

#define OWN_POPUP_CLASS "DadaViziHelpPopup"

// Room for a short text, a blank line and the status text, 255 characters each.
const int OWN_POPUP_TEXT_SIZE = 520;

// What the popup says: the short text, a blank line, then the status text;
// either alone when the other is empty, "Status <code>" when both are.
// Either text may be NULL.
void FormatOwnPopupText(WCHAR *out, int capacity, const WCHAR *shortText,
                        const WCHAR *statusText, LONG code);

// Shows `text` in a popup owned by `owner`, replacing the one shown before,
// at the corner of the taskbar's monitor beside the notification area. The
// text is also the window's text and sits in a static control that screen
// readers announce as an assertive live region. A click on it closes it
// and, when `chm` is given, opens topic `context` of that CHM. With a
// `closeLabel` (an untimed popup, which no timer closes) it has a close
// button of that label, which a screen reader can press. A close asked for
// while the pointer rests on it waits until shortly after the pointer has
// left. The popup, or NULL when it could not be made.
HWND ShowOwnPopup(HWND owner, const WCHAR *text, const char *chm, UINT context,
                  const WCHAR *closeLabel = NULL);

// The popup on screen, or NULL.
HWND OwnPopupWindow();

#endif
