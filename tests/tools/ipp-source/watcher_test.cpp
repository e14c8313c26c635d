// The watcher stepped by hand against a scripted printer: each Step() sends
// one real request, and the test chooses the clock, so a lease, a backoff
// or a minute of failures takes no time. Its state, its next request and
// what reached the printer are checked after each step.
#include "scripted_printer.h"

#include <gtest/gtest.h>

#include "app/shared.h"
#include "installation.h"
#include "testing.h"
#include "tools/ipp-source/watcher.h"

#include <memory>
#include <string>

namespace {

const DWORD S = 1000;

// What the scripted printer answers; changed only between steps.
struct Script {
    int state = 3;
    long getInterval = 60;  // <= 0: left out (the printer holds the request)
    int events = 0;         // event groups in the next Get-Notifications answer
    long sequence = 1;
    int notifyHttp = 200;
    int notifyStatus = 0;
    int subscribeStatus = 0;
    int renewStatus = 0;
    long lease = 1800;
    long nextId = 5;
};

Reply Answer(Script &script, int operation)
{
    Reply reply;
    Message message(0);
    switch (operation) {
    case ipp::OP_GET_PRINTER_ATTRIBUTES:
        reply.body =
            PrinterAnswer(script.state, script.state == 3 ? "none" : "media-jam-error").bytes;
        return reply;
    case ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS:
        message = Message(script.subscribeStatus);
        message.Group(0x01).Value(0x47, "attributes-charset", "utf-8");
        if (script.subscribeStatus == 0)
            message.Group(0x06)
                .Integer(0x21, "notify-subscription-id", script.nextId++)
                .Integer(0x21, "notify-lease-duration", script.lease);
        break;
    case ipp::OP_RENEW_SUBSCRIPTION:
        message = Message(script.renewStatus);
        message.Group(0x01).Value(0x47, "attributes-charset", "utf-8");
        if (script.renewStatus == 0)
            message.Integer(0x21, "notify-lease-duration", script.lease);
        break;
    case ipp::OP_GET_NOTIFICATIONS:
        reply.httpStatus = script.notifyHttp;
        message = Message(script.notifyStatus);
        message.Group(0x01).Value(0x47, "attributes-charset", "utf-8");
        if (script.getInterval > 0)
            message.Integer(0x21, "notify-get-interval", script.getInterval);
        for (; script.events > 0; --script.events)
            message.Group(0x07).Integer(0x21, "notify-sequence-number", script.sequence++);
        break;
    default:
        message = Message(0);
        message.Group(0x01).Value(0x47, "attributes-charset", "utf-8");
        break;
    }
    reply.body = message.End().bytes;
    return reply;
}

class Watching : public ::testing::Test {
protected:
    void SetUp() override
    {
        install.WriteSettings();
        install.UseProfile("");
    }

    // A watcher of `uriText` starting at `start`, with the defaults but for
    // whether it subscribes.
    void Make(const std::string &uriText, bool subscribe, DWORD start)
    {
        ASSERT_TRUE(ParsePrinterUri(uriText.c_str(), &uri));
        WatchSettings settings;
        ReadWatchSettings(uri, &settings);
        settings.subscribe = subscribe;
        watcher.reset(new Watcher(http, uri, settings, MonitorReports(), start));
    }

    // Steps at the watcher's own next request time; the time it stepped at.
    DWORD StepWhenDue()
    {
        DWORD at = watcher->NextRequest();
        watcher->Step(at);
        return at;
    }

    std::string Stored(const char *name) const
    {
        std::string data = StoredValue(install.statusKey, name);
        if (!data.empty() && data.back() == '\0')
            data.pop_back();
        return data;
    }

