// The status help display when statuses arrive while the help engine has
// the thread, and end to end through the window (fixture in
// status_help_fixture.h).
#include "status_help_fixture.h"

namespace {

// --- Statuses arriving while the help engine has the thread ---
//
// Consistent means: the last status decides icon, tooltip and g_currentStatus;
// g_popupWindow is null or a live popup, the only live one; the timer fires
// once, closes that popup and stops; nothing recurses.

class NestedStatusTest : public StatusHelpTest,
                         public ::testing::WithParamInterface<bool> {
};

TEST_P(NestedStatusTest, AStatusWithHelpDuringThePopupTopicWins)
{
    hookBeforePopup = GetParam();
    bool sent = false;
    duringHelp = [&](const HelpCall &call) {
        if (call.command == HELP_CONTEXTPOPUP && !sent) {
            sent = true;
            Status(40077, 1);
        }
    };
    DWORD start = GetTickCount();
    Status(40021, 1);

    const std::string each = Lines({Position(), Popup(17), Position(), Popup(23)});
    EXPECT_EQ(each, Help()) << "each sequence ran once";
    EXPECT_EQ(40077, g_currentStatus);
    EXPECT_EQ(Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER_STROKE -> TRUE",
                     "NIM_MODIFY NIF_TIP 'Status 40021' -> TRUE",
                     "NIM_MODIFY NIF_ICON IDI_PRINTER_CROSSED -> TRUE",
                     "NIM_MODIFY NIF_TIP 'Status 40077' -> TRUE"}),
              TraySequence(fake::trayCalls, window));

    EXPECT_EQ(1, popup::Live());
    ASSERT_NE(nullptr, g_popupWindow);
    EXPECT_TRUE(IsWindow(g_popupWindow));
    EXPECT_EQ(popup::Shown(), g_popupWindow);

    HWND tracked = g_popupWindow;
    long elapsed = WaitForClose(tracked, start);
    EXPECT_GE(elapsed, 300);
    EXPECT_LE(elapsed, 5000);
    EXPECT_EQ(0, popup::Live());
    EXPECT_EQ(nullptr, g_popupWindow);
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
    EXPECT_EQ(each, Help());
}

TEST_P(NestedStatusTest, AStatusWithoutHelpDuringThePopupTopicKeepsThePopup)
{
    hookBeforePopup = GetParam();
    int topicCalls = 0;
    duringHelp = [&](const HelpCall &call) {
        if (call.command == HELP_CONTEXTPOPUP && !topicCalls++)
            Status(40077, 0);
    };
    DWORD start = GetTickCount();
    Status(40021, 1);

    EXPECT_EQ(Lines({Position(), Popup(17)}), Help());
    EXPECT_EQ(40077, g_currentStatus);
    EXPECT_EQ("Status 40077", LastTip());
    EXPECT_EQ(1, popup::Live());
    EXPECT_EQ(popup::Shown(), g_popupWindow);
    ASSERT_NE(nullptr, g_popupWindow);

    HWND tracked = g_popupWindow;
    long elapsed = WaitForClose(tracked, start);
    EXPECT_GE(elapsed, 300);
    EXPECT_LE(elapsed, 5000);
    EXPECT_EQ(0, popup::Live());
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
}

INSTANTIATE_TEST_SUITE_P(PopupShownFirstOrLast, NestedStatusTest, ::testing::Bool());

TEST_F(StatusHelpTest, TheTopicIsForTheStatusCurrentAfterPositioning)
{
    // From the call on, the first HELP_SETPOPUP_POS brings status `code`.
    int positionCalls = 0;
    auto atFirstPosition = [&](LONG code, WPARAM help) {
        fake::helpCalls.clear();
        positionCalls = 0;
        duringHelp = [&, code, help](const HelpCall &call) {
            if (call.command == HELP_SETPOPUP_POS && !positionCalls++)
                Status(code, help);
        };
    };

    // A status without help arrives while the popups are positioned: the
    // topic shown is the newer status's.
    atFirstPosition(10049, 0);
    Status(40021, 1);
    EXPECT_EQ(Lines({Position(), Popup(3)}), Help());
    EXPECT_EQ(10049, g_currentStatus);
    EXPECT_EQ(popup::Shown(), g_popupWindow);

    // The same with help: both sequences show the newer status's topic.
    atFirstPosition(40077, 1);
    Status(10001, 1);
    EXPECT_EQ(Lines({Position(), Position(), Popup(23), Popup(23)}), Help());
    EXPECT_EQ(40077, g_currentStatus);
    EXPECT_EQ(1, popup::Live());
    EXPECT_EQ(popup::Shown(), g_popupWindow);

    // A newer status without a topic means no topic at all.
    atFirstPosition(5, 0);
    Status(40021, 1);
    EXPECT_EQ(Lines({Position()}), Help());
    EXPECT_EQ(5, g_currentStatus);
}

