// The status help display, driven through the real window procedure: the help
// engine is observed at WinHelpA (and played, popups included, from inside the
// call), the registry and the profile file are real.
#include <gtest/gtest.h>

#include "app/monitor.h"
#include "fakes.h"
#include "help/status_help.h"
#include "registry/settings.h"
#include "res/resource.h"
#include "testing.h"

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

const char SOURCE_KEY[] = "SOFTWARE\\Halvik\\Help Test Source";
const char STATUS_KEY[] = "SOFTWARE\\Halvik\\Help Test Source\\BidiData";
const char PRINTER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Help Test Printer";
const char DRIVER_DATA_KEY[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Help Test Printer\\PrinterDriverData";

const char FULL_PROFILE[] =
    "[HelpMap]\r\n40000=17\r\n40077=23\r\n10000=3\r\n"
    "[OTHER]\r\nTimeCloseWindow=0\r\n"
    "[LASER]\r\nTimeCloseWindow=500\r\n";

// The help engine's popups, played in this process. The engine shows one
// popup at a time: a new popup topic replaces the one on screen.
struct Popup {
    HWND window;
    int closes;       // WM_CLOSE messages received
    DWORD closedAt;   // tick of the first WM_CLOSE
};
std::vector<Popup> g_popups;
HWND g_shownPopup = NULL;
std::function<void(HWND)> g_onPopupClose;

Popup *FindPopup(HWND window)
{
    for (Popup &popup : g_popups)
        if (popup.window == window)
            return &popup;
    return nullptr;
}

LRESULT CALLBACK PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        if (Popup *popup = FindPopup(window)) {
            if (!popup->closes++)
                popup->closedAt = GetTickCount();
        }
        if (g_onPopupClose) {
            std::function<void(HWND)> hook = g_onPopupClose;
            hook(window);
        }
        if (IsWindow(window))
            DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window like the engine's popup: class "MS_WINNOTE", empty title.
HWND NewPopup()
{
    HWND window = NewHelpPopup(PopupProc);
    g_popups.push_back(Popup{window, 0, 0});
    return window;
}

void ShowEnginePopup()
{
    if (g_shownPopup && IsWindow(g_shownPopup))
        DestroyWindow(g_shownPopup);
    g_shownPopup = NewPopup();
}

int LivePopups()
{
    int live = 0;
    for (const Popup &popup : g_popups)
        live += IsWindow(popup.window) ? 1 : 0;
    return live;
}

ULONG_PTR ScreenCorner()
{
    return static_cast<ULONG_PTR>(
        MAKELONG(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
}

void DeleteTestKeys()
{
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, PRINTER_KEY);
}

class StatusHelpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::Reset();
        DeleteTestKeys();
        g_popups.clear();
        g_shownPopup = NULL;
        g_onPopupClose = nullptr;

        UseProfile(FULL_PROFILE);
        SetRegString(SETTINGS_KEY, "Monitor", SOURCE_KEY);
        SetRegString(SETTINGS_KEY, "Printer", "Help Test Printer");
        SetRegString(SETTINGS_KEY, "Driver", "LASER");
        // No "Code" yet, so creating the window dispatches nothing.
        SetRegString(STATUS_KEY, "Text", "Paper jam");
        SetRegString(DRIVER_DATA_KEY, "DrvlibIntl", "01Deutsch");
        SetRegString(DRIVER_DATA_KEY, "DrvlibIntl=Deutsch", "Deutsch,49:extra");

        // The help engine: popup topics show a popup, then the test's hook runs.
        fake::onHelp = [this](const HelpCall &call) {
            if (call.command == HELP_CONTEXTPOPUP && !hookBeforePopup)
                ShowEnginePopup();
            if (duringHelp)
                duringHelp(call);
            if (call.command == HELP_CONTEXTPOPUP && hookBeforePopup)
                ShowEnginePopup();
        };

        g_hInstance = GetModuleHandleA(NULL);
        g_currentStatus = 0;
        g_popupWindow = NULL;
        window = CreateMonitorWindow(g_hInstance);
        ASSERT_TRUE(window != NULL);
        ASSERT_TRUE(fake::helpCalls.empty());
        fake::trayCalls.clear();
    }

    void TearDown() override
    {
        fake::onHelp = nullptr;
        g_onPopupClose = nullptr;
        if (IsWindow(window))
            DestroyWindow(window);
        MSG quit;
        while (PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        for (const Popup &popup : g_popups)
            if (IsWindow(popup.window))
                DestroyWindow(popup.window);
        g_popups.clear();
        g_popupWindow = NULL;
        fake::Reset();
        DeleteTestKeys();
        for (const std::string &directory : directories) {
            DeleteFileA((directory + "\\DODOZOD.INI").c_str());
            RemoveDirectoryA(directory.c_str());
        }
    }

    // A fresh directory with DODOZOD.INI holding `text`, made the system
    // directory: a new file each time, so no cached profile stands in for it.
    void UseProfile(const std::string &text)
    {
        char temp[MAX_PATH];
        DWORD length = GetTempPathA(sizeof temp, temp);
        ASSERT_TRUE(length > 0 && length < sizeof temp);
        std::string directory = std::string(temp, length);
        if (directory.back() == '\\')
            directory.pop_back();
        directory += "\\dadavizi-help-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(directories.size());
        ASSERT_TRUE(CreateDirectoryA(directory.c_str(), NULL)) << directory;
        directories.push_back(directory);
        WriteTextFile(directory + "\\DODOZOD.INI", text);
        InitMonitorPaths(directory.c_str(), static_cast<UINT>(directory.size()));
        ASSERT_EQ(directory + "\\DODOZOD.INI", std::string(g_profilePath));
        helpFile = directory + "\\DOZID049.HLP";
    }

    void Status(LONG code, WPARAM help = 1)
    {
        SendMessageA(window, WM_BIDISTATUS, help, static_cast<LPARAM>(code));
    }

    std::string HelpValue(const char *name, DWORD *type = nullptr)
    {
        std::string data;
        if (!GetRegValue(HELP_WINDOW_KEY, name, &data, type))
            return "<missing>";
        return data;
    }

    void ExpectPositionCall(const HelpCall &call)
    {
        EXPECT_EQ(window, call.window);
        EXPECT_EQ(helpFile, call.file);
        EXPECT_EQ(13u, call.command);
        EXPECT_EQ(ScreenCorner(), call.data);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), static_cast<int>(LOWORD(call.data)));
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), static_cast<int>(HIWORD(call.data)));
    }

    void ExpectPopupCall(const HelpCall &call, ULONG_PTR context)
    {
        EXPECT_EQ(window, call.window);
        EXPECT_EQ(helpFile, call.file);
        EXPECT_EQ(8u, call.command);
        EXPECT_EQ(context, call.data);
    }

    // Pumps until `popup` has been sent WM_CLOSE; the milliseconds since
    // `start`, or -1 when it was not closed in time.
    long WaitForClose(HWND popup, DWORD start, DWORD limit = 10000)
    {
        PumpUntil([&] { return FindPopup(popup)->closes > 0; }, limit);
        Popup *record = FindPopup(popup);
        return record->closes ? static_cast<long>(record->closedAt - start) : -1;
    }

    HWND window = NULL;
    std::string helpFile;
    std::vector<std::string> directories;
    bool hookBeforePopup = false;
    std::function<void(const HelpCall &)> duringHelp;
};

