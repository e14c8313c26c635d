// End to end: the real DadaVizi.exe, DadaViziStatus.exe and, for the help
// engine, DadaViziHelpStub.exe, run as processes against the real (Wine)
// registry and a profile file in the system directory.
//
// Under Wine the help stub is what WinHelpA talks to; the stub logs each
// request, opens a popup window for popup topics and logs when that window
// is closed. Wine does not forward HELP_SETPOPUP_POS to any help window, so
// the tests leave that request out of every comparison.
#include <gtest/gtest.h>

#include "app/shared.h"
#include "dadavizi_sample_help.h"
#include "help/own_popup.h"
#include "help_stub.h"
#include "installation.h"
#include "process.h"
#include "registry/settings.h"
#include "testing.h"

#include <string>
#include <vector>

namespace {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override { install.Write(); }

    void TearDown() override
    {
        // The monitor goes first: without the stub's window, a help request
        // would start Wine's own help viewer.
        if (monitor) {
            if (HWND window = FindWindowA(MONITOR_WINDOW_NAME, MONITOR_WINDOW_NAME))
                PostMessageA(window, WM_CLOSE, 0, 0);
            EndProgram(monitor);
        }
        if (!wineVersion.empty())
            RegDeleteKeyA(HKEY_CURRENT_USER, APP_DEFAULTS);
        DeleteFileA(Texts().c_str());
        DeleteFileA(Chm().c_str());
    }

    // What Windows version Wine tells DadaVizi.exe alone, as a real Windows
    // of that version would report itself to the program.
    static constexpr const char *APP_DEFAULTS = "Software\\Wine\\AppDefaults\\DadaVizi.exe";
    void TellTheMonitorWindows(const std::string &version)
    {
        wineVersion = version;
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, APP_DEFAULTS, 0, NULL, 0,
                                                 KEY_SET_VALUE, NULL, &key, NULL));
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE *>(version.c_str()),
                       static_cast<DWORD>(version.size() + 1));
        RegCloseKey(key);
    }
    // The short texts beside the help file.
    std::string Texts() const { return install.helpFile.substr(0, install.helpFile.size() - 4) + ".INI"; }
    std::string Chm() const { return install.helpFile.substr(0, install.helpFile.size() - 4) + ".CHM"; }

    void WriteProfile(int timeCloseWindow)
    {
        install.WriteSystemProfile("[HelpMap]\r\n40000=17\r\n\r\n[" + install.driver +
                                   "]\r\nTimeCloseWindow=" + std::to_string(timeCloseWindow) +
                                   "\r\n");
    }

    // The help stub, then the monitor: the stub's window must be up before
    // any status can ask for help.
    void StartBoth()
    {
        ASSERT_TRUE(stub.Start()) << "the help stub's window did not appear";
        monitor = StartProgram("DadaVizi.exe");
        ASSERT_NE(nullptr, monitor) << "cannot start DadaVizi.exe";
        monitorWindow = WaitForMonitorWindow(monitor);
        ASSERT_NE(nullptr, monitorWindow) << "no monitor window appeared";
    }

    // The same on a profile of `timeCloseWindow`, the common start.
    void StartBoth(int timeCloseWindow)
    {
        WriteProfile(timeCloseWindow);
        StartBoth();
    }

    // Status 40021 written before the start, in secondary-window mode: the
    // monitor shows it at start, with the request it sets `shown` to.
    void StartWithStoredStatus(std::string *shown)
    {
        WriteProfile(0);
        EXPECT_EQ(0u, RunStatus("--write-only 40021"));
        StartBoth();
        *shown = Request(HELP_CONTEXT, 17, install.helpFile + ">SEC");
        ASSERT_TRUE(WaitForRequests(*shown, 10000)) << "the stored status was not shown at start";
    }

    DWORD RunStatus(const std::string &arguments)
    {
        return RunProgram("DadaViziStatus.exe", arguments);
    }

    std::string HelpRequests() const { return stub.Requests(); }
    std::vector<HelpStub::Event> Log() const { return stub.Events(); }
    std::string Request(UINT command, int context, const std::string &file) const
    {
        return HelpRequest(command, context, file);
    }

    bool WaitForRequests(const std::string &expected, DWORD milliseconds)
    {
        return PumpUntil([&] { return HelpRequests() == expected; }, milliseconds);
    }

    static const HelpStub::Event *FindEvent(const std::vector<HelpStub::Event> &lines,
                                            const char *event)
    {
        for (const HelpStub::Event &line : lines)
            if (line.event == event)
                return &line;
        return nullptr;
    }

    void LeftClick() { PostMessageA(monitorWindow, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDOWN); }

    Installation install{"E2E"};
    std::string wineVersion;
    HelpStub stub;
    HANDLE monitor = NULL;
    HWND monitorWindow = NULL;
};

