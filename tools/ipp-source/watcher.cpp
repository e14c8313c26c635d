// The resident watch; see watcher.h.
#include "tools/ipp-source/watcher.h"

#include <string.h>
#include <wchar.h>

#include "tools/ipp-source/status.h"

namespace {

// Whether GetTickCount time `at` has come by `now` (across the 49.7-day wrap).
bool Due(DWORD at, DWORD now)
{
    return (LONG)(now - at) >= 0;
}

long ProfileNumber(const char *key, long fallback, long least, long most)
{
    long value = ProfileCodeLookup(key, (int)fallback);
    return value < least ? least : value > most ? most : value;
}

// A print server's queue, which many clients share, rather than a printer.
bool IsServerQueue(const PrinterUri &uri)
{
    return wcsncmp(uri.path, L"/printers/", 10) == 0 || wcsncmp(uri.path, L"/classes/", 9) == 0;
}

}  // namespace

void ReadWatchSettings(const PrinterUri &uri, WatchSettings *settings)
{
    settings->pollSeconds = ProfileNumber("PollSeconds", PACE_POLL_SECONDS, 1, 3600);
    settings->intervalSeconds = ProfileNumber("IntervalSeconds", 0, 0, 3600);
    settings->unreachableSeconds = ProfileNumber("UnreachableSeconds", 60, 0, 3600);
    long subscribe = ProfileNumber("Subscribe", -1, -1, 1);
    settings->subscribe = subscribe < 0 ? !IsServerQueue(uri) : subscribe == 1;
}

Watcher::Watcher(HttpClient &http, const PrinterUri &uri, const WatchSettings &settings,
                 ReportSink &sink, DWORD now)
    : settings_(settings), sink_(sink), state_(settings.subscribe ? WATCH_SUBSCRIBE : WATCH_QUERY),
      next_(now), subscription_(-1), leaseSeconds_(WATCH_LEASE_SECONDS), renewAt_(now),
      trial_(false), subscribedAt_(now), sequence_(1), pollingUntil_(false), subscribeAt_(now),
      failures_(0), reachableSince_(now), held_(false), printerInterval_(-1), idleInterval_(-1),
      localJob_(false), hadJob_(false), lastJobAt_(now), unreachable_(false),
      seed_(now ^ (GetCurrentProcessId() << 16))
{
    BeginExchange(&exchange_, http, uri);
    why_[0] = '\0';
    said_[0] = '\0';
    memset(&report_, 0, sizeof report_);
    memset(&published_, 0, sizeof published_);
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    seed_ ^= time.dwLowDateTime;
}

DWORD Watcher::NextRequest() const
{
    if (state_ == WATCH_NOTIFY && subscription_ > 0 && (LONG)(renewAt_ - next_) < 0)
        return renewAt_;
    return next_;
}

void Watcher::Step(DWORD now)
{
    if (state_ == WATCH_SUBSCRIBE)
        Subscribing(now);
    else if (state_ == WATCH_NOTIFY && subscription_ > 0 && Due(renewAt_, now))
        Renewing(now);
    else if (state_ == WATCH_NOTIFY && subscription_ > 0)
        Notifying(now);
    else
        Querying(now);
}

void Watcher::Resume(DWORD now)
{
    failures_ = 0;
    reachableSince_ = now;
    if (state_ != WATCH_SUBSCRIBE)
        state_ = WATCH_QUERY;  // the printer may have changed while this machine slept
    next_ = now;
}

void Watcher::LocalJob(bool localJob, DWORD now)
{
    bool started = localJob && !localJob_;
    if (localJob || localJob_) {
        hadJob_ = true;
        lastJobAt_ = now;
    }
    localJob_ = localJob;
    if (started && (LONG)(next_ - (now + 2 * PACE_FAST_MS)) > 0)
        next_ = now + PACE_FAST_MS;
}

void Watcher::SayOnce(const char *text)
{
    if (lstrcmpA(text, said_) == 0)
        return;
    sink_.Warn(text);
    lstrcpynA(said_, text, sizeof said_);
}

