// The status dispatcher, driven with real messages on a real window; the
// shell and help engine are observed at their entry points.
#include "app/monitor.h"
#include "monitor_test.h"
#include "popup.h"
#include "sequence.h"
#include "testing.h"

#include <string>

namespace {

class DispatcherTest : public MonitorWindowTest {
protected:
    std::string Tray() { return TraySequence(TakeTrayCalls(), window); }
};

std::string Tip(LONG code)
{
    return "NIM_MODIFY NIF_TIP 'Status " + std::to_string(code) + "' -> TRUE";
}

TEST_F(DispatcherTest, CreationAddsThePrinterIconWithTheDefaultTip)
{
    std::vector<TrayCall> calls = TakeTrayCalls();
    EXPECT_EQ(Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER -> FALSE",
                     "NIM_ADD NIF_MESSAGE|NIF_ICON|NIF_TIP WM_TRAYNOTIFY IDI_PRINTER "
                     "'Printer Status' -> TRUE",
                     "NIM_SETVERSION NOTIFYICON_VERSION -> TRUE"}),
              TraySequence(calls, window));
    ASSERT_EQ(3u, calls.size());
    EXPECT_FALSE(IconIsLive(calls[1].record.hIcon)) << "destroyed after the shell took it";
    EXPECT_EQ(0, g_currentStatus);
}

TEST_F(DispatcherTest, TheIconTableSwitchesOnlyItsFourCodes)
{
    TakeTrayCalls();
    const struct {
        LONG code;
        const char *icon;
    } table[] = {{10001, "IDI_PRINTER"},
                 {40021, "IDI_PRINTER_STROKE"},
                 {10049, "IDI_PRINTER"},
                 {40077, "IDI_PRINTER_CROSSED"}};
    for (const auto &row : table) {
        Status(row.code);
        std::vector<TrayCall> calls = TakeTrayCalls();
        EXPECT_EQ(Lines({std::string("NIM_MODIFY NIF_ICON ") + row.icon + " -> TRUE", Tip(row.code)}),
                  TraySequence(calls, window));
        ASSERT_FALSE(calls.empty());
        EXPECT_FALSE(IconIsLive(calls[0].record.hIcon)) << "destroyed after the shell took it";
        EXPECT_EQ(row.code, g_currentStatus);
    }

    const LONG unlisted[] = {10000, 10002, 40020, 40078, 0, 5, 99999};
    for (LONG code : unlisted) {
        Status(code);
        EXPECT_EQ(Lines({Tip(code)}), Tray()) << code;
    }
}

TEST_F(DispatcherTest, RepeatsAtOrAboveTheThresholdAreIgnored)
{
    TakeTrayCalls();
    g_popupWindow = popup::Open();
    Status(40021);
    EXPECT_EQ(2u, TakeTrayCalls().size());
    EXPECT_EQ(1, popup::ClosesInAll());

    g_popupWindow = popup::Open();
    Status(40021, 1);
    EXPECT_EQ("", Tray());
    EXPECT_EQ(1, popup::ClosesInAll()) << "an ignored status closes no popup";
    EXPECT_NE(nullptr, g_popupWindow);

    Status(STATUS_REPEAT_THRESHOLD);
    EXPECT_EQ(1u, TakeTrayCalls().size());
    Status(STATUS_REPEAT_THRESHOLD);
    EXPECT_EQ("", Tray()) << "the threshold itself counts as high";
    EXPECT_EQ(STATUS_REPEAT_THRESHOLD, g_currentStatus);
}

TEST_F(DispatcherTest, CodesBelowTheThresholdAreTakenEveryTime)
{
    TakeTrayCalls();
    const LONG codes[] = {5, 5, 9999, 9999, -3, -3, LONG(0x80000000)};
    for (LONG code : codes) {
        g_popupWindow = popup::Open();
        int closesBefore = popup::ClosesInAll();
        Status(code);
        EXPECT_EQ(Lines({Tip(code)}), Tray()) << code;
        EXPECT_EQ(closesBefore + 1, popup::ClosesInAll()) << code;
        EXPECT_EQ(nullptr, g_popupWindow);
        EXPECT_EQ(code, g_currentStatus);
    }
}

TEST_F(DispatcherTest, ShowHelpFlagIsAnyNonZeroWParamAndNoHelpWithout)
{
    Status(40021, 0);
    EXPECT_TRUE(fake::helpCalls.empty());
    Status(40077, 0x100);  // no help file is configured, so still nothing is shown
    EXPECT_TRUE(fake::helpCalls.empty());
    EXPECT_EQ(40077, g_currentStatus);
}

TEST_F(DispatcherTest, PopupTimerClosesTheTrackedPopupAndStops)
{
    // Another timer id does nothing.
    g_popupWindow = popup::Open();
    SendMessageA(window, WM_TIMER, 1, 0);
    EXPECT_EQ(0, popup::ClosesInAll());
    EXPECT_NE(nullptr, g_popupWindow);

    // The real timer: the popup is closed once, and the timer is gone.
    ASSERT_NE(0u, SetTimer(window, POPUP_TIMER_ID, 100, NULL));
    DWORD start = GetTickCount();
    EXPECT_TRUE(PumpUntil([] { return popup::ClosesInAll() > 0; }, 5000));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 50u);
    EXPECT_LE(elapsed, 3000u);
    EXPECT_EQ(nullptr, g_popupWindow);
    PumpMessages(300);
    EXPECT_EQ(1, popup::ClosesInAll());
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID)) << "the timer killed itself";

    // With nothing tracked the timer only stops.
    ASSERT_NE(0u, SetTimer(window, POPUP_TIMER_ID, 10000, NULL));
    SendMessageA(window, WM_TIMER, POPUP_TIMER_ID, 0);
    EXPECT_EQ(1, popup::ClosesInAll());
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
}