TEST_F(EndToEnd, AReportedStatusShowsItsPopupAndTheMonitorClosesItAfterTimeCloseWindow)
{
    StartBoth(1000);
    ASSERT_EQ("", HelpRequests()) << "no status was stored, so none is shown at start";

    // The status source returns once the monitor has handled the status,
    // help request included.
    EXPECT_EQ(0u, RunStatus("40021 \"Text=Paper jam\""));
    EXPECT_EQ(Request(HELP_CONTEXTPOPUP, 17, install.helpFile), HelpRequests());
    EXPECT_EQ(Sz("40021"), StoredValue(HELP_WINDOW_KEY, "Code"));
    EXPECT_EQ(Sz("Paper jam"), StoredValue(HELP_WINDOW_KEY, "Text"));

    ASSERT_TRUE(PumpUntil([&] { return FindEvent(Log(), "popup-destroy") != nullptr; }, 8000))
        << "the monitor did not close the popup";
    std::vector<HelpStub::Event> lines = Log();
    const HelpStub::Event *opened = FindEvent(lines, "popup-open");
    const HelpStub::Event *closed = FindEvent(lines, "popup-close");
    ASSERT_TRUE(opened && closed) << "the popup was destroyed without WM_CLOSE";
    EXPECT_EQ(opened->handle, closed->handle) << "it closed another window";
    DWORD elapsed = closed->tick - opened->tick;
    EXPECT_GE(elapsed, 500u);
    EXPECT_LE(elapsed, 6000u);
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(monitor, 0));
}

TEST_F(EndToEnd, ANewStatusClosesTheOpenPopupAtOnce)
{
    StartBoth(1000);

    EXPECT_EQ(0u, RunStatus("40021"));
    EXPECT_EQ(0u, RunStatus("40022"));
    // The first popup gets WM_CLOSE from the monitor before the second
    // request: the stub itself would only destroy it.
    std::string events, first;
    for (const HelpStub::Event &line : Log()) {
        if (line.event == "help" && line.request.compare(0, 3, "13 ") == 0)
            continue;
        if (line.event == "popup-open" && first.empty())
            first = line.handle;
        if (line.event != "popup-destroy")
            events += line.event + (!first.empty() && line.handle == first ? " first" : "") + "\n";
    }
    EXPECT_EQ("start\nhelp\npopup-open first\npopup-close first\nhelp\npopup-open\n", events);
    EXPECT_EQ(Request(HELP_CONTEXTPOPUP, 17, install.helpFile) +
                  Request(HELP_CONTEXTPOPUP, 17, install.helpFile),
              HelpRequests());
    // The second one is closed by the timer.
    EXPECT_TRUE(PumpUntil(
        [&] {
            int closes = 0;
            for (const HelpStub::Event &line : Log())
                closes += line.event == "popup-close";
            return closes == 2;
        },
        8000));
}

TEST_F(EndToEnd, WithTimeCloseWindowZeroTheTopicOpensInTheSecondaryWindow)
{
    StartBoth(0);

    EXPECT_EQ(0u, RunStatus("40021 \"Text=Paper jam\""));
    EXPECT_EQ(Request(HELP_CONTEXT, 17, install.helpFile + ">SEC"), HelpRequests());
    EXPECT_EQ(Sz("Paper jam"), StoredValue(HELP_WINDOW_KEY, "Text"));
    EXPECT_EQ(nullptr, FindEvent(Log(), "popup-open"));
}

TEST_F(EndToEnd, TheStoredStatusIsShownAtStartAndALeftClickShowsItAgain)
{
    std::string shown;
    ASSERT_NO_FATAL_FAILURE(StartWithStoredStatus(&shown));

    // A code of 10000 or more that repeats the current one is ignored...
    EXPECT_EQ(0u, RunStatus("40021"));
    EXPECT_EQ(shown, HelpRequests());

    // ...but a left click re-reads the stored code and shows its help again.
    LeftClick();
    EXPECT_TRUE(WaitForRequests(shown + shown, 10000)) << HelpRequests();
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(monitor, 0));

    // Enter on the icon, as a version 3 shell reports it, does the same and
    // leaves the program running.
    PostMessageA(monitorWindow, WM_TRAYNOTIFY, TRAY_ICON_ID, NIN_KEYSELECT);
    EXPECT_TRUE(WaitForRequests(shown + shown + shown, 10000)) << HelpRequests();
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(monitor, 0));
}

