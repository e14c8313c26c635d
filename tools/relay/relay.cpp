// The session relay's watch over the status data key.
//
// The registry tells of a change only once per arming, so each watch is
// armed again after it fired, on this thread (a registration ends with the
// thread that made it). Nothing polls: idle, the relay waits with no
// timeout, and the only timed wait is the short one for a writer to settle.
#include "tools/relay/relay.h"

#include "app/shared.h"
#include "app/text.h"
#include "registry/reg_key_reader.h"
#include "registry/settings.h"
#include "tools/common/report.h"

namespace {

// A key that is open for watching; a handle to a deleted key answers every
// call with ERROR_KEY_DELETED until it is closed.
bool KeyAlive(HKEY key)
{
    return RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
                            NULL) == ERROR_SUCCESS;
}

LONG Arm(const KeyWatch &watch)
{
    return RegNotifyChangeKeyValue(watch.key, FALSE, watch.filter, watch.event, TRUE);
}

void CloseWatch(KeyWatch *watch)
{
    if (watch->key)
        RegCloseKey(watch->key);
    watch->key = NULL;
    watch->path[0] = '\0';
    // Closing a key ends its registration, which may signal the event.
    ResetEvent(watch->event);
}

// Cuts the last component off `path`; false when there is none left.
bool ParentPath(char *path)
{
    int cut = lstrlenA(path);
    while (cut > 0 && path[cut - 1] != '\\')
        --cut;
    if (cut == 0)
        return false;
    path[cut - 1] = '\0';
    return path[0] != '\0';
}

// Opens `wanted`, or while it is missing the nearest key above it that
// exists; the latter is watched for new sub-keys, so that the relay steps
// down as the keys appear.
bool OpenNearest(KeyWatch *watch, const char *wanted, DWORD filter)
{
    lstrcpynA(watch->path, wanted, sizeof watch->path);
    watch->filter = filter;
    for (;;) {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, watch->path, 0, KEY_NOTIFY | KEY_QUERY_VALUE,
                          &watch->key) == ERROR_SUCCESS)
            return true;
        watch->key = NULL;
        watch->filter = REG_NOTIFY_CHANGE_NAME;
        if (!ParentPath(watch->path))
            break;
    }
    // Nothing of the path exists: HKEY_LOCAL_MACHINE itself is watched.
    watch->path[0] = '\0';
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NULL, 0, KEY_NOTIFY | KEY_QUERY_VALUE, &watch->key) ==
        ERROR_SUCCESS)
        return true;
    watch->key = NULL;
    return false;
}

}  // namespace

bool ReadStoredCode(const char *path, LONG *code)
{
    if (!path || !path[0])
        return false;
    RegKeyReader status(HKEY_LOCAL_MACHINE, path);
    const char *text = status.ReadValue("Code");
    if (!text)
        return false;
    *code = ParseDecimal(text);
    return true;
}

StatusRelay::StatusRelay()
    : known_(false), knownCode_(0), pending_(false), firstChange_(0), lastChange_(0)
{
    for (int index = 0; index < WATCH_COUNT; ++index) {
        watches_[index].key = NULL;
        watches_[index].event = NULL;
        watches_[index].filter = 0;
        watches_[index].path[0] = '\0';
        watches_[index].wanted[0] = '\0';
        events_[index] = NULL;
    }
}

StatusRelay::~StatusRelay()
{
    for (int index = 0; index < WATCH_COUNT; ++index) {
        if (watches_[index].key)
            RegCloseKey(watches_[index].key);
        if (watches_[index].event)
            CloseHandle(watches_[index].event);
    }
}

bool StatusRelay::Start()
{
    for (int index = 0; index < WATCH_COUNT; ++index) {
        watches_[index].event = CreateEventA(NULL, TRUE, FALSE, NULL);
        if (!watches_[index].event)
            return false;
        events_[index] = watches_[index].event;
    }
    bool fired[WATCH_COUNT] = {true, true, true};
    Follow(fired);
    // What is stored now the monitor reads itself when it starts.
    known_ = ReadStoredCode(StatusKey(), &knownCode_);
    pending_ = false;
    return true;
}

