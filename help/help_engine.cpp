// The help engine rule: WinHelp exists up to Windows 8.1 (Vista to 8.1 have
// only a stub unless the user installed it separately), HTML Help on every
// Windows from XP on, and the program's own popup needs nothing.
#include "help/help_engine.h"

WindowsVersion g_windowsVersion;

WindowsVersion ReadWindowsVersion()
{
    WindowsVersion version = {};
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof info;
#ifdef _MSC_VER
#pragma warning(suppress : 4996)  // deprecated, yet the one call that tells the product type
#endif
    BOOL known = GetVersionExA(reinterpret_cast<OSVERSIONINFOA *>(&info));
    if (!known) {
        // Windows NT 4.0 before Service Pack 6 knows only the short record,
        // and no product type: it is taken as a workstation.
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        info.wProductType = VER_NT_WORKSTATION;
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
        known = GetVersionExA(reinterpret_cast<OSVERSIONINFOA *>(&info));
    }
    if (known) {
        version.major = info.dwMajorVersion;
        version.minor = info.dwMinorVersion;
        version.productType = info.wProductType;
    }
    return version;
}

namespace {

// Windows 10 and later, and the servers from 2012 on, have no WinHelp at
// all: calling it would only start an error dialog.
bool HasNoWinHelp(const WindowsVersion &version)
{
    if (version.major != 6)
        return version.major > 6;
    bool server = version.productType == VER_NT_SERVER ||
                  version.productType == VER_NT_DOMAIN_CONTROLLER;
    return version.minor > 3 || (server && version.minor >= 2);
}

HelpEngine Decide(HelpEngine engine, const char *reason, const char **why)
{
    if (why)
        *why = reason;
    return engine;
}

}  // namespace

HelpEngine ChooseHelpEngine(const WindowsVersion &version, bool haveChm, bool (*htmlHelpLoads)(),
                            int setting, const char **why)
{
    if (setting >= HELP_ENGINE_WINHELP && setting <= HELP_ENGINE_OWN_POPUP)
        return Decide(static_cast<HelpEngine>(setting), "HelpEngine in the profile chooses it", why);
    if (version.major < 6)
        return Decide(HELP_ENGINE_WINHELP, "Windows before Vista has WinHelp", why);
    if (!HasNoWinHelp(version)) {
        if (haveChm)
            return Decide(HELP_ENGINE_HTMLHELP,
                          "Windows Vista to 8.1 have only a stub of WinHelp, and the CHM is there",
                          why);
        return Decide(HELP_ENGINE_WINHELP,
                      "Windows Vista to 8.1 without a CHM: WinHelp, if the user installed it",
                      why);
    }
    if (!haveChm)
        return Decide(HELP_ENGINE_OWN_POPUP, "this Windows has no WinHelp, and there is no CHM",
                      why);
    if (!htmlHelpLoads || !htmlHelpLoads())
        return Decide(HELP_ENGINE_OWN_POPUP,
                      "this Windows has no WinHelp, and hhctrl.ocx does not load", why);
    return Decide(HELP_ENGINE_HTMLHELP, "this Windows has no WinHelp, and the CHM is there", why);
}

bool FormatHelpTwinPath(char *out, int capacity, const char *helpFile, const char *extension)
{
    if (capacity <= 0)
        return false;
    out[0] = '\0';
    if (!helpFile)
        return false;
    // The extension is what follows the last dot of the file name proper.
    int length = lstrlenA(helpFile);
    int dot = -1;
    for (int i = length - 1; i >= 0 && helpFile[i] != '\\' && helpFile[i] != '/'; --i) {
        if (helpFile[i] == '.') {
            dot = i;
            break;
        }
    }
    int extensionLength = lstrlenA(extension);
    if (dot < 0 || dot + extensionLength + 1 > capacity)
        return false;
    CopyMemory(out, helpFile, dot);
    CopyMemory(out + dot, extension, extensionLength + 1);
    return true;
}

bool IsExistingFile(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
