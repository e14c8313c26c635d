// The pacing rule; see pacing.h.
#include "tools/ipp-source/pacing.h"

namespace {

// `lowest` + draw * (`highest` - `lowest`) / PACE_DRAW_MAX, without overflow.
DWORD Between(DWORD lowest, DWORD highest, unsigned draw)
{
    if (draw > PACE_DRAW_MAX)
        draw = PACE_DRAW_MAX;
    unsigned long long span = highest > lowest ? highest - lowest : 0;
    return lowest + (DWORD)(span * draw / PACE_DRAW_MAX);
}

DWORD SecondsMs(long seconds)
{
    // A day at most: anything longer is a typing error, not a wish.
    if (seconds > 86400)
        seconds = 86400;
    return (DWORD)seconds * 1000;
}

}  // namespace

DWORD PaceMs(const Pacing &pacing)
{
    bool fast = pacing.localJob || pacing.sinceLocalJob < PACE_FAST_AFTER_JOB_MS;
    if (pacing.failures > 0) {
        DWORD cap = PACE_BACKOFF_FIRST_MS;
        for (int failure = 1; failure < pacing.failures && cap < PACE_BACKOFF_LAST_MS; ++failure)
            cap *= 2;
        if (cap > PACE_BACKOFF_LAST_MS)
            cap = PACE_BACKOFF_LAST_MS;
        // Someone at this machine waits for the printer: it is not left
        // minutes behind once it answers again, however long it was away.
        if (fast && cap > PACE_BACKOFF_FAST_LAST_MS)
            cap = PACE_BACKOFF_FAST_LAST_MS;
        if (!pacing.reported && pacing.untilUnreachable == 0 && cap > PACE_DECIDE_MS)
            cap = PACE_DECIDE_MS;
        DWORD wait = Between(0, cap, pacing.draw);
        if (wait < PACE_BACKOFF_LEAST_MS)
            wait = PACE_BACKOFF_LEAST_MS;
        // The request that may decide "not reachable" goes out when the
        // failures have lasted long enough, not a back-off later.
        if (!pacing.reported && pacing.untilUnreachable != PACE_NEVER &&
            pacing.untilUnreachable > 0 && wait > pacing.untilUnreachable)
            wait = pacing.untilUnreachable < PACE_BACKOFF_LEAST_MS ? PACE_BACKOFF_LEAST_MS
                                                                   : pacing.untilUnreachable;
        return wait;
    }
    if (fast)
        return Between(PACE_FAST_MS, 2 * PACE_FAST_MS, pacing.draw);

    // The profile's own interval is taken as given: whoever set it knows the
    // printer is not shared.
    if (pacing.intervalSetting > 0) {
        DWORD base = SecondsMs(pacing.intervalSetting);
        return Between(base - base / 5, base + base / 5, pacing.draw);
    }
    // A printer that holds Get-Notifications paces itself: the next one
    // goes out as soon as the floor allows.
    if (pacing.held)
        return PACE_FLOOR_MS;
    long seconds =
        pacing.printerInterval > pacing.idleInterval ? pacing.printerInterval : pacing.idleInterval;
    DWORD base;
    DWORD floor = PACE_FLOOR_MS;
    if (seconds > 0) {
        base = SecondsMs(seconds);
    } else {
        base = SecondsMs(pacing.pollSeconds > 0 ? pacing.pollSeconds : PACE_POLL_SECONDS);
        // PollSeconds is the profile's own choice too.
        floor = PACE_FAST_MS;
    }
    DWORD wait = Between(base - base / 5, base + base / 5, pacing.draw);
    return wait < floor ? floor : wait;
}

unsigned NextDraw(unsigned long *seed)
{
    // A linear congruential generator (the constants of Numerical Recipes);
    // its upper bits are good enough for jitter.
    *seed = *seed * 1664525ul + 1013904223ul;
    return (unsigned)((*seed >> 16) & PACE_DRAW_MAX);
}