// --- The help map ---

TEST_F(StatusHelpTest, HelpMapFallsBackToHundredsThenThousands)
{
    const struct {
        const char *map;
        LONG code;
        UINT context;
    } cases[] = {
        {"40000=17", 40021, 17},
        {"40000=17", 40000, 17},
        {"10000=3", 10049, 3},
        {"0=9", 250, 9},
        {"0=9\r\n200=0", 250, 9},             // 0 means no topic: keep looking
        {"", 40021, 0},                       // empty map
        {"39000=1\r\n40100=1", 40021, 0},      // neighbours do not count
        {"40021=5\r\n40000=17", 40021, 5},     // the exact key wins
        {"40100=8\r\n40000=17", 40121, 8},     // hundreds before thousands
        {"40121=0\r\n40100=0\r\n40000=17", 40121, 17},
    };
    for (const auto &row : cases) {
        UseProfile(std::string("[HelpMap]\r\n") + row.map + "\r\n");
        EXPECT_EQ(row.context, LookUpHelpContext(row.code)) << row.code << " in " << row.map;
    }

    UseProfile("[Other]\r\n40021=4\r\n");
    EXPECT_EQ(0u, LookUpHelpContext(40021)) << "no HelpMap section";
}

TEST_F(StatusHelpTest, NegativeAndExtremeCodesAreRoundedAsUnsigned)
{
    const struct {
        const char *map;
        LONG code;
        UINT context;
    } cases[] = {
        {"-3=2", -3, 2},
        {"-96=6", -3, 6},
        {"-296=4", -3, 4},
        {"-96=6\r\n-296=4", -3, 6},
        // Rounding the signed value would have tried these.
        {"0=9\r\n-100=9\r\n-300=9\r\n-1000=9", -3, 0},
        {"-2147483648=10", INT_MIN, 10},
        {"2147483600=11", INT_MIN, 11},
        {"2147483000=12", INT_MIN, 12},
        {"-2147483600=13\r\n-2147483000=13\r\n0=13", INT_MIN, 0},
        {"2147483647=14", INT_MAX, 14},
        {"2147483600=11", INT_MAX, 11},
        {"2147483000=12", INT_MAX, 12},
        {"", INT_MAX, 0},
        {"", INT_MIN, 0},
    };
    for (const auto &row : cases) {
        UseProfile(std::string("[HelpMap]\r\n") + row.map + "\r\n");
        EXPECT_EQ(row.context, LookUpHelpContext(row.code)) << row.code << " in " << row.map;
    }

    // The same codes through the window show the same topics.
    UseProfile("[HelpMap]\r\n-296=4\r\n2147483600=11\r\n[LASER]\r\nTimeCloseWindow=0\r\n");
    Status(-3);
    Status(INT_MIN);
    ASSERT_EQ(4u, fake::helpCalls.size());
    EXPECT_EQ(4u, fake::helpCalls[1].data);
    EXPECT_EQ(11u, fake::helpCalls[3].data);
}

