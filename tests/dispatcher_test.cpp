// The status dispatcher, driven with real messages on a real window; the
// shell and help engine are observed at their entry points.
#include <gtest/gtest.h>

#include "app/monitor.h"
#include "fakes.h"
#include "res/resource.h"
#include "testing.h"

#include <string>

namespace {

// A stand-in for the help engine's popup window in this process: counts the
// WM_CLOSE it is sent and closes like any window.
int g_popupCloses = 0;
std::function<void()> g_onPopupClose;

LRESULT CALLBACK PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        ++g_popupCloses;
        if (g_onPopupClose)
            g_onPopupClose();
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND NewPopup()
{
    return NewHelpPopup(PopupProc);
}

class DispatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::Reset();
        DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
        g_currentStatus = 0;
        g_popupWindow = NULL;
        g_popupCloses = 0;
        g_onPopupClose = nullptr;
        g_hInstance = GetModuleHandleA(NULL);
        window = CreateMonitorWindow(g_hInstance);
        ASSERT_TRUE(window != NULL);
    }

    void TearDown() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
        MSG quit;
        while (PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        fake::Reset();
    }

    void Status(LONG code, WPARAM help = 0)
    {
        SendMessageA(window, WM_BIDISTATUS, help, static_cast<LPARAM>(code));
    }

    // The tray calls since the last look, and forgets them.
    std::vector<TrayCall> TakeTrayCalls()
    {
        std::vector<TrayCall> calls;
        calls.swap(fake::trayCalls);
        return calls;
    }

    static void ExpectIconCall(const TrayCall &call, int iconId)
    {
        EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), call.message);
        EXPECT_EQ(static_cast<UINT>(NIF_ICON), call.record.uFlags);
        EXPECT_EQ(100u, call.record.uID);
        EXPECT_EQ(ResourceIconPixels(iconId), call.iconPixels) << "icon " << iconId;
        EXPECT_TRUE(call.iconValidDuringCall);
        EXPECT_FALSE(IconIsLive(call.record.hIcon)) << "destroyed after the shell took it";
    }

    static void ExpectTipCall(const TrayCall &call, const char *tip)
    {
        EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), call.message);
        EXPECT_EQ(static_cast<UINT>(NIF_TIP), call.record.uFlags);
        EXPECT_STREQ(tip, call.record.szTip);
    }

    HWND window = NULL;
};

TEST_F(DispatcherTest, CreationAddsThePrinterIconWithTheDefaultTip)
{
    std::vector<TrayCall> calls = TakeTrayCalls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), calls[0].message);
    EXPECT_FALSE(calls[0].result);
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), calls[1].message);
    EXPECT_EQ(window, calls[1].record.hWnd);
    EXPECT_EQ(100u, calls[1].record.uID);
    EXPECT_EQ(7u, calls[1].record.uFlags);
    EXPECT_EQ(WM_TRAYNOTIFY, calls[1].record.uCallbackMessage);
    EXPECT_EQ(0x40Au, calls[1].record.uCallbackMessage);
    EXPECT_STREQ("Printer Status", calls[1].record.szTip);
    EXPECT_EQ(ResourceIconPixels(IDI_PRINTER), calls[1].iconPixels);
    EXPECT_FALSE(ResourceIconPixels(IDI_PRINTER).empty());
    EXPECT_FALSE(IconIsLive(calls[1].record.hIcon));
    EXPECT_EQ(0, g_currentStatus);
}

TEST_F(DispatcherTest, MessageNumbersAndConstants)
{
    EXPECT_EQ(0x1667u, WM_BIDISTATUS);
    EXPECT_EQ(0x40Au, WM_TRAYNOTIFY);
    EXPECT_EQ(100u, TRAY_ICON_ID);
    EXPECT_EQ(2u, POPUP_TIMER_ID);
    EXPECT_EQ(10000, STATUS_REPEAT_THRESHOLD);
}

