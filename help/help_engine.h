// Which help engine shows a status's topic on this Windows: WinHelp where
// Windows has it, HTML Help where the maker ships a CHM, and the program's
// own popup where neither can be used.
#ifndef DADAVIZI_HELP_ENGINE_H
#define DADAVIZI_HELP_ENGINE_H

#include <windows.h>

// The values of "HelpEngine" in the driver's profile section.
enum HelpEngine {
    HELP_ENGINE_AUTOMATIC = 0,
    HELP_ENGINE_WINHELP = 1,
    HELP_ENGINE_HTMLHELP = 2,
    HELP_ENGINE_OWN_POPUP = 3,
};

struct WindowsVersion {
    DWORD major;
    DWORD minor;
    BYTE productType;  // VER_NT_WORKSTATION, VER_NT_DOMAIN_CONTROLLER, VER_NT_SERVER
};

// The Windows the help is shown on. All zero until the first status with
// help reads it; tests put the version they mean to try here.
extern WindowsVersion g_windowsVersion;

// What GetVersionExA says. The manifest declares Windows 10 and 11, so
// those report themselves as they are. All zero when Windows will not say.
WindowsVersion ReadWindowsVersion();

// The rule. `setting` is "HelpEngine" as read (anything but 1 to 3 means
// automatic); `haveChm` whether DOZIDnnn.CHM lies beside the help file;
// `htmlHelpLoads` is asked only where the answer matters, since it loads
// hhctrl.ocx. `why`, when given, receives a sentence naming the row of the
// rule that decided.
HelpEngine ChooseHelpEngine(const WindowsVersion &version, bool haveChm, bool (*htmlHelpLoads)(),
                            int setting, const char **why = NULL);

// The help file's twin with the same name and another extension (".CHM",
// ".INI") in `out`; false, leaving it empty, when the result does not fit
// or the help file has no extension to replace.
bool FormatHelpTwinPath(char *out, int capacity, const char *helpFile, const char *extension);

// A file, not a folder, is at `path`.
bool IsExistingFile(const char *path);

#endif
