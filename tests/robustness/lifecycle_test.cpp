// The window's whole life under fire: created with hostile configuration,
// driven with random messages, and ended at random points, also from inside
// a tray or help call (a WM_CLOSE sent by another process arrives while the
// program waits in the shell or the help engine). Whatever the moment, the
// dead window must leave no icon in the tray and nothing else behind.
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

class Lifecycle : public MonitorWindowTest {
protected:
    void SetUp() override
    {
        ResetMonitor();
        PrepareFullConfiguration();
        // One life first, so that lazily opened system handles are open.
        Live(nullptr);
        windows = ThreadWindowCount();
        handles = HandleFootprint();
    }

    void TearDown() override
    {
        onHelpWindowCreate = nullptr;
        MonitorWindowTest::TearDown();
        RemoveEverything();
    }

    // Creates the window, runs `body` on it, and makes sure it is gone.
    HWND Live(const std::function<void(HWND)> &body)
    {
        g_currentStatus = 0;
        g_popupWindow = NULL;
        HWND window = CreateMonitorWindow(g_hInstance);
        EXPECT_NE(nullptr, window);
        if (body)
            body(window);
        if (IsWindow(window))
            SendMessageA(window, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_RBUTTONDOWN);
        MSG quit;
        while (PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        popup::Reset();
        fake::trayFilter = nullptr;
        fake::onHelp = nullptr;
        return window;
    }

    void ExpectGone(HWND window, const std::string &where, bool countHandles = true)
    {
        EXPECT_FALSE(IsWindow(window)) << where;
        EXPECT_FALSE(fake::TrayHasIcon(window, TRAY_ICON_ID)) << "icon of a dead window, " << where;
        for (const TrayCall &call : fake::trayCalls) {
            if (call.record.hIcon) {
                EXPECT_FALSE(IconIsLive(call.record.hIcon)) << where;
            }
        }
        fake::trayCalls.clear();
        fake::helpCalls.clear();
        EXPECT_EQ(windows, ThreadWindowCount()) << where;
        if (countHandles) {
            EXPECT_EQ(handles, HandleFootprint()) << where;
        }
    }

    int windows = 0;
    uintptr_t handles = 0;
};

TEST_F(Lifecycle, ACloseDuringTheIconCallLeavesNoIconForTheDeadWindow)
{
    // The taskbar was restarted and lost the icon, so the icon change falls
    // back to adding it; while the shell handles the change, the window is
    // closed from outside.
    HWND window = Live([](HWND window) {
        fake::ShellLosesIcons();
        bool closed = false;
        fake::trayFilter = [window, &closed](const TrayCall &call) {
            if (!closed && call.message == NIM_MODIFY && (call.record.uFlags & NIF_ICON)) {
                closed = true;
                SendMessageA(window, WM_CLOSE, 0, 0);
            }
            return true;
        };
        SendMessageA(window, WM_BIDISTATUS, 0, g_currentStatus == 40021 ? 40077 : 40021);
        EXPECT_TRUE(closed);
    });
    ExpectGone(window, "closed during the icon change");
}

TEST_F(Lifecycle, TwoHundredLivesEndedAtRandomMoments)
{
    std::mt19937 rng(424242);
    const LONG codes[] = {INT_MIN, INT_MAX, 0, 9999, 10000, 10001, 10049, 40021, 40077, 5};
    for (int life = 0; life < 200; ++life) {
        std::string where = "life " + std::to_string(life);
        WriteFullConfiguration(static_cast<int>(rng() % 30) - 5);
        if (rng() % 4 == 0)
            RewriteStatusData(rng, static_cast<int>(rng() % 6));
        if (rng() % 8 == 0)
            fake::ShellLosesIcons();
        fake::shellRefuses = rng() % 10 == 0;
        unsigned ending = rng() % 5;  // 0 message, 1 close, 2 in a tray call, 3 in help, 4 end
        HWND window = Live([&](HWND window) {
            fake::shellRefuses = false;
            bool ended = false;
            auto end = [&]() {
                if (ended)
                    return;
                ended = true;
                if (rng() % 2)
                    SendMessageA(window, WM_CLOSE, 0, 0);
                else
                    SendMessageA(window, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_RBUTTONDOWN);
            };
            // The shell refuses at random, but never the delete: a refused
            // delete would leave the icon for reasons outside the program.
            // Ends come only inside changes: the stand-in answers an add
            // after the filter, so an end inside it would put the delete
            // before the add, where the real shell's queue keeps it after.
            fake::trayFilter = [&](const TrayCall &call) {
                if (call.message == NIM_DELETE)
                    return true;
                if (ending == 2 && call.message == NIM_MODIFY && rng() % 30 == 0)
                    end();
                return rng() % 4 != 0;
            };
            fake::onHelp = [&](const HelpCall &call) {
                if (call.command == HELP_CONTEXTPOPUP)
                    popup::Show();
                if (ending == 3 && rng() % 3 == 0)
                    end();
            };
            int messages = static_cast<int>(rng() % 100);
            for (int i = 0; i < messages && IsWindow(window); ++i) {
                if ((ending == 0 || ending == 1) && rng() % 50 == 0) {
                    if (ending == 0)
                        SendMessageA(window, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_RBUTTONDOWN);
                    else
                        SendMessageA(window, WM_CLOSE, 0, 0);
                    break;
                }
                switch (rng() % 4) {
                case 0:
                    SendMessageA(window, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDOWN);
                    break;
                case 1:
                    SendMessageA(window, WM_TIMER, POPUP_TIMER_ID, 0);
                    break;
                default:
                    SendMessageA(window, WM_BIDISTATUS, rng() % 3 == 0,
                                 static_cast<LPARAM>(codes[rng() % 10]));
                }
            }
        });
        // Leaked handles add up, so counting every tenth life finds them.
        ExpectGone(window, where + ", ending " + std::to_string(ending), life % 10 == 9);
        if (HasFailure())
            break;
    }
}

}  // namespace
