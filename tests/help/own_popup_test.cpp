// The person at the printer on Windows 10 and 11: Enter on the icon, the
// popup's corner beside the taskbar, what screen readers are told, texts
// in any language, the pointer resting on the popup, and presentations.
// The shell's taskbar and notification state and the accessibility calls
// are observed at their entry points (desktop_fakes.cpp).
#include "app/monitor.h"
#include "help/desktop.h"
#include "help/help_engine.h"
#include "help/own_popup.h"
#include "installation.h"
#include "monitor_test.h"
#include "sequence.h"
#include "testing.h"

#include <string>

namespace {

const WindowsVersion XP = {5, 1, VER_NT_WORKSTATION};
const WindowsVersion TEN = {10, 0, VER_NT_WORKSTATION};
const GUID LIVE_SETTING = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};

TEST(PopupPlacement, TheCornerNearestTheTaskbarOnItsMonitor)
{
    const RECT screen = {0, 0, 1920, 1080};
    const struct {
        const char *what;
        RECT work, monitor;
        UINT hiddenEdge;
        RECT placed;
    } rows[] = {
        {"bottom", {0, 0, 1920, 1040}, screen, ABE_TOP, {1620, 840, 1920, 1040}},
        {"top", {0, 40, 1920, 1080}, screen, ABE_BOTTOM, {1620, 40, 1920, 240}},
        {"left", {60, 0, 1920, 1080}, screen, ABE_BOTTOM, {60, 880, 360, 1080}},
        {"right", {0, 0, 1860, 1080}, screen, ABE_BOTTOM, {1560, 880, 1860, 1080}},
        {"hidden at the top", screen, screen, ABE_TOP, {1620, 0, 1920, 200}},
        {"hidden at the left", screen, screen, ABE_LEFT, {0, 880, 300, 1080}},
        {"hidden at the bottom", screen, screen, ABE_BOTTOM, {1620, 880, 1920, 1080}},
        {"on a monitor left of the primary",
         {-1280, 0, 0, 984}, {-1280, 0, 0, 1024}, ABE_BOTTOM, {-300, 784, 0, 984}},
    };
    for (const auto &row : rows) {
        RECT placed = PlacePopup(row.work, row.monitor, row.hiddenEdge, 300, 200);
        EXPECT_TRUE(EqualRect(&row.placed, &placed))
            << row.what << ": " << placed.left << "," << placed.top << " " << placed.right << ","
            << placed.bottom;
    }
    RECT small = {0, 0, 200, 100};
    RECT cut = PlacePopup(small, small, ABE_BOTTOM, 300, 200);
    RECT whole = {0, 0, 200, 100};
    EXPECT_TRUE(EqualRect(&whole, &cut)) << "no larger than the work area";
}

class OwnPopupDesktopTest : public MonitorWindowTest {
protected:
    void SetUp() override
    {
        ResetMonitor();
        UseProfile(500);
        install.Write();
        install.SetStatus("Code", "40021");
        install.SetStatus("Text", "Paper jam");
        g_windowsVersion = TEN;
        CreateMonitor();
        ClosePopup();
        fake::accProps.clear();
        fake::winEvents.clear();
        fake::trayCalls.clear();
    }

    void UseProfile(int timeCloseWindow)
    {
        install.UseProfile("[HelpMap]\r\n40000=17\r\n[LASER]\r\nTimeCloseWindow=" +
                           std::to_string(timeCloseWindow) + "\r\n");
    }
    // The texts file as UTF-16 with its byte-order mark.
    void WriteUnicodeTexts(const std::wstring &text) const
    {
        std::wstring file = L"\xFEFF" + text;
        WriteTextFile(install.directory + "\\DOZID049.INI",
                      std::string(reinterpret_cast<const char *>(file.data()),
                                  file.size() * sizeof(wchar_t)));
    }
    static HWND Popup() { return FindWindowA(OWN_POPUP_CLASS, nullptr); }
    static void ClosePopup()
    {
        if (HWND popup = Popup())
            DestroyWindow(popup);
    }
    static HWND Child(HWND popup, const char *className)
    {
        return FindWindowExA(popup, NULL, className, NULL);
    }
    static std::wstring TextW(HWND window)
    {
        wchar_t text[OWN_POPUP_TEXT_SIZE] = L"";
        GetWindowTextW(window, text, OWN_POPUP_TEXT_SIZE);
        return text;
    }

