// The session relay's watch: it follows the status data key and tells the
// monitor of its own session about each new code, for status sources that
// write the key but cannot reach the monitor's window (a part of the print
// spooler or a service, which run in session 0 from Windows Vista on).
#ifndef DADAVIZI_TOOLS_RELAY_H
#define DADAVIZI_TOOLS_RELAY_H

#include <windows.h>

// RELAY_WINDOW_NAME, the relay's one-per-session marker, which the
// package's closer sends WM_CLOSE to.
#include "tools/common/resident.h"

// The profile key in the driver's section that keeps the relay from asking
// for help (RelayHelp=0); help is asked for by default.
#define RELAY_HELP_KEY "RelayHelp"

// How long the writer must have been quiet before the code is read, and how
// long a writer that never stops may delay it.
const DWORD RELAY_SETTLE_MS = 300;
const DWORD RELAY_SETTLE_MAX_MS = 1000;

// One registry key watched for changes: the key wanted, or while it is
// missing the nearest key above it that exists, watched for new sub-keys.
struct KeyWatch {
    HKEY key;         // NULL while nothing is watched
    HANDLE event;     // manual-reset; signalled by the registry
    DWORD filter;     // REG_NOTIFY_CHANGE_* the key is armed with
    char wanted[256]; // the key to follow, under HKEY_LOCAL_MACHINE
    char path[256];   // the key that is open: `wanted` or one above it
};

class StatusRelay {
public:
    StatusRelay();
    ~StatusRelay();
    StatusRelay(const StatusRelay &) = delete;
    StatusRelay &operator=(const StatusRelay &) = delete;

    // Arms the watches and takes the stored code as known: nothing is sent
    // for it. False when the events cannot be made.
    bool Start();

    // Waits for changes and relays them, dispatching this thread's messages,
    // until WM_QUIT; returns its exit code. `wakeUps`, when given, counts
    // each return from the wait (the benchmark's idle figure).
    int Run(unsigned long *wakeUps);

private:
    enum { SETTINGS, STATUS, STATUS_PARENT, WATCH_COUNT };

    void Follow(bool *fired);
    void Watch(int which, const char *wanted, DWORD filter, bool fired);
    void Settle();
    DWORD WaitMilliseconds() const;
    const char *StatusKey() const;

    KeyWatch watches_[WATCH_COUNT];
    HANDLE events_[WATCH_COUNT];
    bool known_;      // a code has been seen
    LONG knownCode_;
    bool pending_;    // a change waits for the writer to settle
    DWORD firstChange_;
    DWORD lastChange_;
};

// The code stored in the status data key at `path`; false when there is none.
bool ReadStoredCode(const char *path, LONG *code);

#endif
