// The help engine for each Windows and the program's own popup: the rule as
// a table, then the monitor's window procedure with the Windows version put
// in its place, WinHelp observed at WinHelpA, and the popup as a real window.
#include "app/monitor.h"
#include "help/help_engine.h"
#include "help/own_popup.h"
#include "help/status_help.h"
#include "installation.h"
#include "monitor_test.h"
#include "registry/settings.h"
#include "testing.h"

#include <string>

namespace {

const WindowsVersion XP = {5, 1, VER_NT_WORKSTATION};
const WindowsVersion SEVEN = {6, 1, VER_NT_WORKSTATION};
const WindowsVersion TEN = {10, 0, VER_NT_WORKSTATION};

bool Loads() { return true; }
bool DoesNotLoad() { return false; }

TEST(HelpEngineRule, DecidesByOverrideVersionAndCHM)
{
    const BYTE WS = VER_NT_WORKSTATION, SRV = VER_NT_SERVER, DC = VER_NT_DOMAIN_CONTROLLER;
    const struct {
        WindowsVersion version;
        bool chm;
        bool (*loads)();
        int setting;
        HelpEngine engine;
    } rows[] = {
        // Before Vista: WinHelp, CHM or not.
        {{4, 0, WS}, false, Loads, 0, HELP_ENGINE_WINHELP},
        {{5, 1, WS}, true, Loads, 0, HELP_ENGINE_WINHELP},
        {{5, 2, SRV}, true, Loads, 0, HELP_ENGINE_WINHELP},
        {{0, 0, 0}, true, Loads, 0, HELP_ENGINE_WINHELP},  // Windows would not say
        // Vista to 8.1, and the servers 2008 and 2008 R2: the CHM decides.
        {{6, 0, WS}, false, Loads, 0, HELP_ENGINE_WINHELP},
        {{6, 3, WS}, false, Loads, 0, HELP_ENGINE_WINHELP},
        {{6, 1, SRV}, false, Loads, 0, HELP_ENGINE_WINHELP},
        {{6, 1, WS}, true, Loads, 0, HELP_ENGINE_HTMLHELP},
        {{6, 3, WS}, true, DoesNotLoad, 0, HELP_ENGINE_HTMLHELP},
        // Server 2012 and later, Windows 10 and later: never WinHelp.
        {{6, 2, SRV}, false, Loads, 0, HELP_ENGINE_OWN_POPUP},
        {{6, 3, DC}, true, Loads, 0, HELP_ENGINE_HTMLHELP},
        {{10, 0, WS}, false, Loads, 0, HELP_ENGINE_OWN_POPUP},
        {{10, 0, WS}, true, DoesNotLoad, 0, HELP_ENGINE_OWN_POPUP},
        {{10, 0, SRV}, true, Loads, 0, HELP_ENGINE_HTMLHELP},
        {{6, 4, WS}, false, Loads, 0, HELP_ENGINE_OWN_POPUP},
        // The profile's choice wins; anything outside 1 to 3 is automatic.
        {{10, 0, WS}, false, DoesNotLoad, 1, HELP_ENGINE_WINHELP},
        {{5, 1, WS}, false, DoesNotLoad, 2, HELP_ENGINE_HTMLHELP},
        {{5, 1, WS}, true, Loads, 3, HELP_ENGINE_OWN_POPUP},
        {{10, 0, WS}, false, Loads, 4, HELP_ENGINE_OWN_POPUP},
        {{5, 1, WS}, false, Loads, -1, HELP_ENGINE_WINHELP},
    };
    for (const auto &row : rows) {
        const char *why = nullptr;
        EXPECT_EQ(row.engine, ChooseHelpEngine(row.version, row.chm, row.loads, row.setting, &why))
            << row.version.major << "." << row.version.minor << " type " << int(row.version.productType)
            << " chm " << row.chm << " setting " << row.setting;
        EXPECT_TRUE(why && why[0]) << "every row says why";
    }
    // hhctrl.ocx is loaded only where it decides something.
    static int asked;
    asked = 0;
    bool (*counting)() = [] { return ++asked > 0; };
    ChooseHelpEngine(XP, true, counting, 0);
    ChooseHelpEngine(SEVEN, true, counting, 0);
    ChooseHelpEngine(TEN, false, counting, 0);
    EXPECT_EQ(0, asked);
    ChooseHelpEngine(TEN, true, counting, 0);
    EXPECT_EQ(1, asked);
}

TEST(HelpEngineRule, TwinFilesAndPopupTextsStayWithinTheirBuffers)
{
    char out[32];
    EXPECT_TRUE(FormatHelpTwinPath(out, sizeof out, "C:\\S\\DOZID049.HLP", ".CHM"));
    EXPECT_STREQ("C:\\S\\DOZID049.CHM", out);
    EXPECT_TRUE(FormatHelpTwinPath(out, sizeof out, "C:\\a.b\\DOZID-05.HLP", ".INI"));
    EXPECT_STREQ("C:\\a.b\\DOZID-05.INI", out);
    const char *refused[] = {"C:\\a.b\\NOEXT", "", "C:\\a-very-long-folder\\DOZID049.HLP"};
    for (const char *file : refused) {
        out[0] = 'x';
        EXPECT_FALSE(FormatHelpTwinPath(out, sizeof out, file, ".CHM")) << file;
        EXPECT_STREQ("", out) << file;
    }

    WCHAR text[OWN_POPUP_TEXT_SIZE];
    const struct {
        const WCHAR *shortText, *statusText;
        const WCHAR *shown;
    } rows[] = {
        {L"Open tray 2.", L"Paper jam", L"Open tray 2.\r\n\r\nPaper jam"},
        {L"Open tray 2.", L"", L"Open tray 2."},
        {nullptr, L"Paper jam", L"Paper jam"},
        {L"", nullptr, L"Status -40021"},
    };
    for (const auto &row : rows) {
        FormatOwnPopupText(text, OWN_POPUP_TEXT_SIZE, row.shortText, row.statusText, -40021);
        EXPECT_STREQ(row.shown, text);
    }
    std::wstring longest(255, L's');
    FormatOwnPopupText(text, OWN_POPUP_TEXT_SIZE, longest.c_str(), longest.c_str(), 1);
    EXPECT_EQ(longest + L"\r\n\r\n" + longest, text) << "both texts at their longest fit";
    WCHAR small[8] = L"1234567";
    FormatOwnPopupText(small, 6, L"Open tray 2.", L"Paper jam", 1);
    EXPECT_STREQ(L"Open ", small) << "cut at the capacity, terminated";
    EXPECT_EQ(L'7', small[6]) << "nothing written past it";
}

class OwnPopupTest : public MonitorWindowTest {
protected:
    void SetUp() override
    {
        ResetMonitor();
        UseProfile(500, "");
        install.Write();
        install.SetStatus("Text", "Paper jam");
        g_windowsVersion = TEN;
        CreateMonitor();
    }