TEST_F(StatusHelpTest, AStatusWithHelpWhileThePopupClosesKeepsItsTimer)
{
    Status(40021, 1);
    HWND first = g_popupWindow;
    ASSERT_NE(nullptr, first);

    // The popup timer sends WM_CLOSE; meanwhile a status with help arrives
    // and shows a popup of its own, which must be closed by its timer too.
    popup::onClose = [&](HWND) {
        popup::onClose = nullptr;
        Status(40077, 1);
    };
    DWORD start = GetTickCount();
    WaitForClose(first, start);
    EXPECT_EQ(Lines({Position(), Popup(17), Position(), Popup(23)}), Help());
    HWND second = popup::Shown();
    ASSERT_TRUE(second != NULL && second != first);
    EXPECT_EQ(second, g_popupWindow) << "the newer popup is tracked";

    long elapsed = WaitForClose(second, start);
    EXPECT_GE(elapsed, 300) << "the newer popup is closed by a timer, not at once";
    EXPECT_LE(elapsed, 5000);
    EXPECT_EQ(nullptr, g_popupWindow);
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
}

TEST_F(StatusHelpTest, AWindowClosedInsideAHelpCallEndsTheSequence)
{
    // The help engine lets a WM_CLOSE in while it handles a call: nothing
    // more is asked of it, and no popup is tracked or timed for the dead window.
    const UINT closers[] = {HELP_SETPOPUP_POS, HELP_CONTEXTPOPUP};
    for (UINT closer : closers) {
        SCOPED_TRACE(closer);
        if (!IsWindow(window))
            CreateMonitor();
        fake::helpCalls.clear();
        duringHelp = [&](const HelpCall &call) {
            if (call.command == closer)
                SendMessageA(call.window, WM_CLOSE, 0, 0);
        };
        Status(closer == HELP_SETPOPUP_POS ? 40021 : 40077, 1);
        EXPECT_FALSE(IsWindow(window));
        if (closer == HELP_SETPOPUP_POS)
            EXPECT_EQ(Lines({Position()}), Help());
        else
            EXPECT_EQ(Lines({Position(), Popup(23)}), Help());
        EXPECT_EQ(nullptr, g_popupWindow);
    }
}

TEST_F(StatusHelpTest, AStatusWithHelpWhileTheWindowEndsShowsNoHelp)
{
    fake::onTray = [this](const TrayCall &call) {
        if (call.message == NIM_DELETE)
            Status(40021, 1);
    };
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ("", Help());
}

// --- End to end through the window ---

TEST_F(StatusHelpTest, TheTypicalEventAndALeftClickShowingItAgain)
{
    UseProfile("[HelpMap]\r\n40000=17\r\n[LASER]\r\nOther=1\r\n");  // 3000 ms popups
    install.SetStatus("Code", "40021");
    DWORD start = GetTickCount();
    Status(40021, 1);

    const std::string tray = Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER_STROKE -> TRUE",
                                    "NIM_MODIFY NIF_TIP 'Status 40021' -> TRUE"});
    EXPECT_EQ(tray, TraySequence(TakeTrayCalls(), window));
    EXPECT_EQ(Lines({Position(), Popup(17)}), Help());
    EXPECT_EQ("DOZID049.HLP", install.helpFile.substr(install.helpFile.size() - 12));
    EXPECT_EQ(Sz("40021"), HelpValue("Code"));
    EXPECT_EQ(Sz("Paper jam"), HelpValue("Text"));

    HWND first = g_popupWindow;
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(popup::Shown(), first);
    long elapsed = WaitForClose(first, start, 15000);
    EXPECT_GE(elapsed, 2000) << "TimeCloseWindow is 3000 when missing";
    EXPECT_LE(elapsed, 10000);
    EXPECT_EQ(nullptr, g_popupWindow);

    // The same status again is ignored; a left click shows it once more.
    Status(40021, 1);
    EXPECT_EQ(2u, fake::helpCalls.size());
    Click(WM_LBUTTONDOWN);
    EXPECT_EQ(Lines({Position(), Popup(17), Position(), Popup(17)}), Help());
    EXPECT_EQ(40021, g_currentStatus);
    EXPECT_EQ(tray, TraySequence(TakeTrayCalls(), window));
    EXPECT_EQ(popup::Shown(), g_popupWindow);
    EXPECT_TRUE(IsWindow(g_popupWindow));
    EXPECT_NE(first, g_popupWindow);
}

}  // namespace
