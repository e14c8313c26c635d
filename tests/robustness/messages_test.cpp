// A million random messages through the real window procedure, with a shell
// that refuses calls at random, a help engine that re-enters the window and
// changes the registry under the program's feet, and hostile profiles. The
// program must survive all of it and leave no icon, handle, window or timer
// behind.
#include <gtest/gtest.h>

#include "app/monitor.h"
#include "fakes.h"
#include "popup.h"
#include "robust.h"
#include "testing.h"

#include <climits>
#include <random>
#include <string>

namespace {

using namespace robust;

const LONG SPECIAL_CODES[] = {INT_MIN, INT_MAX, 0, 9999, 10000, 10001, 10049, 40021, 40077,
                              -1,      40000,   1, -3,   999,  1000,  INT_MIN + 1};

class RandomMessages : public RobustTest {
protected:

    // Every icon handed to the shell since the last look was valid during
    // the call and is dead now; the calls are forgotten so that a long run
    // keeps no record.
    void CheckIcons(unsigned long message)
    {
        for (const TrayCall &call : fake::trayCalls) {
            if (!call.record.hIcon)
                continue;
            ++iconsSeen;
            if (!call.iconValidDuringCall || IconIsLive(call.record.hIcon)) {
                ADD_FAILURE() << "icon " << call.record.hIcon << " of tray call " << call.message
                              << (call.iconValidDuringCall ? " still alive" : " dead during call")
                              << " after message " << message;
                ++iconFaults;
            }
        }
        fake::trayCalls.clear();
        fake::helpCalls.clear();
    }

    // With nothing pending: the popup closed by its timer, the window count,
    // the handle footprint, the heaps.
    void CheckQuiescent(const char *where)
    {
        SendMessageA(window, WM_TIMER, POPUP_TIMER_ID, 0);
        EXPECT_EQ(windows, ThreadWindowCount()) << where;
        EXPECT_EQ(handles, HandleFootprint()) << where;
        EXPECT_TRUE(HeapsAreValid()) << where;
        EXPECT_TRUE(IsWindow(window)) << where;
    }

    void Send(UINT message, WPARAM wParam, LPARAM lParam)
    {
        SendMessageA(window, message, wParam, lParam);
    }

    void TakeBaseline()
    {
        // Every path once, so that lazily opened system handles are open.
        Send(WM_BIDISTATUS, 1, 40077);
        Send(WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN);
        Send(WM_BIDISTATUS, 0, 5);
        Send(WM_TIMER, POPUP_TIMER_ID, 0);
        PumpMessages(50);
        CheckIcons(0);
        windows = ThreadWindowCount();
        handles = HandleFootprint();
    }