    void UseProfile(int timeCloseWindow, const std::string &extra)
    {
        install.UseProfile("[HelpMap]\r\n40000=17\r\n10000=3\r\n[LASER]\r\nTimeCloseWindow=" +
                           std::to_string(timeCloseWindow) + "\r\n" + extra);
    }
    void WriteTexts() const
    {
        WriteTextFile(install.directory + "\\DOZID049.INI",
                      "[Text]\r\n17=Open tray 2 and take out the jammed sheet.\r\n");
    }

    static HWND Popup() { return FindWindowA(OWN_POPUP_CLASS, nullptr); }
    static std::string Text(HWND popup)
    {
        char text[OWN_POPUP_TEXT_SIZE] = "";
        GetWindowTextA(popup, text, sizeof text);
        return text;
    }

    Installation install{"LASER"};
};

TEST_F(OwnPopupTest, OnWindows10AStatusShowsItsTextAtTheWorkAreaCornerAndClosesOnTime)
{
    WriteTexts();
    DWORD start = GetTickCount();
    Status(40021, 1);

    EXPECT_TRUE(fake::helpCalls.empty()) << "no WinHelp call at all";
    HWND popup = Popup();
    ASSERT_NE(nullptr, popup);
    EXPECT_EQ(popup, g_popupWindow) << "the popup timer closes it";
    EXPECT_EQ("Open tray 2 and take out the jammed sheet.\r\n\r\nPaper jam", Text(popup));
    EXPECT_EQ(Sz("Paper jam"), StoredValue(HELP_WINDOW_KEY, "Text")) << "copied as before";

    RECT work, rect;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    ASSERT_TRUE(GetWindowRect(popup, &rect));
    EXPECT_EQ(work.right, rect.right);
    EXPECT_EQ(work.bottom, rect.bottom);
    EXPECT_LT(rect.left, rect.right);
    EXPECT_LT(rect.top, rect.bottom);
    const LONG_PTR quiet = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | 0x08000000L;  // WS_EX_NOACTIVATE
    EXPECT_EQ(quiet, GetWindowLongPtrA(popup, GWL_EXSTYLE) & quiet);
    EXPECT_TRUE(IsWindowVisible(popup));
    EXPECT_NE(popup, GetForegroundWindow()) << "it takes no focus";

    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(popup); }, 8000)) << "not closed";
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 300u) << "TimeCloseWindow is 500";
    EXPECT_LE(elapsed, 5000u);
    EXPECT_EQ(nullptr, g_popupWindow);
    EXPECT_TRUE(fake::helpCalls.empty());
}