TEST_F(EndToEnd, StatusesWithoutHelpShowNothingUntilALeftClick)
{
    StartBoth(0);

    EXPECT_EQ(0u, RunStatus("--write-only 40021 \"Text=Paper jam\""));
    EXPECT_EQ(0u, RunStatus("--no-help 40021"));
    EXPECT_EQ("", HelpRequests());
    EXPECT_EQ("<missing>", StoredValue(HELP_WINDOW_KEY, "Code")) << "copied without help";

    LeftClick();
    EXPECT_TRUE(WaitForRequests(Request(HELP_CONTEXT, 17, install.helpFile + ">SEC"), 10000))
        << HelpRequests();
    EXPECT_EQ(Sz("40021"), StoredValue(HELP_WINDOW_KEY, "Code"));
}

TEST_F(EndToEnd, SendOnlyShowsTheSentCodeWithTheStoredDataUntouched)
{
    WriteProfile(0);
    install.SetStatus("Code", "12345");
    install.SetStatus("Text", "sentinel");
    StartBoth();
    // 12345 has no help map entry: nothing is shown at start.

    EXPECT_EQ(0u, RunStatus("--send-only 40021"));
    EXPECT_EQ(Request(HELP_CONTEXT, 17, install.helpFile + ">SEC"), HelpRequests());
    EXPECT_EQ(Sz("12345"), StoredValue(install.statusKey, "Code"));
    // The help window gets the status data as it is stored.
    EXPECT_EQ(Sz("12345"), StoredValue(HELP_WINDOW_KEY, "Code"));
    EXPECT_EQ(Sz("sentinel"), StoredValue(HELP_WINDOW_KEY, "Text"));
}

TEST_F(EndToEnd, OnWindows10TheProgramsOwnPopupShowsTheStatusWithoutWinHelp)
{
    TellTheMonitorWindows("win10");
    WriteProfile(1000);
    WriteTextFile(Texts(), "[Text]\r\n17=Open tray 2.\r\n");
    StartBoth();

    DWORD start = GetTickCount();
    EXPECT_EQ(0u, RunStatus("40021 \"Text=Paper jam\""));
    HWND popup = FindWindowA(OWN_POPUP_CLASS, nullptr);
    ASSERT_NE(nullptr, popup) << "no popup of the program's own";
    DWORD owner = 0;
    GetWindowThreadProcessId(popup, &owner);
    EXPECT_EQ(GetProcessId(monitor), owner);
    char text[OWN_POPUP_TEXT_SIZE] = "";
    GetWindowTextA(popup, text, sizeof text);
    EXPECT_STREQ("Open tray 2.\r\n\r\nPaper jam", text);
    RECT work, rect;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(popup, &rect);
    EXPECT_EQ(work.right, rect.right);
    EXPECT_EQ(work.bottom, rect.bottom);

    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(popup); }, 8000)) << "the popup stayed";
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 500u) << "TimeCloseWindow is 1000";
    EXPECT_LE(elapsed, 6000u);
    EXPECT_EQ("", HelpRequests()) << "WinHelp was called";
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(monitor, 0));
}

TEST_F(EndToEnd, OnWindowsXpWinHelpShowsTheTopicAsBefore)
{
    TellTheMonitorWindows("winxp");
    WriteProfile(1000);
    WriteTextFile(Texts(), "[Text]\r\n17=Open tray 2.\r\n");
    StartBoth();

    EXPECT_EQ(0u, RunStatus("40021"));
    EXPECT_EQ(Request(HELP_CONTEXTPOPUP, 17, install.helpFile), HelpRequests());
    EXPECT_EQ(nullptr, FindWindowA(OWN_POPUP_CLASS, nullptr));
}