    int windows = 0;
    uintptr_t handles = 0;
    unsigned long iconsSeen = 0;
    unsigned long iconFaults = 0;
};

TEST_F(RandomMessages, AMillionMessagesLeaveNoIconHandleWindowOrTimerBehind)
{
    const unsigned long MESSAGES = 1000000;
    std::mt19937 rng(20261208);
    int helpDepth = 0;
    unsigned long helpRequests = 0;
    unsigned long refreshes = 0;
    unsigned long mutations = 0;
    unsigned long refused = 0;

    TakeBaseline();

    auto randomCode = [&]() -> LONG {
        if (rng() % 5 == 0)
            return SPECIAL_CODES[rng() % (sizeof SPECIAL_CODES / sizeof SPECIAL_CODES[0])];
        return static_cast<LONG>(rng());
    };

    // The registry changes between messages and in the middle of the help
    // sequence: the status data, the help window key, the printer's data.
    auto mutate = [&]() {
        ++mutations;
        switch (rng() % 6) {
        case 0:
            RewriteStatusData(rng, static_cast<int>(rng() % 8));
            break;
        case 1:
            DeleteKeyTree(HKEY_LOCAL_MACHINE, STATUS_DATA);
            break;
        case 2:
            DeleteKeyTree(HKEY_LOCAL_MACHINE, HELP_WINDOW);
            break;
        case 3:
            SetRaw(DRIVER_DATA, rng() % 2 ? "DrvlibIntl" : "DrvlibIntl=Robust", RandomValue(rng));
            break;
        case 4:
            DeleteKeyTree(HKEY_LOCAL_MACHINE, PRINTER_KEY);
            break;
        default:
            WriteFullConfiguration(static_cast<int>(rng() % 40) - 5);
        }
    };

    fake::trayFilter = [&](const TrayCall &) {
        if (rng() % 2000 == 0)
            mutate();
        bool accept = rng() % 5 != 0;
        if (!accept)
            ++refused;
        return accept;
    };
    fake::onHelp = [&](const HelpCall &call) {
        if (call.command == HELP_CONTEXTPOPUP)
            popup::Show();
        unsigned roll = rng() % 100;
        if (roll < 5) {
            mutate();
        } else if (roll < 8 && helpDepth < 2) {
            // The help engine's sent messages reach the window mid-sequence.
            ++helpDepth;
            ++helpRequests;
            Send(WM_BIDISTATUS, 1, static_cast<LPARAM>(randomCode()));
            --helpDepth;
        } else if (roll < 9) {
            Send(WM_TIMER, POPUP_TIMER_ID, 0);
        } else if (roll < 10 && helpDepth < 2) {
            ++helpDepth;
            ++refreshes;
            Send(WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDOWN);
            --helpDepth;
        }
    };
    onHelpWindowCreate = [&]() {
        if (rng() % 20 == 0)
            mutate();
    };

    const Profile profiles[] = {Profile::Full, Profile::Huge, Profile::Garbage, Profile::Empty,
                                Profile::Missing};
    for (unsigned long i = 1; i <= MESSAGES; ++i) {
        // The shell goes away for a stretch and comes back; profiles change
        // between stretches.
        if (i % 100000 == 0) {
            WriteProfile(profiles[(i / 100000) % 5], static_cast<int>(rng() % 30) - 5);
            CheckQuiescent(("after message " + std::to_string(i)).c_str());
        }
        fake::shellRefuses = (i / 50000) % 7 == 3;

        unsigned kind = rng() % 10;
        if (kind < 8) {
            // Help on only now and then: the help path is costly, and the
            // point of most messages is the icon, tooltip and repeat rules.
            WPARAM help = 0;
            if (rng() % 300 == 0) {
                help = rng() % 2 ? 1 : static_cast<WPARAM>(rng() | 1);
                ++helpRequests;
            }
            Send(WM_BIDISTATUS, help, static_cast<LPARAM>(randomCode()));
        } else if (kind < 9) {
            static const UINT mice[] = {WM_MOUSEMOVE, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                                        WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN,
                                        WM_MBUTTONUP, 0, 0xFFFFFFFFu, WM_LBUTTONDOWN};
            UINT mouse = rng() % 4 ? static_cast<UINT>(rng()) : mice[rng() % 10];
            // A left click runs the stored status with help: keep those rare.
            if (mouse == WM_LBUTTONDOWN && rng() % 4 != 0)
                mouse = WM_MOUSEMOVE;
            if (mouse == WM_LBUTTONDOWN)
                ++refreshes;
            // A right click would end the monitor: not part of this run.
            if (mouse == WM_RBUTTONDOWN)
                mouse = WM_RBUTTONUP;
            Send(WM_TRAYNOTIFY, static_cast<WPARAM>(rng()), static_cast<LPARAM>(mouse));
        } else {
            static const WPARAM ids[] = {0, 1, POPUP_TIMER_ID, 3, 100, 0xFFFFFFFFu};
            WPARAM id = rng() % 2 ? ids[rng() % 6] : static_cast<WPARAM>(rng());
            Send(WM_TIMER, id, static_cast<LPARAM>(rng()));
        }
        CheckIcons(i);
        if (iconFaults > 10)
            FAIL() << "giving up after " << iconFaults << " icon faults";
        if (i % 1000 == 0)
            PumpMessages(0);  // lets real popup timers fire
    }

    fake::trayFilter = nullptr;
    onHelpWindowCreate = nullptr;
    fake::shellRefuses = false;
    WriteFullConfiguration();
    CheckQuiescent("at the end");
    EXPECT_GT(iconsSeen, 10000ul);
    EXPECT_GT(helpRequests, 2000ul);
    EXPECT_GT(refreshes, 300ul);
    EXPECT_GT(refused, 10000ul);
    std::printf("%lu messages: %lu icons handed to the shell, %lu help requests, %lu refreshes, "
                "%lu registry changes, %lu refused tray calls\n",
                MESSAGES, iconsSeen, helpRequests, refreshes, mutations, refused);

    // The popup timer stops itself when it fires: nothing keeps waking the
    // window afterwards.
    Send(WM_BIDISTATUS, 1, 40021);
    Send(WM_BIDISTATUS, 1, 40077);
    PumpMessages(200);
    MSG pending;
    EXPECT_FALSE(PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_NOREMOVE))
        << "a timer still runs";
    PumpMessages(100);
    EXPECT_FALSE(PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_NOREMOVE))
        << "a timer still runs";
    CheckIcons(MESSAGES + 1);
}

TEST_F(RandomMessages, TheHelpWindowKeyHoldsExactlyWhatTheStatusDataHeld)
{
    std::mt19937 rng(7);
    TakeBaseline();
    unsigned long copies = 0;
    for (int round = 0; round < 400; ++round) {
        // Most rounds copy in peace; some are disturbed in the middle of
        // the copy, and the next peaceful copy must be exact again.
        bool disturbed = round % 5 == 4;
        RewriteStatusData(rng, static_cast<int>(rng() % 12));
        std::map<std::string, RawValue> statusData;
        ReadAllValues(STATUS_DATA, &statusData);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, HELP_WINDOW);
        onHelpWindowCreate = disturbed ? std::function<void()>([&]() {
            if (rng() % 3 == 0)
                RewriteStatusData(rng, static_cast<int>(rng() % 12));
            else if (rng() % 2)
                DeleteKeyTree(HKEY_LOCAL_MACHINE, STATUS_DATA);
        })
                                       : nullptr;
        if (rng() % 2)
            WriteFullProfile(rng() % 2 ? 0 : 20);
        fake::helpCalls.clear();
        Send(WM_BIDISTATUS, 1, round % 2 ? 40021 : 40077);
        onHelpWindowCreate = nullptr;
        bool shown = false;
        for (const HelpCall &call : fake::helpCalls)
            shown = shown || call.command == HELP_CONTEXTPOPUP || call.command == HELP_CONTEXT;
        ASSERT_TRUE(shown) << "round " << round;
        if (disturbed)
            continue;
        ++copies;
        std::string differences = CompareHelpWindow(ExpectedCopy(statusData));
        EXPECT_EQ("", differences) << "round " << round;
        CheckIcons(round);
    }
    EXPECT_GT(copies, 300ul);
    CheckQuiescent("after the copies");
}

}  // namespace
