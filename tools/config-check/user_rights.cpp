// "This user": what this user may write of what the monitor and a status
// source write, creating and changing nothing. See user_rights.h.
#include "tools/config-check/user_rights.h"

#include "app/shared.h"
#include "registry/settings.h"
#include "tools/config-check/check.h"
#include "tools/config-check/check_report.h"

namespace {

// Whether this user can write `path` as its writer opens it (`access`),
// creating and changing nothing: an existing key is opened with that access;
// for a missing one, the nearest existing key above it is opened with
// KEY_CREATE_SUB_KEY, the right that creating it takes.
void CheckWriteAccess(const char *what, const char *path, REGSAM access, const char *lost)
{
    HKEY key;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key);
    if (result == ERROR_SUCCESS) {
        RegCloseKey(key);
        Print("  %s HKLM\\%s: writable\n", what, path);
        return;
    }
    if (result != ERROR_FILE_NOT_FOUND) {
        Missing(CHECK_HELP_SHOWN, "write access to the %s HKLM\\%s (error %ld): %s", what, path,
                result, lost);
        return;
    }
    char parent[256];
    lstrcpynA(parent, path, sizeof parent);
    for (;;) {
        int cut = lstrlenA(parent);
        while (cut > 0 && parent[cut - 1] != '\\')
            --cut;
        parent[cut > 0 ? cut - 1 : 0] = '\0';
        result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent, 0, KEY_CREATE_SUB_KEY, &key);
        if (result == ERROR_SUCCESS) {
            RegCloseKey(key);
            Print("  %s HKLM\\%s: not there yet, can be created under HKLM\\%s\n", what, path,
                  parent);
            return;
        }
        if (result != ERROR_FILE_NOT_FOUND || !parent[0])
            break;
    }
    Missing(CHECK_HELP_SHOWN, "the right to create the %s HKLM\\%s under HKLM\\%s (error %ld): %s",
            what, path, parent, result, lost);
}

// TokenVirtualizationEnabled: a token information class from Windows Vista
// on, newer than these headers; older systems refuse it.
const int TOKEN_VIRTUALIZATION_ENABLED = 24;

}  // namespace

// What this user may write, as the monitor and the status source will run
// for it, and whether this process is virtualized (its writes to HKLM would
// then land in the user's VirtualStore, and the answers above would be wrong).
void CheckThisUser(const char *monitor)
{
    Print("\nThis user\n");
    HANDLE token = NULL;
    DWORD virtualized = 0, size = 0;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
        GetTokenInformation(token, (TOKEN_INFORMATION_CLASS)TOKEN_VIRTUALIZATION_ENABLED,
                            &virtualized, sizeof virtualized, &size))
        Print("  registry virtualization %s\n", virtualized ? "on" : "off");
    else
        Print("  registry virtualization none (this Windows has none)\n");
    if (token)
        CloseHandle(token);
    if (virtualized)
        Missing(CHECK_HELP_SHOWN, "a process without registry virtualization: "
                                  "DadaViziCheck.exe has lost its manifest");

    CheckWriteAccess("help window key", HELP_WINDOW_KEY, KEY_READ | KEY_WRITE,
                     "help without status data");
    const char *path = monitor[0] ? StatusDataKeyPath() : NULL;
    if (path) {
        char statusPath[256];
        lstrcpynA(statusPath, path, sizeof statusPath);
        CheckWriteAccess("status data key", statusPath, KEY_SET_VALUE,
                         "a status source run as this user cannot store a status");
    }
}
