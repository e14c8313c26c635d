// HTML Help through hhctrl.ocx, loaded by full path so that no file of the
// same name elsewhere on the search path is loaded in its place.
#include "help/html_help.h"

#include "app/shared.h"
#include "app/text.h"

namespace {

// HtmlHelpA's commands, as htmlhelp.h numbers them.
const UINT HH_HELP_CONTEXT_COMMAND = 0x000F;
const UINT HH_CLOSE_ALL_COMMAND = 0x0012;

typedef HWND(WINAPI *HtmlHelpFunction)(HWND, LPCSTR, UINT, DWORD_PTR);

enum LoadState { NOT_TRIED, LOADED, FAILED };
LoadState g_loadState = NOT_TRIED;
HtmlHelpFunction g_htmlHelp = NULL;

}  // namespace

bool HtmlHelpLoads()
{
    if (g_loadState != NOT_TRIED)
        return g_loadState == LOADED;
    g_loadState = FAILED;
    char path[MAX_PATH];
    if (!g_systemDir[0] || !FormatBounded(path, sizeof path, "%s\\hhctrl.ocx", g_systemDir))
        return false;
    // Kept loaded for the life of the process: its help windows run on it.
    // The altered search path looks for its own DLLs beside it, in the
    // system directory, before the program's folder.
    HMODULE module = LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
        return false;
    g_htmlHelp = reinterpret_cast<HtmlHelpFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "HtmlHelpA")));
    if (!g_htmlHelp) {
        FreeLibrary(module);
        return false;
    }
    g_loadState = LOADED;
    return true;
}

HWND ShowHtmlHelpTopic(const char *chm, UINT context)
{
    char target[MAX_PATH + 8];
    if (!HtmlHelpLoads() || !FormatBounded(target, sizeof target, "%s>SEC", chm))
        return NULL;
    return g_htmlHelp(GetDesktopWindow(), target, HH_HELP_CONTEXT_COMMAND, context);
}

void CloseHtmlHelp()
{
    if (g_loadState == LOADED)
        g_htmlHelp(NULL, NULL, HH_CLOSE_ALL_COMMAND, 0);
}