TEST_F(DispatcherTest, TheIconTableSwitchesOnlyItsFourCodes)
{
    TakeTrayCalls();
    const struct {
        LONG code;
        int icon;
    } table[] = {{10001, IDI_PRINTER}, {40021, IDI_PRINTER_STROKE}, {10049, IDI_PRINTER},
                 {40077, IDI_PRINTER_CROSSED}};
    for (const auto &row : table) {
        Status(row.code);
        std::vector<TrayCall> calls = TakeTrayCalls();
        ASSERT_EQ(2u, calls.size()) << row.code;
        ExpectIconCall(calls[0], row.icon);
        ExpectTipCall(calls[1], ("Status " + std::to_string(row.code)).c_str());
        EXPECT_EQ(row.code, g_currentStatus);
    }

    const LONG unlisted[] = {10000, 10002, 40020, 40078, 0, 5, 99999};
    for (LONG code : unlisted) {
        Status(code);
        std::vector<TrayCall> calls = TakeTrayCalls();
        ASSERT_EQ(1u, calls.size()) << code;
        ExpectTipCall(calls[0], ("Status " + std::to_string(code)).c_str());
    }
}

TEST_F(DispatcherTest, RepeatsAtOrAboveTheThresholdAreIgnored)
{
    TakeTrayCalls();
    g_popupWindow = NewPopup();
    Status(40021);
    EXPECT_EQ(2u, TakeTrayCalls().size());
    EXPECT_EQ(1, g_popupCloses);

    g_popupWindow = NewPopup();
    Status(40021, 1);
    EXPECT_TRUE(TakeTrayCalls().empty());
    EXPECT_EQ(1, g_popupCloses) << "an ignored status closes no popup";
    EXPECT_TRUE(g_popupWindow != NULL);
    DestroyWindow(g_popupWindow);
    g_popupWindow = NULL;

    Status(10000);
    EXPECT_EQ(1u, TakeTrayCalls().size());
    Status(10000);
    EXPECT_TRUE(TakeTrayCalls().empty()) << "the threshold itself counts as high";
    EXPECT_EQ(10000, g_currentStatus);
}

TEST_F(DispatcherTest, CodesBelowTheThresholdAreTakenEveryTime)
{
    TakeTrayCalls();
    const LONG codes[] = {5, 5, 9999, 9999, -3, -3, LONG(0x80000000)};
    for (LONG code : codes) {
        g_popupWindow = NewPopup();
        int closesBefore = g_popupCloses;
        Status(code);
        std::vector<TrayCall> calls = TakeTrayCalls();
        ASSERT_EQ(1u, calls.size()) << code;
        ExpectTipCall(calls[0], ("Status " + std::to_string(code)).c_str());
        EXPECT_EQ(closesBefore + 1, g_popupCloses) << code;
        EXPECT_TRUE(g_popupWindow == NULL);
        EXPECT_EQ(code, g_currentStatus);
    }
}

TEST_F(DispatcherTest, OnlyTheLowThirtyTwoBitsOfLParamAreTheCode)
{
    TakeTrayCalls();
    SendMessageA(window, WM_BIDISTATUS, 0, static_cast<LPARAM>(-3));
    EXPECT_EQ(-3, g_currentStatus);
    std::vector<TrayCall> calls = TakeTrayCalls();
    ASSERT_EQ(1u, calls.size());
    ExpectTipCall(calls[0], "Status -3");
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
    g_popupWindow = NewPopup();
    SendMessageA(window, WM_TIMER, 1, 0);
    EXPECT_EQ(0, g_popupCloses);
    EXPECT_TRUE(g_popupWindow != NULL);

    // The real timer: the popup is closed once, and the timer is gone.
    ASSERT_NE(0u, SetTimer(window, POPUP_TIMER_ID, 100, NULL));
    DWORD start = GetTickCount();
    EXPECT_TRUE(PumpUntil([] { return g_popupCloses > 0; }, 5000));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 50u);
    EXPECT_LE(elapsed, 3000u);
    EXPECT_TRUE(g_popupWindow == NULL);
    PumpMessages(300);
    EXPECT_EQ(1, g_popupCloses);
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID)) << "the timer killed itself";

    // With nothing tracked the timer only stops.
    ASSERT_NE(0u, SetTimer(window, POPUP_TIMER_ID, 10000, NULL));
    SendMessageA(window, WM_TIMER, POPUP_TIMER_ID, 0);
    EXPECT_EQ(1, g_popupCloses);
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
}