// Brings one watch to the key it should follow. A watch that did not fire
// and still follows the same key is left armed: arming it again would pile
// up registrations on it.
void StatusRelay::Watch(int which, const char *wanted, DWORD filter, bool fired)
{
    KeyWatch &watch = watches_[which];
    bool sameTarget = watch.key && lstrcmpiA(watch.wanted, wanted) == 0;
    if (sameTarget && !fired && KeyAlive(watch.key))
        return;
    // The key itself fired: armed again on the same handle. A key above a
    // missing one that fired is looked at anew, to step down.
    if (sameTarget && fired && watch.filter == filter && Arm(watch) == ERROR_SUCCESS)
        return;
    // Otherwise (ERROR_KEY_DELETED among them: the key went, maybe to be
    // made again) the key is opened anew.
    CloseWatch(&watch);
    lstrcpynA(watch.wanted, wanted, sizeof watch.wanted);
    if (!wanted[0])
        return;
    // A key deleted between its opening and its arming is looked for again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!OpenNearest(&watch, wanted, filter))
            return;
        if (Arm(watch) == ERROR_SUCCESS)
            return;
        CloseWatch(&watch);
    }
}

// Re-arms what fired and follows the keys to where they are now: the
// settings first, since "Monitor" names the status data key.
void StatusRelay::Follow(bool *fired)
{
    Watch(SETTINGS, SETTINGS_KEY, REG_NOTIFY_CHANGE_LAST_SET, fired[SETTINGS]);

    char wanted[256] = "";
    if (ReadMonitorSetting("Monitor")[0]) {
        const char *path = StatusDataKeyPath();
        if (path)
            lstrcpynA(wanted, path, sizeof wanted);
    }
    Watch(STATUS, wanted, REG_NOTIFY_CHANGE_LAST_SET, fired[STATUS]);

    // The key's own registration does not tell that the key was deleted;
    // its parent's list of sub-keys does.
    char parent[256] = "";
    if (StatusKey()) {
        lstrcpynA(parent, wanted, sizeof parent);
        if (!ParentPath(parent))
            parent[0] = '\0';
    }
    Watch(STATUS_PARENT, parent, REG_NOTIFY_CHANGE_NAME, fired[STATUS_PARENT]);
}

// The status data key while it exists and is watched itself; NULL while
// only a key above it is.
const char *StatusRelay::StatusKey() const
{
    const KeyWatch &watch = watches_[STATUS];
    return watch.key && watch.filter == REG_NOTIFY_CHANGE_LAST_SET ? watch.path : NULL;
}

DWORD StatusRelay::WaitMilliseconds() const
{
    if (!pending_)
        return INFINITE;
    DWORD now = GetTickCount();
    DWORD quiet = now - lastChange_;
    DWORD waited = now - firstChange_;
    if (quiet >= RELAY_SETTLE_MS || waited >= RELAY_SETTLE_MAX_MS)
        return 0;
    DWORD untilQuiet = RELAY_SETTLE_MS - quiet;
    DWORD untilLimit = RELAY_SETTLE_MAX_MS - waited;
    return untilQuiet < untilLimit ? untilQuiet : untilLimit;
}

// The writer has settled: "Code" is read once more, and only a new code is
// told. Codes below 10000 are taken by the monitor every time they come, so
// a write that leaves the code as it was must not show it twice.
void StatusRelay::Settle()
{
    pending_ = false;
    LONG code;
    if (!ReadStoredCode(StatusKey(), &code) || (known_ && code == knownCode_))
        return;
    known_ = true;
    knownCode_ = code;
    // The driver's section may keep the relay from asking for help. Without
    // a monitor nothing is sent: it reads the stored code when it starts.
    bool help = ReadProfileInt(ReadMonitorSetting("Driver"), RELAY_HELP_KEY, 1) != 0;
    char why[REPORT_WHY_SIZE];
    SendToMonitor(code, help, why);
}

int StatusRelay::Run(unsigned long *wakeUps)
{
    for (;;) {
        DWORD result =
            MsgWaitForMultipleObjects(WATCH_COUNT, events_, FALSE, WaitMilliseconds(), QS_ALLINPUT);
        if (wakeUps)
            ++*wakeUps;
        if (result == WAIT_TIMEOUT) {
            Settle();
        } else if (result < WAIT_OBJECT_0 + WATCH_COUNT) {
            bool fired[WATCH_COUNT];
            for (int index = 0; index < WATCH_COUNT; ++index) {
                fired[index] = WaitForSingleObject(events_[index], 0) == WAIT_OBJECT_0;
                if (fired[index])
                    ResetEvent(events_[index]);
            }
            Follow(fired);
            DWORD now = GetTickCount();
            if (!pending_)
                firstChange_ = now;
            lastChange_ = now;
            pending_ = true;
        } else if (result == WAIT_FAILED) {
            // Not expected with valid handles; waiting on messages alone
            // keeps the relay answering WM_CLOSE rather than spinning.
            WaitMessage();
        }
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return static_cast<int>(message.wParam);
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