void Watcher::PaceFrom(DWORD now)
{
    Pacing pacing;
    pacing.failures = failures_;
    pacing.localJob = localJob_;
    pacing.sinceLocalJob = PACE_NEVER;
    if (hadJob_ && now - lastJobAt_ < PACE_FAST_AFTER_JOB_MS)
        pacing.sinceLocalJob = now - lastJobAt_;
    else
        hadJob_ = false;  // and so stays apart from the tick count's wrap
    pacing.reported = unreachable_;
    pacing.untilUnreachable = PACE_NEVER;
    if (failures_ > 0 && !unreachable_) {
        DWORD enough = (DWORD)settings_.unreachableSeconds * 1000;
        DWORD lasted = now - reachableSince_;
        pacing.untilUnreachable = lasted >= enough ? 0 : enough - lasted;
    }
    pacing.held = held_ && subscription_ > 0;
    pacing.printerInterval = printerInterval_;
    pacing.idleInterval = idleInterval_;
    pacing.intervalSetting = settings_.intervalSeconds;
    pacing.pollSeconds = settings_.pollSeconds;
    pacing.draw = NextDraw(&seed_);
    next_ = now + PaceMs(pacing);
}

bool Watcher::WantsSubscription(DWORD now) const
{
    return settings_.subscribe && subscription_ <= 0 && (!pollingUntil_ || Due(subscribeAt_, now));
}

void Watcher::Succeeded(DWORD now)
{
    failures_ = 0;
    unreachable_ = false;
    reachableSince_ = now;
    said_[0] = '\0';
}

void Watcher::Failed(Outcome result, DWORD now)
{
    if (result == OUTCOME_STOPPED)
        return;  // the source is ending, the printer is no worse
    if (result == OUTCOME_WOKEN) {
        Resume(now);
        return;
    }
    ++failures_;
    SayOnce(why_);
    // One failure is no outage: a laptop waking or changing networks fails
    // a request or two. Only failures that go on are reported. A changed
    // certificate does not pass: the person at the printer learns it at
    // once, and it stays what is shown. TLS that Windows does not accept
    // does not pass either, but it may be a moment's trouble: it is told
    // once it has lasted as long as an outage, and says why.
    bool lasting = failures_ >= WATCH_UNREACHABLE_FAILURES &&
                   now - reachableSince_ >= (DWORD)settings_.unreachableSeconds * 1000;
    if (result == OUTCOME_UNTRUSTED) {
        MapUnreachable(exchange_.uri->uri, ProfileCodeLookup, &report_);
        lstrcpynA(report_.text, "Printer certificate changed", sizeof report_.text);
        sink_.Publish(report_, &published_);
        unreachable_ = true;
    } else if (result == OUTCOME_TLS_FAILED && lasting) {
        MapUnreachable(exchange_.uri->uri, ProfileCodeLookup, &report_);
        report_.help = false;
        wsprintfA(report_.text, "The printer's TLS was not accepted (%.200s)",
                  exchange_.http->TlsWhy());
        sink_.Publish(report_, &published_);
        unreachable_ = true;
    } else if (!Refused(result) && result != OUTCOME_TLS_FAILED && lasting) {
        MapUnreachable(exchange_.uri->uri, ProfileCodeLookup, &report_);
        sink_.Publish(report_, &published_);
        unreachable_ = true;
    }
    state_ = WATCH_QUERY;
    PaceFrom(now);
}

void Watcher::PollForALease(DWORD now, bool say)
{
    if (say) {
        char line[800];
        long lease = leaseSeconds_ > WATCH_LEASE_SECONDS ? leaseSeconds_ : WATCH_LEASE_SECONDS;
        wsprintfA(line,
                  "no notifications from this printer (%.500s): polling, and asking again "
                  "in %ld minutes",
                  why_, lease / 60);
        SayOnce(line);
    }
    pollingUntil_ = true;
    long lease = leaseSeconds_ > WATCH_LEASE_SECONDS ? leaseSeconds_ : WATCH_LEASE_SECONDS;
    subscribeAt_ = now + (DWORD)lease * 1000;
}

// The stock "authenticated" policy of CUPS: the same policy refuses
// Cancel, so no new subscription is made before this one has lapsed.
void Watcher::LeaveToLapse(DWORD now)
{
    Succeeded(now);
    subscription_ = -1;
    PollForALease(now, true);
    state_ = WATCH_QUERY;
    PaceFrom(now);
}

void Watcher::Report()
{
    MapPrinterStatus(exchange_.status, exchange_.uri->uri, ProfileCodeLookup, &report_);
    sink_.Publish(report_, &published_);
}

void Watcher::Querying(DWORD now)
{
    Outcome result = QueryPrinter(&exchange_, why_, sizeof why_);
    if (result != OUTCOME_DONE) {
        Failed(result, now);
        return;
    }
    Succeeded(now);
    Report();
    if (WantsSubscription(now)) {
        state_ = WATCH_SUBSCRIBE;
        next_ = now;
        return;
    }
    state_ = subscription_ > 0 ? WATCH_NOTIFY : WATCH_QUERY;
    PaceFrom(now);
    // The first Get-Notifications goes at once: its answer says how the
    // printer wants to be asked (held, or its interval).
    if (state_ == WATCH_NOTIFY && printerInterval_ <= 0 && !held_)
        next_ = now;
}