// --- The help engine calls ---

TEST_F(StatusHelpTest, PopupModePositionsShowsTracksAndClosesThePopup)
{
    DWORD start = GetTickCount();
    Status(40021);

    ASSERT_EQ(2u, fake::helpCalls.size());
    ExpectPositionCall(fake::helpCalls[0]);
    ExpectPopupCall(fake::helpCalls[1], 17);

    HWND popup = g_shownPopup;
    ASSERT_TRUE(popup != NULL);
    EXPECT_EQ(popup, g_popupWindow) << "the popup shown by the topic call is tracked";
    EXPECT_EQ(0, FindPopup(popup)->closes);

    long elapsed = WaitForClose(popup, start);
    EXPECT_GE(elapsed, 300) << "TimeCloseWindow is 500";
    EXPECT_LE(elapsed, 5000);
    EXPECT_EQ(1, FindPopup(popup)->closes);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_TRUE(g_popupWindow == NULL);
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID)) << "the timer stopped when it fired";
    EXPECT_EQ(2u, fake::helpCalls.size());
}

TEST_F(StatusHelpTest, WindowModeShowsTheTopicInTheSecondaryWindowOnly)
{
    const char *times[] = {"0", "-1", "-5000"};
    for (const char *time : times) {
        UseProfile(std::string("[HelpMap]\r\n40000=17\r\n[LASER]\r\nTimeCloseWindow=") + time +
                   "\r\n[OTHER]\r\nTimeCloseWindow=500\r\n");
        fake::helpCalls.clear();
        HWND stray = NewPopup();  // would be found by a popup search
        g_currentStatus = 0;
        Status(40021);

        ASSERT_EQ(2u, fake::helpCalls.size()) << time;
        ExpectPositionCall(fake::helpCalls[0]);
        EXPECT_EQ(window, fake::helpCalls[1].window);
        EXPECT_EQ(helpFile + ">SEC", fake::helpCalls[1].file);
        EXPECT_EQ(1u, fake::helpCalls[1].command);
        EXPECT_EQ(17u, fake::helpCalls[1].data);

        EXPECT_TRUE(g_popupWindow == NULL) << "no popup search in window mode: " << time;
        EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID)) << "no timer: " << time;
        EXPECT_TRUE(IsWindow(stray));
        EXPECT_EQ(0, FindPopup(stray)->closes);
        DestroyWindow(stray);
    }
}