// The kit's sample source, in C, reports as the status source tool does. It
// reads the settings from and writes the status data to the 32-bit view,
// where the shipped 32-bit monitor reads; a 64-bit build of the tests keeps
// its installation in the 64-bit view, so the settings go to both there.
TEST_F(EndToEnd, TheKitsSampleSourceReportsAStatusWithItsHelp)
{
    WriteProfile(0);
    HKEY key;
#ifdef _WIN64
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, SETTINGS_KEY, 0, NULL, 0,
                                             KEY_SET_VALUE | KEY_WOW64_32KEY, NULL, &key, NULL));
    RegSetValueExA(key, "Monitor", 0, REG_SZ, reinterpret_cast<const BYTE *>(install.monitorKey.c_str()),
                   static_cast<DWORD>(install.monitorKey.size() + 1));
    RegCloseKey(key);
#endif
    StartBoth();
    EXPECT_EQ(0u, RunProgram("DadaViziSample.exe", "40077 \"Door open\""));
    EXPECT_EQ(Request(HELP_CONTEXT, 17, install.helpFile + ">SEC"), HelpRequests());
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, install.statusKey.c_str(), 0,
                                           KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key));
    char text[32] = "", code[16] = "";
    DWORD size = sizeof text;
    RegQueryValueExA(key, "Text", NULL, NULL, reinterpret_cast<BYTE *>(text), &size);
    size = sizeof code;
    RegQueryValueExA(key, "Code", NULL, NULL, reinterpret_cast<BYTE *>(code), &size);
    RegCloseKey(key);
    EXPECT_STREQ("Door open", text);
    EXPECT_STREQ("40077", code);
#ifdef _WIN64
    // What went to the 32-bit view is not the installation writer's to clean.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, install.monitorKey.c_str(), 0,
                      KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
        RegDeleteKeyA(key, "BidiData");
        RegCloseKey(key);
    }
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SETTINGS_KEY, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                      &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "Monitor");
        RegCloseKey(key);
    }
#endif
}

// The session relay stands in for the monitor's reach from another session:
// here the write-only status source plays a source in session 0, which
// writes the status data but finds no window to send to.
class EndToEndRelay : public EndToEnd {
protected:
    void TearDown() override
    {
        if (relay) {
            if (HWND window = FindWindowA("DadaViziRelay", "DadaViziRelay"))
                PostMessageA(window, WM_CLOSE, 0, 0);
            EndProgram(relay);
        }
        EndToEnd::TearDown();
    }
    void StartRelay()
    {
        relay = StartProgram("DadaViziRelay.exe");
        ASSERT_NE(nullptr, relay) << "cannot start DadaViziRelay.exe";
        // Its window appears once its watch is armed.
        ASSERT_TRUE(PumpUntil([] { return FindWindowA("DadaViziRelay", "DadaViziRelay") != NULL; },
                              20000));
    }
    // Whether the help requests come to `expected` within `milliseconds`, and
    // stay there: the relay must send once, not again.
    bool RequestsBecome(const std::string &expected, DWORD milliseconds)
    {
        return WaitForRequests(expected, milliseconds) && !PumpUntil([&] {
            return HelpRequests() != expected;
        }, 1500);
    }

    HANDLE relay = NULL;
};

TEST_F(EndToEndRelay, AStatusOnlyWrittenReachesTheMonitorWithItsHelp)
{
    std::string shown;
    ASSERT_NO_FATAL_FAILURE(StartWithStoredStatus(&shown));
    StartRelay();
    EXPECT_TRUE(RequestsBecome(shown, 0)) << "the relay sent the code it found at its start";

    // A new code, with its help and its details, within 3 seconds.
    DWORD start = GetTickCount();
    EXPECT_EQ(0u, RunStatus("--write-only 40077 \"Text=Door open\""));
    EXPECT_TRUE(WaitForRequests(shown + shown, 8000)) << HelpRequests();
    EXPECT_LE(GetTickCount() - start, 3000u);
    EXPECT_EQ(Sz("Door open"), StoredValue(HELP_WINDOW_KEY, "Text"));
    EXPECT_TRUE(RequestsBecome(shown + shown, 0));

    // A detail rewritten while the code stays sends nothing.
    EXPECT_EQ(0u, RunStatus("--write-only 40077 \"Text=Door still open\""));
    EXPECT_TRUE(RequestsBecome(shown + shown, 0)) << HelpRequests();

    // The key deleted and made again is followed.
    ASSERT_TRUE(DeleteKeyTree(HKEY_LOCAL_MACHINE, install.statusKey.c_str()));
    EXPECT_TRUE(RequestsBecome(shown + shown, 0));
    EXPECT_EQ(0u, RunStatus("--write-only 40021"));
    EXPECT_TRUE(RequestsBecome(shown + shown + shown, 8000)) << HelpRequests();
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(relay, 0));
}

