// Status help: the help map, the copy of the status data for the help file,
// and the help engine calls.
#include "help/status_help.h"

#include "app/shared.h"
#include "app/text.h"
#include "help/help_file.h"
#include "help/html_help.h"
#include "help/desktop.h"
#include "help/own_popup.h"
#include "registry/reg_key_reader.h"
#include "registry/reg_value_enumerator.h"
#include "registry/settings.h"

namespace {

// The CHM beside the help file, in `chm` (MAX_PATH); false when there is none.
bool FindChm(const char *file, char *chm)
{
    return FormatHelpTwinPath(chm, MAX_PATH, file, ".CHM") && IsExistingFile(chm);
}

// The status data value "Text" as Unicode, cut at 255 characters: the W
// call converts a string stored with the ANSI calls, and keeps one stored
// in Unicode whole.
void ReadStatusTextW(WCHAR out[256])
{
    out[0] = L'\0';
    RegKeyReader status(HKEY_LOCAL_MACHINE, StatusDataKeyPath());
    WCHAR data[1024 + 1];
    DWORD type = 0, size = 1024 * sizeof(WCHAR);
    if (!status.key || RegQueryValueExW(status.key, L"Text", NULL, &type,
                                        reinterpret_cast<BYTE *>(data), &size) != ERROR_SUCCESS)
        return;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return;
    data[size / sizeof(WCHAR)] = L'\0';  // it may have been stored without one
    lstrcpynW(out, data, 256);
}

// The text of `key` in the texts file beside the help file, or `fallback`.
// The W call reads a file in the ANSI code page as the A call did, and a
// UTF-16 file with its byte-order mark in every language.
void ReadShortTextW(WCHAR *out, DWORD capacity, const char *file, const WCHAR *key,
                    const WCHAR *fallback)
{
    lstrcpynW(out, fallback, (int)capacity);
    char texts[MAX_PATH];
    WCHAR textsW[MAX_PATH];
    if (!FormatHelpTwinPath(texts, sizeof texts, file, ".INI") ||
        !MultiByteToWideChar(CP_ACP, 0, texts, -1, textsW, MAX_PATH))
        return;
    GetPrivateProfileStringW(L"Text", key, fallback, out, capacity, textsW);
}

// The program's own popup for topic `context`: its short text from the
// texts file beside the help file, and the status text the source stored.
HWND ShowOwnStatusPopup(HWND window, const char *file, LONG code, UINT context, bool timed)
{
    WCHAR key[12], shortText[256], statusText[256], closeLabel[32];
    wsprintfW(key, L"%u", context);  // at most 10 characters
    ReadShortTextW(shortText, 256, file, key, L"");
    // The close button's label, in the texts' language where the maker gave it.
    ReadShortTextW(closeLabel, 32, file, L"Close", L"Close");
    ReadStatusTextW(statusText);
    WCHAR text[OWN_POPUP_TEXT_SIZE];
    FormatOwnPopupText(text, OWN_POPUP_TEXT_SIZE, shortText, statusText, code);

    char chm[MAX_PATH];
    return ShowOwnPopup(window, text, FindChm(file, chm) ? chm : NULL, context,
                        timed ? NULL : closeLabel);
}

}  // namespace

HelpEngine StatusHelpEngine(const char *file, bool *chosen)
{
    int setting = ReadProfileInt(ReadMonitorSetting("Driver"), "HelpEngine", HELP_ENGINE_AUTOMATIC);
    if (chosen)
        *chosen = setting >= HELP_ENGINE_WINHELP && setting <= HELP_ENGINE_OWN_POPUP;
    if (!g_windowsVersion.major)
        g_windowsVersion = ReadWindowsVersion();
    char chm[MAX_PATH];
    return ChooseHelpEngine(g_windowsVersion, FindChm(file, chm), HtmlHelpLoads, setting);
}