TEST_F(StatusHelpTest, WithoutAHelpFileNothingIsShownCopiedOrTimed)
{
    SetRegString(STATUS_KEY, "Code", "40021");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, PRINTER_KEY);
    HWND stray = NewPopup();
    Status(40021);

    EXPECT_TRUE(fake::helpCalls.empty());
    EXPECT_FALSE(KeyExists(HELP_WINDOW_KEY)) << "nothing copied";
    EXPECT_TRUE(g_popupWindow == NULL);
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
    EXPECT_EQ(40021, g_currentStatus);
    ASSERT_FALSE(fake::trayCalls.empty());
    EXPECT_STREQ("Status 40021", fake::trayCalls.back().record.szTip);
    EXPECT_EQ(0, FindPopup(stray)->closes);

    // The driver data present but naming no entry is just as missing.
    SetRegString(DRIVER_DATA_KEY, "DrvlibIntl", "01Deutsch");
    Status(10049);
    EXPECT_TRUE(fake::helpCalls.empty());
    EXPECT_FALSE(KeyExists(HELP_WINDOW_KEY));
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
}

TEST_F(StatusHelpTest, WithoutATopicOnlyPopupsArePositionedButTheTimerStillRuns)
{
    UseProfile("[HelpMap]\r\n\r\n[LASER]\r\nTimeCloseWindow=500\r\n");
    SetRegString(STATUS_KEY, "Code", "40021");
    Status(40021);

    ASSERT_EQ(1u, fake::helpCalls.size());
    ExpectPositionCall(fake::helpCalls[0]);
    EXPECT_FALSE(KeyExists(HELP_WINDOW_KEY)) << "nothing copied without a topic";
    EXPECT_TRUE(g_popupWindow == NULL) << "no popup on screen";
    EXPECT_TRUE(KillTimer(window, POPUP_TIMER_ID)) << "the timer is started all the same";

    // A popup still on screen from elsewhere is the one found, and closed.
    HWND stray = NewPopup();
    DWORD start = GetTickCount();
    Status(5);
    EXPECT_EQ(2u, fake::helpCalls.size());
    EXPECT_EQ(stray, g_popupWindow);
    long elapsed = WaitForClose(stray, start);
    EXPECT_GE(elapsed, 300);
    EXPECT_LE(elapsed, 5000);
    EXPECT_TRUE(g_popupWindow == NULL);
    EXPECT_FALSE(KeyExists(HELP_WINDOW_KEY));

    // Window mode without a topic: positioned, and nothing else.
    UseProfile("[HelpMap]\r\n[LASER]\r\nTimeCloseWindow=0\r\n");
    fake::helpCalls.clear();
    Status(5);
    ASSERT_EQ(1u, fake::helpCalls.size());
    EXPECT_EQ(13u, fake::helpCalls[0].command);
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
}