TEST_F(DispatcherTest, APopupHandleThatIsGoneIsClearedAllTheSame)
{
    HWND gone = popup::Open();
    DestroyWindow(gone);
    g_popupWindow = gone;
    SendMessageA(window, WM_TIMER, POPUP_TIMER_ID, 0);
    EXPECT_EQ(nullptr, g_popupWindow);
}

TEST_F(DispatcherTest, AStatusSentWhileThePopupClosesIsKept)
{
    // The close is a send: messages arrive before it returns. A newer popup
    // tracked in between must survive the clear.
    HWND newer = popup::Open();
    popup::onClose = [&](HWND) {
        popup::onClose = nullptr;
        g_popupWindow = newer;
    };
    g_popupWindow = popup::Open();
    Status(5);
    EXPECT_EQ(newer, g_popupWindow);
}

TEST_F(DispatcherTest, LeftButtonDownForgetsTheCurrentStatus)
{
    Status(40021);
    Click(WM_LBUTTONDOWN);
    EXPECT_EQ(0, g_currentStatus);
    TakeTrayCalls();
    Status(40021);
    EXPECT_EQ(2u, TakeTrayCalls().size()) << "the same code is taken again";
}

TEST_F(DispatcherTest, OtherMouseMessagesDoNothing)
{
    Status(40021);
    TakeTrayCalls();
    // A version 3 shell ends a left click with NIN_SELECT, a right click
    // with WM_CONTEXTMENU, and sends WM_CONTEXTMENU alone for the menu key.
    const UINT others[] = {WM_MOUSEMOVE,     WM_LBUTTONUP,   WM_LBUTTONDBLCLK, WM_RBUTTONUP,
                           WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, 0,                0xFFFF,
                           NIN_SELECT,       WM_CONTEXTMENU};
    for (UINT mouse : others)
        Click(mouse);
#ifdef _WIN64
    // A 64-bit lParam is compared whole: high bits make it no button press.
    for (LPARAM mouse : {WM_LBUTTONDOWN, WM_RBUTTONDOWN})
        SendMessageA(window, WM_TRAYNOTIFY, TRAY_ICON_ID, (LPARAM)1 << 32 | mouse);
#endif
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(40021, g_currentStatus);
    EXPECT_EQ("", Tray());
}

TEST_F(DispatcherTest, RightButtonDownOrCloseRemovesTheIconAndQuits)
{
    for (bool rightClick : {true, false}) {
        SCOPED_TRACE(rightClick ? "right button down" : "WM_CLOSE");
        if (!IsWindow(window))
            CreateMonitor();
        TakeTrayCalls();
        if (rightClick)  // the icon identifier in wParam is not looked at
            SendMessageA(window, WM_TRAYNOTIFY, 7, WM_RBUTTONDOWN);
        else
            SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(Lines({"NIM_DELETE 0 -> TRUE"}), Tray());

        MSG quit;
        ASSERT_TRUE(PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(0u, quit.wParam);
    }
}

TEST_F(DispatcherTest, AClickWhileTheIconIsDeletedIsNotTaken)
{
    // The shell's delete lets the icon's own messages in as well.
    TakeTrayCalls();
    fake::onTray = [this](const TrayCall &call) {
        if (call.message == NIM_DELETE) {
            Click(WM_RBUTTONDOWN);
            Click(WM_LBUTTONDOWN);
            Click(NIN_KEYSELECT);
        }
    };
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(Lines({"NIM_DELETE 0 -> TRUE"}), Tray()) << "no refresh, no focus, no second end";
}

TEST_F(DispatcherTest, AStatusSentWhileTheIconIsDeletedIsNotTaken)
{
    // The shell deletes the icon, then a status source's status reaches the
    // window before the delete call returns: the window is being destroyed.
    Status(10001);
    TakeTrayCalls();
    fake::onTray = [this](const TrayCall &call) {
        if (call.message == NIM_DELETE)
            Status(40021, 1);
    };
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(Lines({"NIM_DELETE 0 -> TRUE"}), Tray());
    EXPECT_FALSE(fake::TrayHasIcon(window, TRAY_ICON_ID)) << "no icon outlives its window";
    EXPECT_EQ(10001, g_currentStatus);
}

TEST_F(DispatcherTest, AnIconLostByTheShellComesBackWithTheNextTableCode)
{
    fake::ShellLosesIcons();
    TakeTrayCalls();

    Status(5);
    EXPECT_EQ(Lines({"NIM_MODIFY NIF_TIP 'Status 5' -> FALSE"}), Tray()) << "no icon takes the tip";

    Status(40077);
    EXPECT_EQ(Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER_CROSSED -> FALSE",
                     "NIM_ADD NIF_MESSAGE|NIF_ICON|NIF_TIP WM_TRAYNOTIFY IDI_PRINTER_CROSSED "
                     "'Printer Status' -> TRUE",
                     "NIM_SETVERSION NOTIFYICON_VERSION -> TRUE", Tip(40077)}),
              Tray());
}

TEST_F(DispatcherTest, RefusedTrayCallsLeakNoIcons)
{
    fake::shellRefuses = true;
    TakeTrayCalls();
    Status(40021);
    Status(40077);
    std::vector<TrayCall> calls = TakeTrayCalls();
    ASSERT_FALSE(calls.empty());
    for (const TrayCall &call : calls) {
        if (call.record.hIcon) {
            EXPECT_FALSE(IconIsLive(call.record.hIcon));
        }
    }
}

TEST_F(DispatcherTest, TheWindowIsHiddenAndTitledLikeItsClass)
{
    char title[32] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(MONITOR_WINDOW_NAME, title);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(0, GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE);
}

}  // namespace
