// The resident watch's loop: the one thread that waits for the next
// request, the stop, the wake from sleep and this machine's queue; see
// watcher.h.
#include "tools/ipp-source/wait_set.h"
#include "tools/ipp-source/watcher.h"

namespace {

// Whether GetTickCount time `at` has come by `now` (across the 49.7-day wrap).
bool Due(DWORD at, DWORD now)
{
    return (LONG)(now - at) >= 0;
}

}  // namespace

void Watcher::Run(HANDLE stop, HANDLE resumed, LocalJobSource *jobs)
{
    // A request under way ends with the stop, however long the printer
    // holds it, and with the wake, after which the printer is asked anew.
    exchange_.http->StopOn(stop);
    exchange_.http->WakeOn(resumed);
    bool followed = jobs && jobs->Event();
    if (followed)
        LocalJob(jobs->HoldsAJob(), GetTickCount());
    WaitSet handles(stop);
    DWORD resumedAt = handles.Add(resumed);
    DWORD queueAt = followed ? handles.Add(jobs->Event()) : 0;
    for (;;) {
        DWORD now = GetTickCount();
        DWORD at = NextRequest();
        DWORD woke = handles.Wait(Due(at, now) ? 0 : at - now);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED)
            break;
        if (WaitSet::Is(woke, resumedAt)) {
            Resume(GetTickCount());
            continue;
        }
        if (WaitSet::Is(woke, queueAt)) {
            LocalJob(jobs->Changed(), GetTickCount());
            continue;
        }
        Step(GetTickCount());
        if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0)
            break;
    }
    // The cancel is not stopped, but it is brief: the source has to end soon.
    exchange_.http->StopOn(NULL);
    exchange_.http->WakeOn(NULL);
    exchange_.http->LimitTo(WATCH_CANCEL_MS);
    Finish();
    exchange_.http->LimitTo(0);
}

void WatchPrinter(HttpClient &http, const PrinterUri &uri, ReportSink &sink, LocalJobSource *jobs,
                  HANDLE stop, HANDLE resumed)
{
    WatchSettings settings;
    ReadWatchSettings(uri, &settings);
    // About 90 KB, most of it the answer buffer: well within a thread's stack.
    Watcher watcher(http, uri, settings, sink, GetTickCount());
    watcher.Run(stop, resumed, jobs);
}
