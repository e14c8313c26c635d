// The resident watch of one printer: an explicit state, the one time at
// which it asks the printer next, and the subscription it holds (at most
// one). Each step sends one request; the pacing rule (pacing.h) sets the
// time of the next.
#ifndef DADAVIZI_IPP_WATCHER_H
#define DADAVIZI_IPP_WATCHER_H

#include <windows.h>

#include "tools/ipp-source/local_queue.h"
#include "tools/ipp-source/operations.h"
#include "tools/ipp-source/pacing.h"
#include "tools/ipp-source/reporting.h"

// What the watcher asks next.
enum WatchState {
    WATCH_SUBSCRIBE,  // Create-Printer-Subscriptions
    WATCH_QUERY,      // Get-Printer-Attributes: after an event, after a failure, or as the
                      // poll of a watcher without subscription
    WATCH_NOTIFY,     // Get-Notifications, or Renew-Subscription when the lease is half gone
};

// The [IppStatus] settings of the watch.
struct WatchSettings {
    long pollSeconds;         // PollSeconds: polling a printer that gives no interval (60)
    long intervalSeconds;     // IntervalSeconds: instead of the printer's interval (0: none)
    long unreachableSeconds;  // UnreachableSeconds: failures last this long before "not
                              // reachable" is reported (60)
    bool subscribe;           // Subscribe: 1 yes, 0 poll; default: yes for a printer, no
                              // for a print server's queue (/printers/, /classes/)
};

// Reads them from the profile, bounded; `uri` decides the default of Subscribe.
void ReadWatchSettings(const PrinterUri &uri, WatchSettings *settings);

// The lease asked for, in seconds. A new subscription first gets a short
// one, lengthened once Get-Notifications has worked: where the policy lets
// anyone subscribe but only a login pull (or cancel), the one it leaves
// behind lapses within a minute.
const long WATCH_LEASE_SECONDS = 900;
const long WATCH_TRIAL_LEASE_SECONDS = 60;
// How long the cancel of the subscription may take once the source stops:
// it ends within 5 seconds of being told to.
const DWORD WATCH_CANCEL_MS = 3000;
// Failures in a row before the printer may be reported as not reachable.
const int WATCH_UNREACHABLE_FAILURES = 3;

class Watcher {
public:
    // Reports and warnings go to `sink`, which must outlive the watcher.
    Watcher(HttpClient &http, const PrinterUri &uri, const WatchSettings &settings,
            ReportSink &sink, DWORD now);

    // Watches until `stop` is signalled, which also ends a request under
    // way; `resumed` (may be NULL, an auto-reset event) is signalled when the
    // machine wakes from sleep, which ends a request under way too and asks
    // again; `jobs` (may be NULL) tells this machine's jobs for the printer,
    // where it has an event. Cancels the subscription at the end, within
    // WATCH_CANCEL_MS.
    void Run(HANDLE stop, HANDLE resumed, LocalJobSource *jobs);

    // The request the state calls for, sent at `now`; sets the next state and time.
    void Step(DWORD now);
    // The machine woke: failures so far do not count, and the printer is
    // asked now. A request under way (a held Get-Notifications) ends with
    // the wake.
    void Resume(DWORD now);
    // Cancels the subscription, if any.
    void Finish();
    // This machine's queue holds (or no longer holds) a job for the
    // printer, since `now`: a new job is looked for within the fast pace.
    void LocalJob(bool localJob, DWORD now);

    WatchState State() const { return state_; }
    // When the next request goes out (GetTickCount time).
    DWORD NextRequest() const;
    long Subscription() const { return subscription_; }

private:
    Watcher(const Watcher &);
    Watcher &operator=(const Watcher &);

    void Querying(DWORD now);
    void Subscribing(DWORD now);
    void Notifying(DWORD now);
    void Renewing(DWORD now);
    void PulledOnce(DWORD now);
    // The printer no longer knows the subscription.
    void Lost(DWORD now);
    // A pull or a renewal that did not succeed: the subscription is lost,
    // left to lapse where this client may not use it, or the request failed.
    void NotAnswered(Outcome result, DWORD now);
    // After an answer: the reachable printer, and the next request by the pacing rule.
    void Succeeded(DWORD now);
    void Failed(Outcome result, DWORD now);
    // The policy or the server refuses subscriptions: poll for one lease.
    void PollForALease(DWORD now, bool say);
    // Anyone may subscribe but only a login may pull or cancel: the
    // subscription is left to lapse with its lease, and the printer polled.
    void LeaveToLapse(DWORD now);
    void PaceFrom(DWORD now);
    bool WantsSubscription(DWORD now) const;
    void Report();
    void SayOnce(const char *text);

    WatchSettings settings_;
    ReportSink &sink_;
    IppExchange exchange_;
    WatchState state_;
    DWORD next_;         // the one time the next request goes out
    long subscription_;  // -1: none
    long leaseSeconds_;
    DWORD renewAt_;
    bool trial_;  // the short first lease: renewed once a pull has worked
    DWORD subscribedAt_;
    long sequence_;
    bool pollingUntil_;  // subscriptions refused: none before subscribeAt_
    DWORD subscribeAt_;
    int failures_;
    DWORD reachableSince_;  // the last success or resume
    bool held_;
    long printerInterval_;
    long idleInterval_;
    bool localJob_;
    bool hadJob_;       // this machine's queue held a job since the start
    DWORD lastJobAt_;   // when it last did
    bool unreachable_;  // "not reachable" (for whatever reason) was reported last
    unsigned long seed_;
    char why_[600];
    char said_[600];
    StatusReport report_;
    Published published_;
};

// Watches the printer on this thread with the profile's settings until
// `stop` is signalled; see Watcher::Run.
void WatchPrinter(HttpClient &http, const PrinterUri &uri, ReportSink &sink, LocalJobSource *jobs,
                  HANDLE stop, HANDLE resumed = NULL);

#endif