    Installation install{"LASER"};
};

TEST_F(OwnPopupDesktopTest, EnterOnTheIconShowsTheHelpAgainAndGivesTheFocusBack)
{
    // Enter or Space on the selected icon, as a version 3 shell reports them.
    Click(NIN_KEYSELECT);
    EXPECT_TRUE(IsWindow(window)) << "Enter no longer ends the program";
    HWND first = Popup();
    EXPECT_NE(nullptr, first) << "what a left click does";
    EXPECT_EQ(Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER_STROKE -> TRUE",
                     "NIM_MODIFY NIF_TIP 'Status 40021' -> TRUE", "NIM_SETFOCUS -> TRUE"}),
              TraySequence(TakeTrayCalls(), window));

    // Some shells report one press twice: within the double-click time it
    // is the same press.
    Click(NIN_KEYSELECT);
    EXPECT_EQ(first, Popup());
    EXPECT_EQ("", TraySequence(TakeTrayCalls(), window));

    Sleep(GetDoubleClickTime() + 100);
    Click(NIN_KEYSELECT);
    EXPECT_NE(first, Popup()) << "a later press is a new one";
    EXPECT_FALSE(TakeTrayCalls().empty());

    // A left click still shows it, a right click still ends the program.
    HWND second = Popup();
    Click(WM_LBUTTONDOWN);
    EXPECT_NE(second, Popup());
    Click(WM_RBUTTONDOWN);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(OwnPopupDesktopTest, AHiddenTaskbarAtTheTopPutsThePopupInTheTopRightCorner)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    POINT origin = {0, 0};
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &monitor));
    if (!EqualRect(&monitor.rcWork, &monitor.rcMonitor))
        GTEST_SKIP() << "this display has a work area of its own";

    fake::taskbarGiven = true;
    fake::taskbar.uEdge = ABE_TOP;
    SetRect(&fake::taskbar.rc, monitor.rcMonitor.left, 0, monitor.rcMonitor.right, 40);
    Status(40077, 1);
    HWND popup = Popup();
    ASSERT_NE(nullptr, popup);
    EXPECT_LE(1, fake::taskbarQueries);
    RECT rect;
    GetWindowRect(popup, &rect);
    EXPECT_EQ(monitor.rcWork.right, rect.right);
    EXPECT_EQ(monitor.rcWork.top, rect.top);
}

TEST_F(OwnPopupDesktopTest, ScreenReadersAreToldTheTextAsAnAssertiveLiveRegion)
{
    Status(40077, 1);
    HWND popup = Popup();
    ASSERT_NE(nullptr, popup);
    HWND text = Child(popup, "Static");
    ASSERT_NE(nullptr, text) << "the text sits in a static control";
    EXPECT_EQ(L"Paper jam", TextW(text));
    EXPECT_EQ(nullptr, Child(popup, "Button")) << "a timed popup closes itself";

    ASSERT_EQ(1u, fake::accProps.size());
    const AccPropCall &mark = fake::accProps[0];
    EXPECT_EQ(text, mark.window);
    EXPECT_FALSE(mark.cleared);
    EXPECT_TRUE(IsEqualGUID(LIVE_SETTING, mark.property));
    EXPECT_EQ(static_cast<DWORD>(OBJID_CLIENT), mark.object);
    EXPECT_EQ(static_cast<DWORD>(CHILDID_SELF), mark.child);
    EXPECT_EQ(VT_I4, mark.value.vt);
    EXPECT_EQ(2, mark.value.lVal) << "Assertive";
    ASSERT_EQ(1u, fake::winEvents.size());
    EXPECT_EQ(0x8019u, fake::winEvents[0].event) << "EVENT_OBJECT_LIVEREGIONCHANGED";
    EXPECT_EQ(text, fake::winEvents[0].window);
    EXPECT_EQ(OBJID_CLIENT, fake::winEvents[0].object);

    DestroyWindow(popup);
    ASSERT_EQ(2u, fake::accProps.size());
    EXPECT_TRUE(fake::accProps[1].cleared) << "the mark goes with the control";
    EXPECT_EQ(text, fake::accProps[1].window);
}

