// The language the printer is asked to answer in: the user's display
// language, so that a printer's own localised messages reach the tray as
// the printer words them.
#ifndef DADAVIZI_IPP_LANGUAGE_H
#define DADAVIZI_IPP_LANGUAGE_H

#include <windows.h>

// `language` as an IPP natural language (a language tag, lower case:
// "de-de", "en-us"); "en" when Windows cannot name it. `size` 16 or more.
void LanguageTag(LANGID language, char *tag, int size);

// The tag of the user's display language (GetUserDefaultUILanguage).
void UserLanguageTag(char *tag, int size);

#endif
