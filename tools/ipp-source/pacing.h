// When the watcher asks the printer next: one plain function of what it
// knows and of a random draw, so that the whole rule reads (and is tested)
// in one place.
//
// Many desktops may watch one print server, so the printer sets the pace:
// no sooner than its notify-get-interval, jittered so that machines started
// together do not ask together, and never under a floor. Only a reason on
// this machine (a job of ours in the queue, an error that appeared a moment
// ago and whose clearing the user waits for) makes it ask fast, and
// failures back off.
#ifndef DADAVIZI_IPP_PACING_H
#define DADAVIZI_IPP_PACING_H

#include <windows.h>

// Normal pace: never sooner than this after the previous request.
const DWORD PACE_FLOOR_MS = 10000;
// Fast pace: 1 to 2 seconds.
const DWORD PACE_FAST_MS = 1000;
// How long a new error keeps the pace fast.
const DWORD PACE_FAST_AFTER_ERROR_MS = 5 * 60 * 1000;
// Failures: from 2 s, doubling, to 300 s, jittered over the whole range,
// and never less than a second.
const DWORD PACE_BACKOFF_FIRST_MS = 2000;
const DWORD PACE_BACKOFF_LAST_MS = 300000;
const DWORD PACE_BACKOFF_LEAST_MS = 1000;
// PollSeconds when the profile names none.
const long PACE_POLL_SECONDS = 60;
// The largest draw.
const unsigned PACE_DRAW_MAX = 65535;
// "No new error seen".
const DWORD PACE_NEVER = 0xFFFFFFFF;

struct Pacing {
    int failures;          // consecutive failed requests
    bool localJob;         // this machine's queue holds a job for the printer
    DWORD sinceNewError;   // ms since a new error appeared; PACE_NEVER: none
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