TEST_F(OwnPopupDesktopTest, AnUntimedPopupHasACloseButtonInTheTextsLanguage)
{
    UseProfile(0);
    WriteUnicodeTexts(L"[Text]\r\n17=Zaci\x0119" L"cie papieru. Otw\x00F3rz tac\x0119 2.\r\n"
                      L"Close=Zamknij\r\n");
    SetRegBytes(install.statusKey.c_str(), "Text", REG_SZ, nullptr, 0);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, install.statusKey.c_str(), 0,
                                           KEY_SET_VALUE, &key));
    const wchar_t greek[] = L"\x03A7\x03B1\x03C1\x03C4\x03AF";  // a status text in Greek
    RegSetValueExW(key, L"Text", 0, REG_SZ, reinterpret_cast<const BYTE *>(greek), sizeof greek);
    RegCloseKey(key);

    Click(WM_LBUTTONDOWN);
    HWND popup = Popup();
    ASSERT_NE(nullptr, popup);
    const std::wstring shown =
        L"Zaci\x0119" L"cie papieru. Otw\x00F3rz tac\x0119 2.\r\n\r\n" + std::wstring(greek);
    EXPECT_EQ(shown, TextW(popup)) << "every letter, whatever the code page";
    EXPECT_EQ(shown, TextW(Child(popup, "Static")));
    HWND button = Child(popup, "Button");
    ASSERT_NE(nullptr, button);
    EXPECT_EQ(L"Zamknij", TextW(button));
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(popup)) << "pressing it closes the popup";
    EXPECT_TRUE(fake::helpCalls.empty());
}

TEST_F(OwnPopupDesktopTest, ThePointerRestingOnThePopupHoldsTheTimersClose)
{
    Status(40077, 1);
    HWND popup = Popup();
    ASSERT_NE(nullptr, popup);
    RECT rect;
    GetWindowRect(popup, &rect);
    POINT inside = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, now;
    SetCursorPos(inside.x, inside.y);
    if (!GetCursorPos(&now) || now.x != inside.x || now.y != inside.y)
        GTEST_SKIP() << "this display does not move the pointer";

    PumpMessages(1500);  // TimeCloseWindow is 500
    EXPECT_TRUE(IsWindow(popup)) << "closed under the reader's pointer";
    EXPECT_EQ(nullptr, g_popupWindow) << "the dispatcher's timer has done its part";

    DWORD left = GetTickCount();
    SetCursorPos(rect.left - 50 > 0 ? rect.left - 50 : rect.right + 50, rect.top - 50 > 0 ? rect.top - 50 : rect.bottom + 50);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(popup); }, 8000)) << "it stayed";
    EXPECT_GE(GetTickCount() - left, 300u) << "soon after the pointer left, not at once";

    // Without the pointer on it, a close is at once.
    Status(40021, 1);
    popup = Popup();
    ASSERT_NE(nullptr, popup);
    SendMessageA(popup, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(popup));
}

TEST_F(OwnPopupDesktopTest, NoPopupOfItsOwnDuringAPresentationButAClickShowsIt)
{
    const struct {
        int state;
        bool shown;
    } rows[] = {{2, false}, {3, false}, {4, false}, {5, true}, {6, true}};  // QUNS_*
    for (const auto &row : rows) {
        SCOPED_TRACE(row.state);
        fake::notificationState = row.state;
        g_currentStatus = 0;
        Status(40021, 1);
        EXPECT_EQ(row.shown, Popup() != nullptr);
        EXPECT_LE(1, fake::notificationQueries);
        EXPECT_FALSE(TakeTrayCalls().empty()) << "the icon and tip change all the same";
        ClosePopup();
        Click(WM_LBUTTONDOWN);
        EXPECT_NE(nullptr, Popup()) << "the person asked for it";
        ClosePopup();
    }

    // WinHelp on Windows XP and 7 is as it was.
    g_windowsVersion = XP;
    fake::notificationState = 4;
    g_currentStatus = 0;
    Status(40021, 1);
    EXPECT_EQ(2u, fake::helpCalls.size());
}

}  // namespace
