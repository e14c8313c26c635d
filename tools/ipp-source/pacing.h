// When the watcher asks the printer next: one plain function of what it
// knows and of a random draw, so that the whole rule reads (and is tested)
// in one place.
//
// Many desktops may watch one print server, so the printer sets the pace:
// no sooner than its notify-get-interval, jittered so that machines started
// together do not ask together, and never under a floor. Only a reason on
// this machine makes it ask fast: a job of ours in the queue, or one a few
// minutes ago, whose jam and its clearing the user at the printer waits
// for. A printer's error alone does not: a server's queue that jams is
// watched by every desktop of the floor, and all of them asking fast would
// load the server when it is in trouble. Failures back off.
#ifndef DADAVIZI_IPP_PACING_H
#define DADAVIZI_IPP_PACING_H

#include <windows.h>

// Normal pace: never sooner than this after the previous request.
const DWORD PACE_FLOOR_MS = 10000;
// Fast pace: 1 to 2 seconds.
const DWORD PACE_FAST_MS = 1000;
// How long after this machine's last job the pace stays fast.
const DWORD PACE_FAST_AFTER_JOB_MS = 5 * 60 * 1000;
// Failures: from 2 s, doubling, to 300 s, jittered over the whole range,
// and never less than a second.
const DWORD PACE_BACKOFF_FIRST_MS = 2000;
const DWORD PACE_BACKOFF_LAST_MS = 300000;
const DWORD PACE_BACKOFF_LEAST_MS = 1000;
// While the pace is fast (a job of this machine), failures back off no
// further than this, before "not reachable" and after it: with a connect
// timeout of 5 s, a printer that answers again is seen within 20 s.
const DWORD PACE_BACKOFF_FAST_LAST_MS = 15000;
// Once the failures have lasted long enough to report "not reachable",
// it is decided within this, not at the next paced request.
const DWORD PACE_DECIDE_MS = 30000;
// PollSeconds when the profile names none.
const long PACE_POLL_SECONDS = 60;
// The largest draw.
const unsigned PACE_DRAW_MAX = 65535;
// "Never" (no job of this machine seen) and "not waited for" (no failure,
// or "not reachable" reported already).
const DWORD PACE_NEVER = 0xFFFFFFFF;

struct Pacing {
    int failures;          // consecutive failed requests
    bool localJob;         // this machine's queue holds a job for the printer
    DWORD sinceLocalJob;   // ms since it last held one; PACE_NEVER: not since the start
    bool reported;         // "not reachable" is what the monitor was told last
    DWORD untilUnreachable;  // ms until the failures have lasted long enough for "not
                             // reachable" (0: they have); PACE_NEVER: no failure, or
                             // reported already
    bool held;             // the printer held the last Get-Notifications (notify-wait)
    long printerInterval;  // the printer's notify-get-interval, seconds; <= 0: none
    long idleInterval;     // the longest interval it gave; a busy printer's shorter
                           // one is not followed, it is busy for others
    long intervalSetting;  // [IppStatus] IntervalSeconds; <= 0: the printer's
    long pollSeconds;      // [IppStatus] PollSeconds, for a printer that gives none
    unsigned draw;         // uniform in 0..PACE_DRAW_MAX
};

// Milliseconds from the start of the previous request to the next one.
DWORD PaceMs(const Pacing &pacing);

// A draw for the jitter: a small generator of the watcher's own, seeded from
// the clock and the process, so that machines started together differ.
unsigned NextDraw(unsigned long *seed);

#endif