TEST_F(OwnPopupTest, TheSameGatesAndTextFallbacksAsTheHelpEngine)
{
    // No texts file: the status text alone; neither: the code.
    Status(40021, 1);
    ASSERT_NE(nullptr, Popup());
    EXPECT_EQ("Paper jam", Text(Popup()));
    install.SetStatus("Text", "");
    Status(40077, 1);
    EXPECT_EQ("Status 40077", Text(Popup()));
    EXPECT_EQ(1, [] {
        int live = 0;
        for (HWND w = FindWindowA(OWN_POPUP_CLASS, nullptr); w;
             w = FindWindowExA(nullptr, w, OWN_POPUP_CLASS, nullptr))
            ++live;
        return live;
    }()) << "a new popup replaces the one before";

    // No topic: nothing shown, but the timer runs as for WinHelp popups.
    SendMessageA(Popup(), WM_CLOSE, 0, 0);
    Status(5, 1);
    EXPECT_EQ(nullptr, Popup());
    EXPECT_TRUE(KillTimer(window, POPUP_TIMER_ID));
    // No help file number: nothing at all.
    SetRegString(install.driverDataKey.c_str(), "DrvlibIntl=Deutsch", "Deutsch");
    Status(10049, 1);
    EXPECT_EQ(nullptr, Popup());
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
    EXPECT_TRUE(fake::helpCalls.empty());
}

TEST_F(OwnPopupTest, InWindowModeItStaysUntilClickedAndNothingIsTimed)
{
    UseProfile(0, "");
    Status(40021, 1);
    HWND popup = Popup();
    ASSERT_NE(nullptr, popup);
    EXPECT_EQ(nullptr, g_popupWindow);
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
    PumpMessages(700);
    EXPECT_TRUE(IsWindow(popup));

    SendMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(popup, WM_LBUTTONUP, 0, 0);
    EXPECT_FALSE(IsWindow(popup)) << "a click closes it";
    EXPECT_TRUE(fake::helpCalls.empty());
}

TEST_F(OwnPopupTest, HelpEngineInTheProfileWinsOverTheVersion)
{
    const struct {
        WindowsVersion version;
        const char *setting;
        bool winHelp;
    } rows[] = {
        {TEN, "HelpEngine=1", true},
        {XP, "HelpEngine=3", false},
        {XP, "HelpEngine=2", false},  // no CHM: HTML Help refuses, the popup shows
        {XP, "HelpEngine=0", true},
        {SEVEN, "", true},            // no CHM
        {TEN, "HelpEngine=9", false}, // not an engine: automatic
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.setting);
        UseProfile(500, std::string(row.setting) + "\r\n");
        g_windowsVersion = row.version;
        fake::helpCalls.clear();
        g_currentStatus = 0;
        Status(40021, 1);
        EXPECT_EQ(row.winHelp, !fake::helpCalls.empty());
        EXPECT_EQ(!row.winHelp, Popup() != nullptr);
        if (HWND popup = Popup())
            SendMessageA(popup, WM_CLOSE, 0, 0);
    }
}

}  // namespace