TEST_F(DispatcherTest, APopupHandleThatIsGoneIsClearedAllTheSame)
{
    HWND popup = NewPopup();
    DestroyWindow(popup);
    g_popupWindow = popup;
    SendMessageA(window, WM_TIMER, POPUP_TIMER_ID, 0);
    EXPECT_TRUE(g_popupWindow == NULL);
}

TEST_F(DispatcherTest, AStatusSentWhileThePopupClosesIsKept)
{
    // The close is a send: messages arrive before it returns. A newer popup
    // tracked in between must survive the clear.
    HWND newer = NewPopup();
    g_onPopupClose = [&] {
        g_onPopupClose = nullptr;
        g_popupWindow = newer;
    };
    g_popupWindow = NewPopup();
    Status(5);
    EXPECT_EQ(newer, g_popupWindow);
    DestroyWindow(newer);
    g_popupWindow = NULL;
}

TEST_F(DispatcherTest, LeftButtonDownForgetsTheCurrentStatus)
{
    Status(40021);
    SendMessageA(window, WM_TRAYNOTIFY, 100, WM_LBUTTONDOWN);
    EXPECT_EQ(0, g_currentStatus);
    TakeTrayCalls();
    Status(40021);
    EXPECT_EQ(2u, TakeTrayCalls().size()) << "the same code is taken again";
}

TEST_F(DispatcherTest, OtherMouseMessagesDoNothing)
{
    Status(40021);
    TakeTrayCalls();
    const UINT others[] = {WM_MOUSEMOVE, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP,
                           WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, 0, 0xFFFF};
    for (UINT mouse : others)
        SendMessageA(window, WM_TRAYNOTIFY, 100, mouse);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(40021, g_currentStatus);
    EXPECT_TRUE(TakeTrayCalls().empty());
}

TEST_F(DispatcherTest, RightButtonDownEndsTheProgram)
{
    TakeTrayCalls();
    // The icon identifier in wParam is not looked at.
    SendMessageA(window, WM_TRAYNOTIFY, 7, WM_RBUTTONDOWN);
    EXPECT_FALSE(IsWindow(window));
    std::vector<TrayCall> calls = TakeTrayCalls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), calls[0].message);
    EXPECT_EQ(100u, calls[0].record.uID);
    EXPECT_TRUE(calls[0].result);

    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, quit.wParam);
}

TEST_F(DispatcherTest, CloseRemovesTheTrayIconAndQuits)
{
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(fake::TrayHasIcon(window, 100));
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, quit.wParam);
}

TEST_F(DispatcherTest, AnIconLostByTheShellComesBackWithTheNextTableCode)
{
    fake::ShellLosesIcons();
    TakeTrayCalls();

    Status(5);
    std::vector<TrayCall> calls = TakeTrayCalls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_FALSE(calls[0].result) << "no icon to take the tip";

    Status(40077);
    calls = TakeTrayCalls();
    ASSERT_EQ(3u, calls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), calls[0].message);
    EXPECT_FALSE(calls[0].result);
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), calls[1].message);
    EXPECT_STREQ("Printer Status", calls[1].record.szTip);
    EXPECT_EQ(ResourceIconPixels(IDI_PRINTER_CROSSED), calls[1].iconPixels);
    ExpectTipCall(calls[2], "Status 40077");
    EXPECT_TRUE(calls[2].result);
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

TEST_F(DispatcherTest, TheWindowIsHiddenAndTitledDadaVizi)
{
    char title[32] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ("DadaVizi", title);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(0, GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE);
}

}  // namespace
