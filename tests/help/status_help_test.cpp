// The status help display, driven through the real window procedure: the help
// engine is observed at WinHelpA (and played, popups included, from inside the
// call), the registry and the profile file are real.
#include "status_help_fixture.h"

namespace {

// --- The help map ---

TEST_F(StatusHelpTest, HelpMapFallsBackToHundredsThenThousands)
{
    const MapCase cases[] = {
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
    ExpectLookUps(cases);

    UseProfile("[Other]\r\n40021=4\r\n");
    EXPECT_EQ(0u, LookUpHelpContext(40021)) << "no HelpMap section";
}

TEST_F(StatusHelpTest, NegativeAndExtremeCodesAreRoundedAsUnsigned)
{
    const MapCase cases[] = {
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
    ExpectLookUps(cases);

    // The same codes through the window show the same topics.
    UseProfile("[HelpMap]\r\n-296=4\r\n2147483600=11\r\n[LASER]\r\nTimeCloseWindow=0\r\n");
    Status(-3, 1);
    Status(INT_MIN, 1);
    EXPECT_EQ(Lines({Position(), Secondary(4), Position(), Secondary(11)}), Help());
}

// --- The help engine calls ---

TEST_F(StatusHelpTest, PopupModePositionsShowsTracksAndClosesThePopup)
{
    DWORD start = GetTickCount();
    Status(40021, 1);
    EXPECT_EQ(Lines({Position(), Popup(17)}), Help());

    HWND shown = popup::Shown();
    ASSERT_NE(nullptr, shown);
    EXPECT_EQ(shown, g_popupWindow) << "the popup shown by the topic call is tracked";
    EXPECT_EQ(0, popup::Closes(shown));

    long elapsed = WaitForClose(shown, start);
    EXPECT_GE(elapsed, 300) << "TimeCloseWindow is 500";
    EXPECT_LE(elapsed, 5000);
    EXPECT_EQ(1, popup::Closes(shown));
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_EQ(nullptr, g_popupWindow);
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID)) << "the timer stopped when it fired";
    EXPECT_EQ(Lines({Position(), Popup(17)}), Help());
}

TEST_F(StatusHelpTest, WindowModeShowsTheTopicInTheSecondaryWindowOnly)
{
    const char *times[] = {"0", "-1", "-5000"};
    for (const char *time : times) {
        UseProfile(std::string("[HelpMap]\r\n40000=17\r\n[LASER]\r\nTimeCloseWindow=") + time +
                   "\r\n[OTHER]\r\nTimeCloseWindow=500\r\n");
        fake::helpCalls.clear();
        HWND stray = popup::Open();  // would be found by a popup search
        g_currentStatus = 0;
        Status(40021, 1);
        EXPECT_EQ(Lines({Position(), Secondary(17)}), Help()) << time;

        EXPECT_EQ(nullptr, g_popupWindow) << "no popup search in window mode: " << time;
        EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID)) << "no timer: " << time;
        EXPECT_TRUE(IsWindow(stray));
        EXPECT_EQ(0, popup::Closes(stray));
        DestroyWindow(stray);
    }
}

TEST_F(StatusHelpTest, WithoutAHelpFileNothingIsShownCopiedOrTimed)
{
    install.SetStatus("Code", "40021");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, install.printerKey.c_str());
    HWND stray = popup::Open();
    Status(40021, 1);

    EXPECT_EQ("", Help());
    EXPECT_FALSE(KeyExists(HELP_WINDOW_KEY)) << "nothing copied";
    EXPECT_EQ(nullptr, g_popupWindow);
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
    EXPECT_EQ(40021, g_currentStatus);
    EXPECT_EQ("Status 40021", LastTip());
    EXPECT_EQ(0, popup::Closes(stray));

    // The driver data present but naming no entry is just as missing.
    SetRegString(install.driverDataKey.c_str(), "DrvlibIntl", "01Deutsch");
    Status(10049, 1);
    EXPECT_EQ("", Help());
    EXPECT_FALSE(KeyExists(HELP_WINDOW_KEY));
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
}