// --- The copy into the help window key ---

TEST_F(StatusHelpTest, StatusDataIsCopiedAsTerminatedTextBeforeTheTopic)
{
    SetRegString(STATUS_KEY, "Code", "40021");
    SetRegDword(STATUS_KEY, "Number", 5);
    std::string tooLong(299, 'z');
    SetRegString(STATUS_KEY, "Long", tooLong);  // 300 bytes with its terminator
    // Each buffer is followed by a non-zero byte, so nothing adds a terminator.
    std::string full(256, 'f');
    full += 'X';
    SetRegBytes(STATUS_KEY, "Full", REG_SZ, full.data(), 256);
    SetRegBytes(STATUS_KEY, "Bare", REG_SZ, "abcX", 3);
    SetRegBytes(STATUS_KEY, "Binary", REG_BINARY, "ab\0cd", 5);
    SetRegBytes(STATUS_KEY, "Nothing", REG_BINARY, "", 0);
    std::string stored;
    ASSERT_TRUE(GetRegValue(STATUS_KEY, "Full", &stored));
    ASSERT_EQ(256u, stored.size());
    ASSERT_TRUE(GetRegValue(STATUS_KEY, "Bare", &stored));
    ASSERT_EQ("abc", stored);

    // Earlier contents of the help window key stay unless overwritten.
    SetRegString(HELP_WINDOW_KEY, "Earlier", "kept");
    SetRegString(HELP_WINDOW_KEY, "Text", "old text");

    std::vector<std::string> seen;
    duringHelp = [&](const HelpCall &call) {
        seen.push_back(std::to_string(call.command) + ":" + HelpValue("Code") + "/" +
                       HelpValue("Text"));
    };
    Status(40021);

    ASSERT_EQ(2u, fake::helpCalls.size());
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(std::string("13:<missing>/old text") + '\0', seen[0]) << "copied after positioning";
    EXPECT_EQ(std::string("8:40021") + '\0' + "/Paper jam" + '\0', seen[1])
        << "copied before the topic call";

    DWORD type = 0;
    EXPECT_EQ(std::string("40021") + '\0', HelpValue("Code", &type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("Paper jam") + '\0', HelpValue("Text", &type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("\x05") + '\0', HelpValue("Number", &type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << "whatever the source's type";
    EXPECT_EQ("<missing>", HelpValue("Long")) << "over 256 bytes is not copied";
    EXPECT_EQ(std::string(256, 'f') + '\0', HelpValue("Full", &type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("abc") + '\0', HelpValue("Bare"));
    EXPECT_EQ(std::string("ab") + '\0', HelpValue("Binary", &type)) << "ends at the first zero";
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string(1, '\0'), HelpValue("Nothing"));
    EXPECT_EQ(std::string("kept") + '\0', HelpValue("Earlier"));
}

TEST_F(StatusHelpTest, WindowModeCopiesBeforeTheTopicToo)
{
    UseProfile("[HelpMap]\r\n40000=17\r\n[LASER]\r\nTimeCloseWindow=0\r\n");
    SetRegString(STATUS_KEY, "Code", "40021");
    std::string atTopic;
    duringHelp = [&](const HelpCall &call) {
        if (call.command == HELP_CONTEXT)
            atTopic = HelpValue("Text");
    };
    Status(40021);
    ASSERT_EQ(2u, fake::helpCalls.size());
    EXPECT_EQ(std::string("Paper jam") + '\0', atTopic);
}

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
            Status(40077);
        }
    };
    DWORD start = GetTickCount();
    Status(40021);

    ASSERT_EQ(4u, fake::helpCalls.size()) << "each sequence ran once";
    ExpectPositionCall(fake::helpCalls[0]);
    ExpectPopupCall(fake::helpCalls[1], 17);
    ExpectPositionCall(fake::helpCalls[2]);
    ExpectPopupCall(fake::helpCalls[3], 23);

    EXPECT_EQ(40077, g_currentStatus);
    ASSERT_FALSE(fake::trayCalls.empty());
    EXPECT_STREQ("Status 40077", fake::trayCalls.back().record.szTip);
    std::string lastIcon;
    for (const TrayCall &call : fake::trayCalls)
        if (call.record.uFlags & NIF_ICON)
            lastIcon = call.iconPixels;
    EXPECT_EQ(ResourceIconPixels(IDI_PRINTER_CROSSED), lastIcon);

    EXPECT_EQ(1, LivePopups());
    ASSERT_TRUE(g_popupWindow != NULL);
    EXPECT_TRUE(IsWindow(g_popupWindow));
    EXPECT_EQ(g_shownPopup, g_popupWindow);

    HWND tracked = g_popupWindow;
    long elapsed = WaitForClose(tracked, start);
    EXPECT_GE(elapsed, 300);
    EXPECT_LE(elapsed, 5000);
    EXPECT_EQ(0, LivePopups());
    EXPECT_TRUE(g_popupWindow == NULL);
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
    EXPECT_EQ(4u, fake::helpCalls.size());
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
    Status(40021);

    ASSERT_EQ(2u, fake::helpCalls.size());
    EXPECT_EQ(40077, g_currentStatus);
    EXPECT_STREQ("Status 40077", fake::trayCalls.back().record.szTip);
    EXPECT_EQ(1, LivePopups());
    EXPECT_EQ(g_shownPopup, g_popupWindow);
    ASSERT_TRUE(g_popupWindow != NULL);

    HWND tracked = g_popupWindow;
    long elapsed = WaitForClose(tracked, start);
    EXPECT_GE(elapsed, 300);
    EXPECT_LE(elapsed, 5000);
    EXPECT_EQ(0, LivePopups());
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
}

INSTANTIATE_TEST_SUITE_P(PopupShownFirstOrLast, NestedStatusTest, ::testing::Bool());

TEST_F(StatusHelpTest, TheTopicIsForTheStatusCurrentAfterPositioning)
{
    // A status without help arrives while the popups are positioned: the
    // topic shown is the newer status's.
    int positionCalls = 0;
    duringHelp = [&](const HelpCall &call) {
        if (call.command == HELP_SETPOPUP_POS && !positionCalls++)
            Status(10049, 0);
    };
    Status(40021);
    ASSERT_EQ(2u, fake::helpCalls.size());
    ExpectPopupCall(fake::helpCalls[1], 3);
    EXPECT_EQ(10049, g_currentStatus);
    EXPECT_EQ(g_shownPopup, g_popupWindow);

    // The same with help: both sequences show the newer status's topic.
    fake::helpCalls.clear();
    positionCalls = 0;
    duringHelp = [&](const HelpCall &call) {
        if (call.command == HELP_SETPOPUP_POS && !positionCalls++)
            Status(40077);
    };
    Status(10001);
    ASSERT_EQ(4u, fake::helpCalls.size());
    EXPECT_EQ(13u, fake::helpCalls[0].command);
    ExpectPositionCall(fake::helpCalls[1]);
    ExpectPopupCall(fake::helpCalls[2], 23);
    ExpectPopupCall(fake::helpCalls[3], 23);
    EXPECT_EQ(40077, g_currentStatus);
    EXPECT_EQ(1, LivePopups());
    EXPECT_EQ(g_shownPopup, g_popupWindow);

    // A newer status without a topic means no topic at all.
    fake::helpCalls.clear();
    positionCalls = 0;
    duringHelp = [&](const HelpCall &call) {
        if (call.command == HELP_SETPOPUP_POS && !positionCalls++)
            Status(5, 0);
    };
    Status(40021);
    ASSERT_EQ(1u, fake::helpCalls.size());
    EXPECT_EQ(5, g_currentStatus);
}

TEST_F(StatusHelpTest, AStatusWithHelpWhileThePopupClosesKeepsItsTimer)
{
    Status(40021);
    HWND first = g_popupWindow;
    ASSERT_TRUE(first != NULL);

    // The popup timer sends WM_CLOSE; meanwhile a status with help arrives
    // and shows a popup of its own, which must be closed by its timer too.
    g_onPopupClose = [&](HWND) {
        g_onPopupClose = nullptr;
        Status(40077);
    };
    DWORD start = GetTickCount();
    WaitForClose(first, start);
    ASSERT_EQ(4u, fake::helpCalls.size());
    HWND second = g_shownPopup;
    ASSERT_TRUE(second != NULL && second != first);
    EXPECT_EQ(second, g_popupWindow) << "the newer popup is tracked";

    long elapsed = WaitForClose(second, start);
    EXPECT_GE(elapsed, 300) << "the newer popup is closed by a timer, not at once";
    EXPECT_LE(elapsed, 5000);
    EXPECT_TRUE(g_popupWindow == NULL);
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
}

// --- End to end through the window ---

TEST_F(StatusHelpTest, TheTypicalEventAndALeftClickShowingItAgain)
{
    UseProfile("[HelpMap]\r\n40000=17\r\n[LASER]\r\nOther=1\r\n");  // 3000 ms popups
    SetRegString(STATUS_KEY, "Code", "40021");
    DWORD start = GetTickCount();
    Status(40021);

    ASSERT_EQ(2u, fake::trayCalls.size());
    EXPECT_EQ(static_cast<UINT>(NIF_ICON), fake::trayCalls[0].record.uFlags);
    EXPECT_EQ(ResourceIconPixels(IDI_PRINTER_STROKE), fake::trayCalls[0].iconPixels);
    EXPECT_FALSE(fake::trayCalls[0].iconPixels.empty());
    EXPECT_STREQ("Status 40021", fake::trayCalls[1].record.szTip);

    ASSERT_EQ(2u, fake::helpCalls.size());
    ExpectPositionCall(fake::helpCalls[0]);
    ExpectPopupCall(fake::helpCalls[1], 17);
    const std::string tail = "\\DOZID049.HLP";
    ASSERT_GT(fake::helpCalls[1].file.size(), tail.size());
    EXPECT_EQ(tail, fake::helpCalls[1].file.substr(fake::helpCalls[1].file.size() - tail.size()));
    EXPECT_EQ(std::string("40021") + '\0', HelpValue("Code"));
    EXPECT_EQ(std::string("Paper jam") + '\0', HelpValue("Text"));

    HWND popup = g_popupWindow;
    ASSERT_TRUE(popup != NULL);
    EXPECT_EQ(g_shownPopup, popup);
    long elapsed = WaitForClose(popup, start, 15000);
    EXPECT_GE(elapsed, 2000) << "TimeCloseWindow is 3000 when missing";
    EXPECT_LE(elapsed, 10000);
    EXPECT_TRUE(g_popupWindow == NULL);

    // The same status again is ignored; a left click shows it once more.
    Status(40021);
    EXPECT_EQ(2u, fake::helpCalls.size());
    fake::trayCalls.clear();
    SendMessageA(window, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDOWN);
    ASSERT_EQ(4u, fake::helpCalls.size());
    ExpectPositionCall(fake::helpCalls[2]);
    ExpectPopupCall(fake::helpCalls[3], 17);
    EXPECT_EQ(40021, g_currentStatus);
    ASSERT_EQ(2u, fake::trayCalls.size());
    EXPECT_EQ(ResourceIconPixels(IDI_PRINTER_STROKE), fake::trayCalls[0].iconPixels);
    EXPECT_STREQ("Status 40021", fake::trayCalls[1].record.szTip);
    EXPECT_EQ(g_shownPopup, g_popupWindow);
    EXPECT_TRUE(IsWindow(g_popupWindow));
    EXPECT_NE(popup, g_popupWindow);
}

}  // namespace
