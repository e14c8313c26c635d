// A printer that honours Event Wait Mode: it holds Get-Notifications and
// streams each event as one more part of a multipart/related answer. The
// watcher, stepped by hand, takes each event as it arrives, leaves when the
// printer ends the mode, and asks again when a held answer stays silent.
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

// The operation group of a Get-Notifications answer; `interval` > 0 names
// notify-get-interval, which ends Event Wait Mode.
std::string Operation(long interval)
{
    Message message(0);
    message.Group(0x01).Value(0x47, "attributes-charset", "utf-8");
    if (interval > 0)
        message.Integer(0x21, "notify-get-interval", interval);
    return message.End().bytes;
}

// An event group alone, without a message header, as a later part may be.
std::string EventPart(long sequence)
{
    Message message(0);
    message.Group(0x07).Integer(0x21, "notify-sequence-number", sequence).End();
    return message.bytes.substr(8);
}

class Streaming : public ::testing::Test {
protected:
    void SetUp() override
    {
        install.WriteSettings();
        install.UseProfile("");
        release = CreateEventA(NULL, TRUE, FALSE, NULL);
    }
    void TearDown() override
    {
        SetEvent(release);  // lets a held answer go
        printer.reset();
        CloseHandle(release);
    }

    // A printer whose Get-Notifications answer streams what `next` gives,
    // and a watcher subscribed to it, about to ask Get-Notifications.
    void Start(long lease, std::function<bool(std::string *)> next)
    {
        printer.reset(new ScriptedPrinter([=](int operation) {
            Reply reply;
            if (operation == ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS) {
                reply.body = Message(0)
                                 .Group(0x01)
                                 .Value(0x47, "attributes-charset", "utf-8")
                                 .Group(0x06)
                                 .Integer(0x21, "notify-subscription-id", 9)
                                 .Integer(0x21, "notify-lease-duration", lease)
                                 .End()
                                 .bytes;
            } else if (operation == ipp::OP_GET_NOTIFICATIONS) {
                reply.body = Operation(-1);
                reply.more = next;
            } else {
                reply.body = PrinterAnswer(3, "none").bytes;
            }
            return reply;
        }));
        ASSERT_TRUE(ParsePrinterUri(printer->Uri().c_str(), &uri));
        WatchSettings settings;
        ReadWatchSettings(uri, &settings);
        watcher.reset(new Watcher(http, uri, settings, MonitorReports(), 1000));
        watcher->Step(1000);  // subscribe
        watcher->Step(1000);  // the state
        ASSERT_EQ(WATCH_NOTIFY, watcher->State());
        ASSERT_EQ(1000u, watcher->NextRequest());
    }

    // Waits up to `ms` for `release` on the printer's thread: false when
    // the test let go of it first.
    bool Hold(DWORD ms) { return WaitForSingleObject(release, ms) == WAIT_TIMEOUT; }

    // The watcher's request at 1000, and how long it took in ms.
    DWORD TimedStep()
    {
        DWORD began = GetTickCount();
        watcher->Step(1000);
        return GetTickCount() - began;
    }

    std::string StoredText(const char *name) const
    {
        std::string data = StoredValue(install.statusKey, name);
        if (!data.empty() && data.back() == '\0')
            data.pop_back();
        return data;
    }

    Installation install{"Streaming"};
    HttpClient http{HttpOptions()};
    PrinterUri uri;
    HANDLE release = NULL;
    std::unique_ptr<ScriptedPrinter> printer;
    std::unique_ptr<Watcher> watcher;
};

TEST_F(Streaming, EachEventIsTakenAsItArrivesOnTheOpenAnswer)
{
    int sent = 0;
    Start(900, [&](std::string *part) {
        // A second later, one event; then silence for as long as the test lets.
        if (sent++ == 0 && Hold(1000)) {
            *part = EventPart(3);
            return true;
        }
        Hold(30000);
        return false;
    });
    DWORD took = TimedStep();
    // The event came a second after the request, on an answer that stays open.
    EXPECT_GE(took, 500u);
    EXPECT_LT(took, 10000u) << "waited for the end of the answer";
    EXPECT_EQ(WATCH_QUERY, watcher->State()) << "the event asks for the state";
    SetEvent(release);  // the printer answers one connection at a time
    EXPECT_EQ(1000u, watcher->NextRequest());
    watcher->Step(1000);
    EXPECT_EQ(2, printer->Count(ipp::OP_GET_PRINTER_ATTRIBUTES));
    EXPECT_EQ(WATCH_NOTIFY, watcher->State());
}

TEST_F(Streaming, WhenThePrinterEndsTheModeTheWatcherLeavesAndWaitsItsInterval)
{
    Start(900, [&](std::string *part) {
        static int calls = 0;
        if (calls++ % 2 == 0 && Hold(500)) {
            *part = Operation(30);  // a part that ends Event Wait Mode
            return true;
        }
        Hold(30000);  // the printer would keep the connection: the watcher must not
        return false;
    });
    EXPECT_LT(TimedStep(), 10000u) << "stayed on after the printer ended the mode";
    EXPECT_EQ(WATCH_NOTIFY, watcher->State());
    DWORD wait = watcher->NextRequest() - 1000;
    EXPECT_GE(wait, 24 * S);
    EXPECT_LE(wait, 36 * S);
}

TEST_F(Streaming, AHeldAnswerSilentForHalfTheLeaseIsAskedAgainNotAnOutage)
{
    // A lease of 4 s: the watcher waits 2 s on a silent answer.
    Start(4, [&](std::string *) {
        Hold(30000);
        return false;
    });
    DWORD took = TimedStep();
    EXPECT_GE(took, 1500u);
    EXPECT_LT(took, 20000u);
    // Still subscribed and asking Get-Notifications (a failure would go back
    // to querying the state), and nothing reported.
    EXPECT_EQ(WATCH_NOTIFY, watcher->State());
    EXPECT_EQ(9, watcher->Subscription());
    EXPECT_EQ("10001", StoredText("Code")) << "no outage was reported";
}

DWORD WINAPI WakeASecondLater(void *event)
{
    Sleep(1000);
    SetEvent(static_cast<HANDLE>(event));
    return 0;
}

TEST_F(Streaming, WakingFromSleepEndsAHeldAnswerAndAsksAgain)
{
    Start(900, [&](std::string *) {
        Hold(30000);
        return false;
    });
    HANDLE resumed = CreateEventA(NULL, FALSE, FALSE, NULL);
    http.WakeOn(resumed);
    // The machine wakes a second into the held answer, as WM_POWERBROADCAST
    // tells it on the program's window.
    HANDLE waker = CreateThread(NULL, 0, WakeASecondLater, resumed, 0, NULL);
    DWORD began = GetTickCount();
    watcher->Step(5000);
    DWORD took = GetTickCount() - began;
    http.WakeOn(NULL);
    WaitForSingleObject(waker, 5000);
    CloseHandle(waker);
    CloseHandle(resumed);
    EXPECT_GE(took, 500u);
    EXPECT_LT(took, 10000u) << "the held answer went on";
    EXPECT_EQ(WATCH_QUERY, watcher->State()) << "the printer is asked anew";
    EXPECT_EQ(5000u, watcher->NextRequest()) << "at once";
    SetEvent(release);
}

}  // namespace
