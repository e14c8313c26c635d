// Writing the status data and sending the status, for the status sources.
#include "tools/common/report.h"

#include "app/shared.h"
#include "registry/settings.h"

namespace {

// The monitor answers once it has handled the status, help call included;
// a help engine that has to start first may take a while.
const UINT ANSWER_TIMEOUT = 30000;  // milliseconds

void Say(char *why, const char *text)
{
    lstrcpynA(why, text, REPORT_WHY_SIZE);
}

// Under Windows Vista and later a standard user may not write HKLM unless
// the installation granted it; the tools are not virtualized (their
// manifests), so the refusal comes back here and is said plainly, with what
// to grant.
int WriteFailed(LONG result, bool creating, const char *path, char *why)
{
    if (result == ERROR_ACCESS_DENIED)
        wsprintfA(why,
                  "access denied to HKLM\\%.255s\r\n"
                  "  This user needs \"Set Value\" on that key%s. An administrator grants it\r\n"
                  "  (see INSTALL.txt, \"Permissions\"), or runs this program elevated.",
                  path,
                  creating ? ", and \"Create Subkey\" on the key above it\r\n  while it does not exist"
                           : "");  // at most 520 characters
    else
        wsprintfA(why, "%s HKLM\\%.255s (error %ld)",
                  creating ? "cannot create or open" : "cannot write the status data in", path,
                  (long)result);
    return REPORT_WRITE_FAILED;
}

}  // namespace

StatusDataWriter::StatusDataWriter() : key_(NULL), failure_(ERROR_SUCCESS)
{
    path_[0] = '\0';
}

StatusDataWriter::~StatusDataWriter()
{
    if (key_)
        RegCloseKey(key_);
}

int StatusDataWriter::Open(char *why)
{
    // The monitor's own accessors: an empty or missing "Monitor" and a path
    // too long for the monitor both mean there is no status data key.
    if (!ReadMonitorSetting("Monitor")[0]) {
        Say(why, "no value \"Monitor\" in HKLM\\" SETTINGS_KEY);
        return REPORT_NO_SETTINGS;
    }
    const char *path = StatusDataKeyPath();
    if (!path) {
        Say(why, "the value \"Monitor\" is too long");
        return REPORT_NO_SETTINGS;
    }
    lstrcpynA(path_, path, sizeof path_);
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path_, 0, NULL, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, NULL, &key_, NULL);
    if (result != ERROR_SUCCESS) {
        key_ = NULL;
        return WriteFailed(result, true, path_, why);
    }
    return REPORT_DONE;
}

void StatusDataWriter::Set(const char *name, const char *text)
{
    if (key_ && failure_ == ERROR_SUCCESS)
        failure_ = RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                                  (DWORD)lstrlenA(text) + 1);
}

int StatusDataWriter::Finish(LONG code, char *why)
{
    // The details went first, so that whoever sees the new code sees its details.
    char text[16];
    wsprintfA(text, "%ld", (long)code);  // at most 11 characters
    Set("Code", text);
    if (key_) {
        RegCloseKey(key_);
        key_ = NULL;
    }
    if (failure_ != ERROR_SUCCESS)
        return WriteFailed(failure_, false, path_, why);
    return REPORT_DONE;
}

int SendToMonitor(LONG code, bool help, char *why)
{
    HWND window = FindWindowA(MONITOR_WINDOW_NAME, MONITOR_WINDOW_NAME);
    if (!window) {
        Say(why, "no monitor is running (no window \"" MONITOR_WINDOW_NAME "\")");
        return REPORT_NO_MONITOR;
    }
    DWORD_PTR answer = 0;
    SetLastError(ERROR_SUCCESS);
    if (SendMessageTimeoutA(window, WM_BIDISTATUS, help ? 1 : 0, (LPARAM)code,
                            SMTO_NORMAL | SMTO_ABORTIFHUNG, ANSWER_TIMEOUT, &answer))
        return REPORT_DONE;
    // User-interface privilege isolation (Vista and later) drops messages to
    // a process of higher integrity and reports that as access denied.
    if (GetLastError() == ERROR_ACCESS_DENIED)
        Say(why, "Windows kept the status from the monitor: the monitor runs with higher rights "
                 "(as administrator) than this program. Start the monitor as this user, or run "
                 "this program the same way.");
    else
        Say(why, "the monitor did not answer");
    return REPORT_NO_ANSWER;
}
