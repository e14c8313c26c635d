// The printer's language; see language.h.
#include "tools/ipp-source/language.h"

namespace {

void Lower(char *text)
{
    for (; *text; ++text)
        if (*text >= 'A' && *text <= 'Z')
            *text = (char)(*text - 'A' + 'a');
}

// Letters only, 2 or 3 of them (ISO 639 and ISO 3166 codes).
bool IsCode(const char *text)
{
    int length = 0;
    for (; text[length]; ++length) {
        char c = text[length];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    }
    return length >= 2 && length <= 3;
}

}  // namespace

void LanguageTag(LANGID language, char *tag, int size)
{
    lstrcpynA(tag, "en", size);
    LCID locale = MAKELCID(language, SORT_DEFAULT);
    char code[9] = "", country[9] = "";
    if (!language || !GetLocaleInfoA(locale, LOCALE_SISO639LANGNAME, code, sizeof code) ||
        !IsCode(code))
        return;
    char made[16];
    if (GetLocaleInfoA(locale, LOCALE_SISO3166CTRYNAME, country, sizeof country) &&
        IsCode(country))
        wsprintfA(made, "%s-%s", code, country);
    else
        lstrcpynA(made, code, sizeof made);
    Lower(made);
    lstrcpynA(tag, made, size);
}

void UserLanguageTag(char *tag, int size)
{
    // Looked up, not imported: Windows NT 4.0 has no such function.
    typedef LANGID(WINAPI * UiLanguageProc)();
    UiLanguageProc uiLanguage = reinterpret_cast<UiLanguageProc>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetUserDefaultUILanguage")));
    LanguageTag(uiLanguage ? uiLanguage() : GetUserDefaultLangID(), tag, size);
}