void Watcher::Subscribing(DWORD now)
{
    if (subscription_ > 0)
        Finish();  // never two at once
    long granted = 0;
    Outcome result = Subscribe(&exchange_, WATCH_TRIAL_LEASE_SECONDS, &subscription_, &granted,
                               why_, sizeof why_);
    if (Refused(result)) {
        subscription_ = -1;
        // A full server is an ordinary state, and says nothing.
        PollForALease(now, result != OUTCOME_TOO_MANY);
        state_ = WATCH_QUERY;
        next_ = now;
        return;
    }
    if (result != OUTCOME_DONE) {
        subscription_ = -1;
        Failed(result, now);
        return;
    }
    Succeeded(now);
    pollingUntil_ = false;
    leaseSeconds_ = granted;
    subscribedAt_ = now;
    renewAt_ = now + (DWORD)granted * 500;
    trial_ = granted < WATCH_LEASE_SECONDS;
    sequence_ = 1;
    held_ = false;
    // What changed before the subscription took hold brings no event.
    state_ = WATCH_QUERY;
    next_ = now;
}

void Watcher::Notifying(DWORD now)
{
    // A held answer may stay silent for half the lease; then it is asked again.
    DWORD waitMs = (DWORD)leaseSeconds_ * 500;
    Outcome result =
        GetNotifications(&exchange_, subscription_, sequence_, waitMs, why_, sizeof why_);
    if (result == OUTCOME_TIMED_OUT) {
        Succeeded(now);
        PulledOnce(now);
        held_ = true;
        PaceFrom(now);
        return;
    }
    if (result != OUTCOME_DONE) {
        NotAnswered(result, now);
        return;
    }
    Succeeded(now);
    PulledOnce(now);
    const ipp::PrinterStatus &answer = exchange_.status;
    // Without notify-get-interval the printer held the request (Event Wait
    // Mode); with it, it asks to be left alone that long.
    held_ = answer.getInterval <= 0;
    if (answer.getInterval > 0) {
        printerInterval_ = answer.getInterval;
        if (printerInterval_ > idleInterval_)
            idleInterval_ = printerInterval_;
    }
    if (answer.events > 0) {
        if (answer.lastSequence >= sequence_)
            sequence_ = answer.lastSequence + 1;
        state_ = WATCH_QUERY;
        next_ = now;
        return;
    }
    PaceFrom(now);
}

void Watcher::Lost(DWORD now)
{
    Succeeded(now);
    subscription_ = -1;
    // The lease lapsed or the printer forgot it: subscribe again, at once,
    // unless it was made only a moment ago. A printer that forgets its
    // subscriptions at once would otherwise be asked without a pause.
    if (now - subscribedAt_ < (DWORD)WATCH_TRIAL_LEASE_SECONDS * 1000) {
        lstrcpynA(why_, "the printer forgot the subscription at once", sizeof why_);
        PollForALease(now, true);
        state_ = WATCH_QUERY;
        PaceFrom(now);
        return;
    }
    state_ = WATCH_SUBSCRIBE;
    next_ = now;
}

void Watcher::PulledOnce(DWORD now)
{
    // The policy lets this client pull: the short first lease is lengthened.
    if (trial_) {
        trial_ = false;
        renewAt_ = now;
    }
}

void Watcher::Renewing(DWORD now)
{
    long granted = 0;
    Outcome result = RenewSubscription(&exchange_, subscription_, WATCH_LEASE_SECONDS, &granted,
                                       why_, sizeof why_);
    if (result == OUTCOME_DONE) {
        Succeeded(now);
        leaseSeconds_ = granted;
        renewAt_ = now + (DWORD)granted * 500;
        PaceFrom(now);
        return;
    }
    NotAnswered(result, now);
}

void Watcher::NotAnswered(Outcome result, DWORD now)
{
    if (result == OUTCOME_NOT_FOUND)
        Lost(now);
    else if (result == OUTCOME_NOT_ALLOWED)
        LeaveToLapse(now);
    else
        Failed(result, now);
}

void Watcher::Finish()
{
    if (subscription_ <= 0)
        return;
    // Leave no subscription behind on the printer until its lease ends.
    CancelSubscription(&exchange_, subscription_, why_, sizeof why_);
    subscription_ = -1;
}