void OnStatusHelp(HWND window, bool askedFor)
{
    const char *file = FindHelpFile();
    if (!file)
        return;

    bool chosen = false;
    HelpEngine engine = StatusHelpEngine(file, &chosen);
    if (engine == HELP_ENGINE_WINHELP) {
        // Popups open at the bottom-right corner of the screen.
        DWORD corner = MAKELONG(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        WinHelpA(window, file, HELP_SETPOPUP_POS, corner);
        // Each help call lets messages in, and one of them may have ended the
        // window: nothing more is asked or timed for a window that is gone.
        if (!IsWindow(window))
            return;
    }

    int popupTime =
        ReadProfileInt(ReadMonitorSetting("Driver"), "TimeCloseWindow", DEFAULT_POPUP_TIME);
    // HTML Help's own popups need text the CHM compilers makers use do not
    // keep: a timed popup is the program's own, and a click on it opens the
    // topic. Only "HelpEngine" set to HTML Help opens the topic at once.
    if (popupTime > 0 && engine == HELP_ENGINE_HTMLHELP && !chosen)
        engine = HELP_ENGINE_OWN_POPUP;
    // A popup that comes by itself waits while the person presents or plays
    // full-screen: the icon and tip have changed, and a click shows it.
    if (popupTime > 0 && engine == HELP_ENGINE_OWN_POPUP && !askedFor && UserIsPresenting())
        return;
    // The help calls let messages in, so the status may have moved on since
    // this sequence started: show the one that is current now.
    ShowStatusHelp(window, g_currentStatus, popupTime > 0, engine);
    if (popupTime <= 0 || !IsWindow(window))
        return;

    // The popup exists only once the topic call has returned. The
    // dispatcher's WM_TIMER handling closes it when the timer fires.
    g_popupWindow =
        engine == HELP_ENGINE_WINHELP ? FindWindowA(HELP_POPUP_CLASS, "") : OwnPopupWindow();
    SetTimer(window, POPUP_TIMER_ID, (UINT)popupTime, NULL);
}

void ShowStatusHelp(HWND window, LONG code, bool popup, HelpEngine engine)
{
    UINT context = LookUpHelpContext(code);
    if (!context)
        return;

    CopyStatusDataToHelpWindow();

    const char *file = FindHelpFile();
    if (!file)
        return;
    if (engine == HELP_ENGINE_HTMLHELP) {
        char chm[MAX_PATH];
        if (FormatHelpTwinPath(chm, sizeof chm, file, ".CHM") && ShowHtmlHelpTopic(chm, context))
            return;
        // HTML Help refused the topic: the short text is still worth showing.
        engine = HELP_ENGINE_OWN_POPUP;
    }
    if (engine == HELP_ENGINE_OWN_POPUP) {
        ShowOwnStatusPopup(window, file, code, context, popup);
        return;
    }
    if (popup) {
        WinHelpA(window, file, HELP_CONTEXTPOPUP, context);
        return;
    }
    char fileAndWindow[256];
    if (FormatBounded(fileAndWindow, sizeof fileAndWindow, "%s>SEC", file))
        WinHelpA(window, fileAndWindow, HELP_CONTEXT, context);
}

void HelpMapKeys(LONG code, LONG keys[HELP_MAP_KEY_COUNT])
{
    // Rounded as an unsigned number, looked up as a signed one.
    DWORD unsignedCode = (DWORD)code;
    keys[0] = code;
    keys[1] = (LONG)(unsignedCode - unsignedCode % 100);
    keys[2] = (LONG)(unsignedCode - unsignedCode % 1000);
}

UINT LookUpHelpContext(LONG code)
{
    LONG keys[HELP_MAP_KEY_COUNT];
    HelpMapKeys(code, keys);

    UINT context = 0;
    for (LONG key : keys) {
        char keyText[20];
        wsprintfA(keyText, "%ld", (long)key);  // at most 11 characters
        context = (UINT)ReadProfileInt("HelpMap", keyText, 0);
        if (context)
            break;
    }
    return context;
}

void CopyStatusDataToHelpWindow()
{
    RegValueEnumerator values(HKEY_LOCAL_MACHINE, StatusDataKeyPath());
    while (values.state == ERROR_SUCCESS) {
        // Room for a terminator after 256 bytes of data, which may not hold one.
        BYTE data[256 + 1];
        DWORD size = 256;
        const char *name = reinterpret_cast<const char *>(values.name.data);
        if (RegQueryValueExA(values.key, name, NULL, NULL, data, &size) == ERROR_SUCCESS &&
            size <= 256) {
            data[size] = '\0';
            SetHelpWindowValue(name, reinterpret_cast<const char *>(data));
        }
        values.Next();
    }
}

void SetHelpWindowValue(const char *name, const char *text)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, HELP_WINDOW_KEY, 0, NULL, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                   (DWORD)lstrlenA(text) + 1);
    RegCloseKey(key);
}