TEST_F(StatusHelpTest, WithoutATopicOnlyPopupsArePositionedButTheTimerStillRuns)
{
    UseProfile("[HelpMap]\r\n\r\n[LASER]\r\nTimeCloseWindow=500\r\n");
    install.SetStatus("Code", "40021");
    Status(40021, 1);

    EXPECT_EQ(Lines({Position()}), Help());
    EXPECT_FALSE(KeyExists(HELP_WINDOW_KEY)) << "nothing copied without a topic";
    EXPECT_EQ(nullptr, g_popupWindow) << "no popup on screen";
    EXPECT_TRUE(KillTimer(window, POPUP_TIMER_ID)) << "the timer is started all the same";

    // A popup still on screen from elsewhere is the one found, and closed.
    HWND stray = popup::Open();
    DWORD start = GetTickCount();
    Status(5, 1);
    EXPECT_EQ(Lines({Position(), Position()}), Help());
    EXPECT_EQ(stray, g_popupWindow);
    long elapsed = WaitForClose(stray, start);
    EXPECT_GE(elapsed, 300);
    EXPECT_LE(elapsed, 5000);
    EXPECT_EQ(nullptr, g_popupWindow);
    EXPECT_FALSE(KeyExists(HELP_WINDOW_KEY));

    // Window mode without a topic: positioned, and nothing else.
    UseProfile("[HelpMap]\r\n[LASER]\r\nTimeCloseWindow=0\r\n");
    fake::helpCalls.clear();
    Status(5, 1);
    EXPECT_EQ(Lines({Position()}), Help());
    EXPECT_FALSE(KillTimer(window, POPUP_TIMER_ID));
}

// --- The copy into the help window key ---

TEST_F(StatusHelpTest, StatusDataIsCopiedAsTerminatedTextBeforeTheTopic)
{
    const char *statusKey = install.statusKey.c_str();
    install.SetStatus("Code", "40021");
    SetRegDword(statusKey, "Number", 5);
    std::string tooLong(299, 'z');
    SetRegString(statusKey, "Long", tooLong);  // 300 bytes with its terminator
    // Each buffer is followed by a non-zero byte, so nothing adds a terminator.
    std::string full(256, 'f');
    full += 'X';
    SetRegBytes(statusKey, "Full", REG_SZ, full.data(), 256);
    SetRegBytes(statusKey, "Bare", REG_SZ, "abcX", 3);
    SetRegBytes(statusKey, "Binary", REG_BINARY, "ab\0cd", 5);
    SetRegBytes(statusKey, "Nothing", REG_BINARY, "", 0);
    std::string stored;
    ASSERT_TRUE(GetRegValue(statusKey, "Full", &stored));
    ASSERT_EQ(256u, stored.size());
    ASSERT_TRUE(GetRegValue(statusKey, "Bare", &stored));
    ASSERT_EQ("abc", stored);

    // Earlier contents of the help window key stay unless overwritten.
    SetRegString(HELP_WINDOW_KEY, "Earlier", "kept");
    SetRegString(HELP_WINDOW_KEY, "Text", "old text");

    std::vector<std::string> seen;
    duringHelp = [&](const HelpCall &call) {
        seen.push_back(std::to_string(call.command) + ":" + HelpValue("Code") + "/" +
                       HelpValue("Text"));
    };
    Status(40021, 1);

    EXPECT_EQ(Lines({Position(), Popup(17)}), Help());
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(std::to_string(HELP_SETPOPUP_POS) + ":<missing>/old text" + '\0', seen[0])
        << "copied after positioning";
    EXPECT_EQ(std::to_string(HELP_CONTEXTPOPUP) + ":40021" + '\0' + "/Paper jam" + '\0', seen[1])
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
    install.SetStatus("Code", "40021");
    std::string atTopic;
    duringHelp = [&](const HelpCall &call) {
        if (call.command == HELP_CONTEXT)
            atTopic = HelpValue("Text");
    };
    Status(40021, 1);
    EXPECT_EQ(Lines({Position(), Secondary(17)}), Help());
    EXPECT_EQ(std::string("Paper jam") + '\0', atTopic);
}

}  // namespace