    Installation install{"Watching"};
    HttpClient http{HttpOptions()};
    PrinterUri uri;
    std::unique_ptr<Watcher> watcher;
};

#define EXPECT_WAIT_BETWEEN(low, high, from)                                                       \
    do {                                                                                           \
        DWORD wait_ = watcher->NextRequest() - (from);                                             \
        EXPECT_GE(wait_, (DWORD)(low));                                                            \
        EXPECT_LE(wait_, (DWORD)(high));                                                           \
    } while (0)

TEST_F(Watching, OneSubscriptionRenewedAtHalfItsLeaseAndPacedByThePrinter)
{
    Script script;
    ScriptedPrinter printer([&](int operation) { return Answer(script, operation); });
    const DWORD start = 5000;
    Make(printer.Uri(), true, start);
    EXPECT_EQ(WATCH_SUBSCRIBE, watcher->State());
    EXPECT_EQ(start, watcher->NextRequest());

    // Subscribe, then ask for the state once: what changed before the
    // subscription took hold brings no event.
    DWORD now = StepWhenDue();
    EXPECT_EQ(5, watcher->Subscription());
    EXPECT_EQ(WATCH_QUERY, watcher->State());
    EXPECT_EQ(now, watcher->NextRequest());
    now = StepWhenDue();
    EXPECT_EQ("10001", Stored("Code"));
    EXPECT_EQ(WATCH_NOTIFY, watcher->State());
    EXPECT_EQ(now, watcher->NextRequest()) << "the first Get-Notifications learns the pace";

    // Nothing happens: the printer's interval, jittered.
    now = StepWhenDue();
    EXPECT_EQ(1, printer.Count(ipp::OP_GET_NOTIFICATIONS));
    EXPECT_WAIT_BETWEEN(48 * S, 72 * S, now);
    now = StepWhenDue();
    EXPECT_WAIT_BETWEEN(48 * S, 72 * S, now);
    script.getInterval = 30;  // busy for others: no reason to ask faster
    now = StepWhenDue();
    EXPECT_WAIT_BETWEEN(48 * S, 72 * S, now);
    script.getInterval = 120;  // from now on the longest it gave is followed
    now = StepWhenDue();
    EXPECT_WAIT_BETWEEN(96 * S, 144 * S, now);
    script.getInterval = 60;

    // An event: the state at once. The error is no job of ours (a jam of a
    // queue the whole floor watches): the idle pace goes on.
    script.events = 1;
    script.state = 4;
    now = StepWhenDue();
    EXPECT_EQ(WATCH_QUERY, watcher->State());
    EXPECT_EQ(now, watcher->NextRequest());
    now = StepWhenDue();
    EXPECT_EQ("40077", Stored("Code"));
    EXPECT_WAIT_BETWEEN(96 * S, 144 * S, now);
    EXPECT_EQ(2, printer.Count(ipp::OP_GET_PRINTER_ATTRIBUTES));

    // Half the granted lease (1800 s) after subscribing: renewed, once.
    EXPECT_EQ(0, printer.Count(ipp::OP_RENEW_SUBSCRIPTION));
    for (int step = 0; step < 600 && printer.Count(ipp::OP_RENEW_SUBSCRIPTION) == 0; ++step)
        now = StepWhenDue();
    EXPECT_EQ(start + 900 * S, now);
    EXPECT_EQ(1, printer.Count(ipp::OP_RENEW_SUBSCRIPTION));
    EXPECT_EQ(1, printer.Count(ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS));
    EXPECT_EQ(5, watcher->Subscription());
    EXPECT_EQ(WATCH_NOTIFY, watcher->State());
    EXPECT_WAIT_BETWEEN(96 * S, 144 * S, now);

    // A job in this machine's queue: asked fast until five minutes after it
    // has gone, so that its jam and the jam's clearing are seen at once.
    watcher->LocalJob(true, now + 5 * S);
    EXPECT_EQ(now + 6 * S, watcher->NextRequest());
    now = StepWhenDue();
    EXPECT_WAIT_BETWEEN(1 * S, 2 * S, now);
    watcher->LocalJob(false, now);
    const DWORD gone = now;
    now = StepWhenDue();
    EXPECT_WAIT_BETWEEN(1 * S, 2 * S, now);
    while (watcher->NextRequest() - gone < 298 * S) {
        now = StepWhenDue();
        EXPECT_WAIT_BETWEEN(1 * S, 2 * S, now);
    }
    while (now - gone < 300 * S)
        now = StepWhenDue();
    EXPECT_WAIT_BETWEEN(96 * S, 144 * S, now);

    // Ended: the subscription is cancelled.
    watcher->Finish();
    EXPECT_EQ(1, printer.Count(ipp::OP_CANCEL_SUBSCRIPTION));
    EXPECT_EQ(-1, watcher->Subscription());
    watcher->Finish();
    EXPECT_EQ(1, printer.Count(ipp::OP_CANCEL_SUBSCRIPTION)) << "only once";
}

TEST_F(Watching, ALostSubscriptionIsReplacedARefusedOneWaitsALease)
{
    Script script;
    script.lease = 600;
    ScriptedPrinter printer([&](int operation) { return Answer(script, operation); });
    Make(printer.Uri(), true, 1000);
    StepWhenDue();
    DWORD now = StepWhenDue();
    ASSERT_EQ(WATCH_NOTIFY, watcher->State());

    // The printer forgot it a while later: subscribe again at once (nothing
    // to cancel).
    now = StepWhenDue();
    now = StepWhenDue();
    now = StepWhenDue();
    script.notifyStatus = ipp::STATUS_NOT_FOUND;
    now = StepWhenDue();
    EXPECT_EQ(WATCH_SUBSCRIBE, watcher->State());
    EXPECT_EQ(now, watcher->NextRequest());
    script.notifyStatus = 0;
    StepWhenDue();
    EXPECT_EQ(6, watcher->Subscription());
    EXPECT_EQ(0, printer.Count(ipp::OP_CANCEL_SUBSCRIPTION));
    StepWhenDue();

    // The policy refuses pulls (HTTP 403): no more subscriptions for a
    // lease; the printer is polled meanwhile.
    script.notifyHttp = 403;
    now = StepWhenDue();
    const DWORD refused = now;
    EXPECT_EQ(-1, watcher->Subscription());
    EXPECT_EQ(WATCH_QUERY, watcher->State());
    EXPECT_WAIT_BETWEEN(48 * S, 72 * S, now);
    script.notifyHttp = 200;
    int subscribed = printer.Count(ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS);
    // One lease as asked for (900 s), though the printer granted 600.
    while ((now = StepWhenDue()) - refused < 900 * S)
        EXPECT_EQ(subscribed, printer.Count(ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS));
    // A lease later, the next poll subscribes again.
    EXPECT_EQ(WATCH_SUBSCRIBE, watcher->State());
    StepWhenDue();
    EXPECT_EQ(7, watcher->Subscription());

    // A full server (too many subscriptions) is ordinary: poll for a lease.
    watcher->Finish();
    Make(printer.Uri(), true, now);
    script.subscribeStatus = ipp::STATUS_TOO_MANY_SUBSCRIPTIONS;
    now = StepWhenDue();
    EXPECT_EQ(-1, watcher->Subscription());
    EXPECT_EQ(WATCH_QUERY, watcher->State());
    subscribed = printer.Count(ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS);
    const DWORD full = now;
    while ((now = StepWhenDue()) - full < 900 * S)
        EXPECT_EQ(subscribed, printer.Count(ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS));
    EXPECT_EQ(WATCH_SUBSCRIBE, watcher->State()) << "the lease asked for (900 s) later";
}

TEST_F(Watching, APrinterThatForgetsItsSubscriptionsAtOnceIsNotAskedWithoutAPause)
{
    Script script;
    script.notifyStatus = ipp::STATUS_NOT_FOUND;
    ScriptedPrinter printer([&](int operation) { return Answer(script, operation); });
    Make(printer.Uri(), true, 1000);
    StepWhenDue();
    StepWhenDue();
    DWORD now = StepWhenDue();  // Get-Notifications: not found
    EXPECT_EQ(WATCH_QUERY, watcher->State());
    EXPECT_EQ(-1, watcher->Subscription());
    EXPECT_WAIT_BETWEEN(48 * S, 72 * S, now);
    for (int step = 0; step < 10; ++step)
        StepWhenDue();
    EXPECT_EQ(1, printer.Count(ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS)) << "polled for a lease";
}

TEST_F(Watching, AShortFirstLeaseIsLengthenedOnceAPullHasWorked)
{
    Script script;
    script.lease = WATCH_TRIAL_LEASE_SECONDS;  // granted as asked
    ScriptedPrinter printer([&](int operation) { return Answer(script, operation); });
    Make(printer.Uri(), true, 1000);
    StepWhenDue();
    StepWhenDue();
    script.lease = WATCH_LEASE_SECONDS;
    DWORD now = StepWhenDue();
    EXPECT_EQ(1, printer.Count(ipp::OP_GET_NOTIFICATIONS));
    EXPECT_EQ(now, watcher->NextRequest()) << "renewed at once";
    StepWhenDue();
    EXPECT_EQ(1, printer.Count(ipp::OP_RENEW_SUBSCRIPTION));
    EXPECT_WAIT_BETWEEN(48 * S, 72 * S, now);
    // The next renewal at half the full lease.
    for (int step = 0; step < 20 && printer.Count(ipp::OP_RENEW_SUBSCRIPTION) == 1; ++step)
        StepWhenDue();
    EXPECT_EQ(2, printer.Count(ipp::OP_RENEW_SUBSCRIPTION));
    EXPECT_EQ(1, printer.Count(ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS));
}

TEST_F(Watching, NotReachableOnlyAfterThreeFailuresOverAMinute)
{
    int port = 0;
    {
        ScriptedPrinter gone([](int) { return Reply(); });
        port = gone.port;
    }
    const DWORD start = 10000;
    Make("ipp://127.0.0.1:" + std::to_string(port) + "/ipp/print", false, start);

    // Failures back off, and never ask again without waiting.
    DWORD now = StepWhenDue();
    EXPECT_WAIT_BETWEEN(1 * S, 2 * S, now);
    now = StepWhenDue();
    EXPECT_WAIT_BETWEEN(1 * S, 4 * S, now);
    now = StepWhenDue();
    EXPECT_EQ("<missing>", Stored("Code")) << "three failures within seconds are no outage";
    watcher->Step(start + 59 * S);
    EXPECT_EQ("<missing>", Stored("Code"));
    watcher->Step(start + 60 * S);
    EXPECT_EQ("40077", Stored("Code"));
    EXPECT_EQ("Printer not reachable", Stored("Text"));

    // Waking from sleep starts the count again.
    install.RemoveKeys();
    install.WriteSettings();
    Make("ipp://127.0.0.1:" + std::to_string(port) + "/ipp/print", false, start);
    watcher->Step(start);
    watcher->Step(start + 30 * S);
    watcher->Resume(start + 59 * S);
    EXPECT_EQ(start + 59 * S, watcher->NextRequest()) << "asked at once";
    for (DWORD second = 60; second <= 110; second += 10)
        watcher->Step(start + second * S);
    EXPECT_EQ("<missing>", Stored("Code")) << "less than a minute since the resume";
    watcher->Step(start + 120 * S);
    EXPECT_EQ("40077", Stored("Code"));
}

TEST_F(Watching, APrintServersQueueIsPolledUnlessTheProfileSaysSubscribe)
{
    PrinterUri printer, queue, aClass;
    ASSERT_TRUE(ParsePrinterUri("ipp://printer/ipp/print", &printer));
    ASSERT_TRUE(ParsePrinterUri("ipp://server:631/printers/laser", &queue));
    ASSERT_TRUE(ParsePrinterUri("ipp://server:631/classes/floor2", &aClass));
    WatchSettings settings;
    ReadWatchSettings(printer, &settings);
    EXPECT_TRUE(settings.subscribe);
    EXPECT_EQ(60, settings.pollSeconds);
    EXPECT_EQ(0, settings.intervalSeconds);
    EXPECT_EQ(60, settings.unreachableSeconds);
    ReadWatchSettings(queue, &settings);
    EXPECT_FALSE(settings.subscribe);
    ReadWatchSettings(aClass, &settings);
    EXPECT_FALSE(settings.subscribe);

    install.UseProfile("[IppStatus]\r\nSubscribe=1\r\nPollSeconds=0\r\nIntervalSeconds=99999\r\n"
                       "UnreachableSeconds=-5\r\n");
    ReadWatchSettings(queue, &settings);
    EXPECT_TRUE(settings.subscribe);
    EXPECT_EQ(1, settings.pollSeconds);
    EXPECT_EQ(3600, settings.intervalSeconds);
    EXPECT_EQ(0, settings.unreachableSeconds);
    install.UseProfile("[IppStatus]\r\nSubscribe=0\r\n");
    ReadWatchSettings(printer, &settings);
    EXPECT_FALSE(settings.subscribe);
}

// A printer that answers by its script until it is switched off, and then
// drops every connection.
struct SwitchedPrinter {
    Script script;
    bool answering = true;
    ScriptedPrinter printer{[this](int operation) {
        Reply gone;
        gone.drop = true;
        return answering ? Answer(script, operation) : gone;
    }};
};

TEST_F(Watching, APrinterAwayWhileOurJobWaitsIsSeenBackWithin20Seconds)
{
    SwitchedPrinter away;
    const DWORD start = 10000;
    Make(away.printer.Uri(), false, start);
    watcher->LocalJob(true, start);
    DWORD now = StepWhenDue();
    EXPECT_EQ("10001", Stored("Code"));
    const DWORD answered = now;

    // Switched off for three minutes: failures back off no further than
    // 15 s, and "not reachable" is told within 30 s of the minute.
    away.answering = false;
    DWORD told = 0;
    while (now - answered < 180 * S) {
        now = StepWhenDue();
        EXPECT_WAIT_BETWEEN(1 * S, 15 * S, now);
        if (!told && Stored("Text") == "Printer not reachable")
            told = now;
    }
    EXPECT_NE(0u, told);
    EXPECT_GE(told - answered, 60 * S);
    EXPECT_LE(told - answered, 90 * S);

    // It answers again, right after the last request failed: seen within
    // 20 s of its first answer.
    away.answering = true;
    EXPECT_LE(watcher->NextRequest() - now, 20 * S);
    StepWhenDue();
    EXPECT_EQ("Ready", Stored("Text"));
}

TEST_F(Watching, WithoutAJobOfOursNotReachableIsToldWithin30SecondsOfTheMinute)
{
    SwitchedPrinter away;
    const DWORD start = 10000;
    Make(away.printer.Uri(), false, start);
    DWORD now = StepWhenDue();
    const DWORD answered = now;
    away.answering = false;
    while (Stored("Text") != "Printer not reachable" && now - answered < 600 * S)
        now = StepWhenDue();
    EXPECT_GE(now - answered, 60 * S);
    EXPECT_LE(now - answered, 90 * S);
}

}  // namespace