TEST_F(EndToEndRelay, OneRelayASessionWithoutHelpWhenTheDriverSaysSoAndWmCloseEndsIt)
{
    install.WriteSystemProfile("[HelpMap]\r\n40000=17\r\n\r\n[" + install.driver +
                               "]\r\nTimeCloseWindow=0\r\nRelayHelp=0\r\n");
    StartBoth();
    StartRelay();
    EXPECT_EQ(0u, RunProgram("DadaViziRelay.exe", "", nullptr, 10000)) << "a second start";
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(relay, 0));

    // Sent without help: the source's own report of the same code is then a
    // repeat that the monitor ignores, help and all.
    EXPECT_EQ(0u, RunStatus("--write-only 40021"));
    PumpMessages(2000);
    EXPECT_EQ(0u, RunStatus("40021"));
    EXPECT_EQ("", HelpRequests()) << "the relay asked for help, or did not send";

    PostMessageA(FindWindowA("DadaViziRelay", "DadaViziRelay"), WM_CLOSE, 0, 0);
    // Two seconds, with room for a busy machine.
    EXPECT_EQ(0u, WaitForExit(relay, 4000));
}

// HTML Help, with Wine's own hhctrl.ocx and the sample CHM built from
// tests/help/sample-chm. Wine draws no pages (it has no Gecko here): these
// tests look at the help window, its caption and its life, never the page.
class EndToEndHtmlHelp : public EndToEnd {
protected:
    void SetUp() override
    {
        if (!DADAVIZI_SAMPLE_CHM[0])
            GTEST_SKIP() << "no sample CHM: chmcmd (Debian fp-utils) is missing";
        EndToEnd::SetUp();
        TellTheMonitorWindows("win10");
    }

    // The profile, and the CHM and its texts beside the help file.
    void Install(int timeCloseWindow)
    {
        WriteProfile(timeCloseWindow);
        ASSERT_TRUE(CopyFileA(DADAVIZI_SAMPLE_CHM, Chm().c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(DADAVIZI_SAMPLE_TEXTS, Texts().c_str(), FALSE));
    }

    // The sample's window type SEC, opened by the monitor's process.
    HWND HelpWindow() const
    {
        HWND found = FindWindowA("HH Parent", "DadaVizi sample help");
        DWORD owner = 0;
        GetWindowThreadProcessId(found, &owner);
        return found && owner == GetProcessId(monitor) ? found : NULL;
    }
    bool WaitForHelpWindow() const
    {
        return PumpUntil([&] { return HelpWindow() != NULL; }, 15000);
    }
};

TEST_F(EndToEndHtmlHelp, WindowModeOpensTheChmTopicAndTheProgramsEndClosesIt)
{
    Install(0);
    StartBoth();
    EXPECT_EQ(0u, RunStatus("40021 \"Text=Paper jam\""));
    ASSERT_TRUE(WaitForHelpWindow()) << "no HTML Help window in the monitor's process";
    HWND help = HelpWindow();
    EXPECT_EQ(nullptr, GetWindow(help, GW_OWNER)) << "owned windows get no taskbar button";
    EXPECT_EQ(nullptr, FindWindowA(OWN_POPUP_CLASS, nullptr));
    EXPECT_EQ("", HelpRequests()) << "WinHelp was called";

    PostMessageA(monitorWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExitPumping(monitor, 10000));
    EXPECT_FALSE(IsWindow(help)) << "the help window outlived the program";
}

TEST_F(EndToEndHtmlHelp, AClickOnThePopupOpensTheFullTopic)
{
    Install(5000);
    StartBoth();
    EXPECT_EQ(0u, RunStatus("40021 \"Text=Paper jam\""));
    HWND popup = FindWindowA(OWN_POPUP_CLASS, nullptr);
    ASSERT_NE(nullptr, popup) << "a timed popup is the program's own";
    EXPECT_EQ(nullptr, HelpWindow()) << "no topic window before the click";
    char text[OWN_POPUP_TEXT_SIZE] = "";
    GetWindowTextA(popup, text, sizeof text);
    EXPECT_STREQ("Paper is jammed. Open the cover named in the message and remove the paper."
                 "\r\n\r\nPaper jam", text);

    PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(popup, WM_LBUTTONUP, 0, 0);
    EXPECT_TRUE(WaitForHelpWindow()) << "the click opened no topic";
    EXPECT_FALSE(IsWindow(popup));
}

}  // namespace
