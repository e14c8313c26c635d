// End to end: the real DadaVizi.exe, DadaViziStatus.exe and, for the help
// engine, DadaViziHelpStub.exe, run as processes against the real (Wine)
// registry and a profile file in the system directory.
//
// Under Wine the help stub is what WinHelpA talks to; the stub logs each
// request, opens an "MS_WINNOTE" window for popups and logs when that
// window is closed. Wine does not forward HELP_SETPOPUP_POS to any help
// window, so the tests leave that request out of every comparison.
#include <gtest/gtest.h>

#include "testing.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

const UINT WM_TRAYNOTIFY_MESSAGE = WM_USER + 10;
const UINT HELP_SETPOPUP_POS_COMMAND = 13;

const char SETTINGS_PATH[] = "SOFTWARE\\Halvik\\Zive Dozorod";
const char HELP_WINDOW_PATH[] = "SOFTWARE\\Halvik\\Help Embedded Window";
const char OUR_ROOT[] = "SOFTWARE\\DadaViziE2E";
const char MONITOR_PATH[] = "SOFTWARE\\DadaViziE2E\\Source";
const char STATUS_PATH[] = "SOFTWARE\\DadaViziE2E\\Source\\BidiData";
const char PRINTER_NAME[] = "DadaVizi E2E Printer";
const char PRINTER_PATH[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\DadaVizi E2E Printer";
const char DRIVER_DATA_PATH[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\DadaVizi E2E Printer\\"
    "PrinterDriverData";
const char DRIVER_SECTION[] = "DadaViziE2E";

// A REG_SZ as the registry hands it back: the text and its terminator.
std::string Sz(const std::string &text)
{
    return text + std::string(1, '\0');
}

std::string SystemDirectory()
{
    char directory[MAX_PATH] = "";
    UINT length = GetSystemDirectoryA(directory, sizeof directory);
    return std::string(directory, length < sizeof directory ? length : 0);
}

std::string TempFile(const char *name)
{
    char directory[MAX_PATH] = "";
    GetTempPathA(sizeof directory, directory);
    return std::string(directory) + name;
}

bool ReadWholeFile(const std::string &path, std::string *text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    text->clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, NULL) && got)
        text->append(buffer, got);
    CloseHandle(file);
    return true;
}

struct LogLine {
    DWORD tick = 0;
    std::string event;
    // help: command, data and file; popup events: the window handle.
    UINT command = 0;
    long data = 0;
    std::string rest;
};

struct HelpRequest {
    UINT command;
    long data;
    std::string file;
    bool operator==(const HelpRequest &other) const
    {
        return command == other.command && data == other.data && file == other.file;
    }
};

std::ostream &operator<<(std::ostream &out, const HelpRequest &request)
{
    return out << "{command " << request.command << ", data " << request.data << ", '"
               << request.file << "'}";
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        systemDir = SystemDirectory();
        ASSERT_FALSE(systemDir.empty());
        helpFile = systemDir + "\\DOZID049.HLP";
        profilePath = systemDir + "\\DODOZOD.INI";
        hadProfile = ReadWholeFile(profilePath, &savedProfile);
        logPath = TempFile("dadavizi-e2e-help.log");
        DeleteFileA(logPath.c_str());
        RemoveKeys();

        SetRegString(SETTINGS_PATH, "Monitor", MONITOR_PATH);
        SetRegString(SETTINGS_PATH, "Printer", PRINTER_NAME);
        SetRegString(SETTINGS_PATH, "Driver", DRIVER_SECTION);
        SetRegString(DRIVER_DATA_PATH, "DrvlibIntl", "01Deutsch");
        SetRegString(DRIVER_DATA_PATH, "DrvlibIntl=Deutsch", "Deutsch,49:extra");
    }

    void TearDown() override
    {
        // The monitor goes first: without the stub's window, a help request
        // would start Wine's own help viewer.
        if (monitor) {
            HWND window = FindWindowA("DadaVizi", "DadaVizi");
            if (window)
                PostMessageA(window, WM_CLOSE, 0, 0);
            EndProcess(monitor);
        }
        if (stub) {
            HWND window = StubWindow();
            if (window)
                PostMessageA(window, WM_CLOSE, 0, 0);
            EndProcess(stub);
        }
        RemoveKeys();
        DeleteFileA(logPath.c_str());
        if (hadProfile)
            WriteTextFile(profilePath, savedProfile);
        else
            DeleteFileA(profilePath.c_str());
    }

    static void RemoveKeys()
    {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
        DeleteKeyTree(HKEY_LOCAL_MACHINE, OUR_ROOT);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, PRINTER_PATH);
    }

    static void EndProcess(HANDLE process)
    {
        if (WaitForSingleObject(process, 2000) != WAIT_OBJECT_0) {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, 5000);
        }
        CloseHandle(process);
    }

    void WriteProfile(int timeCloseWindow)
    {
        std::ostringstream text;
        text << "[HelpMap]\r\n40000=17\r\n\r\n[" << DRIVER_SECTION << "]\r\nTimeCloseWindow="
             << timeCloseWindow << "\r\n";
        WriteTextFile(profilePath, text.str());
    }

    // Starts <build>/bin/<exe> with `arguments`; stdout and stderr go to
    // `output` when it is given.
    static HANDLE Start(const std::string &exe, const std::string &arguments,
                        DWORD *processId = nullptr, HANDLE output = NULL)
    {
        std::string commandLine = "\"" + ModuleDirectory() + "\\" + exe + "\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (output) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
            startup.hStdOutput = output;
            startup.hStdError = output;
        }
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, output != NULL, 0, NULL, NULL,
                            &startup, &process))
            return NULL;
        CloseHandle(process.hThread);
        if (processId)
            *processId = process.dwProcessId;
        return process.hProcess;
    }

    static DWORD WaitForExit(HANDLE process, DWORD milliseconds)
    {
        if (WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0)
            return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process, &code);
        return code;
    }

    // Runs the status source to its end; its exit code, STILL_ACTIVE when
    // it hangs (it is then ended). `output` receives what it printed.
    DWORD RunStatus(const std::string &arguments, std::string *output = nullptr)
    {
        std::string outputPath = TempFile("dadavizi-e2e-status.txt");
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
        HANDLE file = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        HANDLE process = Start("DadaViziStatus.exe", arguments, nullptr,
                               file == INVALID_HANDLE_VALUE ? NULL : file);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (!process) {
            ADD_FAILURE() << "cannot start DadaViziStatus.exe";
            return STILL_ACTIVE;
        }
        DWORD code = WaitForExit(process, 45000);
        if (code == STILL_ACTIVE)
            TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
        std::string text;
        ReadWholeFile(outputPath, &text);
        DeleteFileA(outputPath.c_str());
        if (output)
            *output = text;
        return code;
    }

    HWND StubWindow() const
    {
        HWND window = NULL;
        while ((window = FindWindowExA(NULL, window, "MS_WINHELP", NULL)) != NULL) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == stubId)
                return window;
        }
        return NULL;
    }

    // The help stub, up with its window before any status can ask for help.
    void StartStub()
    {
        stub = Start("DadaViziHelpStub.exe", "--log \"" + logPath + "\"", &stubId);
        ASSERT_TRUE(stub != NULL) << "cannot start DadaViziHelpStub.exe";
        ASSERT_TRUE(PumpUntil([&] { return StubWindow() != NULL; }, 20000))
            << "the help stub's window did not appear";
    }

    void StartMonitor()
    {
        ASSERT_TRUE(stub && StubWindow()) << "the help stub must be up before the monitor";
        monitor = Start("DadaVizi.exe", "");
        ASSERT_TRUE(monitor != NULL) << "cannot start DadaVizi.exe";
        ASSERT_TRUE(PumpUntil(
            [&] {
                monitorWindow = FindWindowA("DadaVizi", "DadaVizi");
                return monitorWindow != NULL || WaitForSingleObject(monitor, 0) == WAIT_OBJECT_0;
            },
            20000));
        ASSERT_TRUE(monitorWindow != NULL) << "no DadaVizi window appeared";
    }

    std::vector<LogLine> Log() const
    {
        std::vector<LogLine> lines;
        std::string text;
        if (!ReadWholeFile(logPath, &text))
            return lines;
        std::istringstream in(text);
        std::string row;
        while (std::getline(in, row)) {
            std::istringstream fields(row);
            LogLine line;
            unsigned long tick = 0;
            fields >> tick >> line.event;
            line.tick = tick;
            if (line.event == "help")
                fields >> line.command >> line.data;
            fields >> std::ws;
            std::getline(fields, line.rest);
            lines.push_back(line);
        }
        return lines;
    }

    // What the monitor asked the help engine for, in order.
    std::vector<HelpRequest> HelpRequests() const
    {
        std::vector<HelpRequest> requests;
        for (const LogLine &line : Log())
            if (line.event == "help" && line.command != HELP_SETPOPUP_POS_COMMAND)
                requests.push_back(HelpRequest{line.command, line.data, line.rest});
        return requests;
    }

    bool WaitForRequests(size_t count, DWORD milliseconds)
    {
        return PumpUntil([&] { return HelpRequests().size() >= count; }, milliseconds);
    }

    const LogLine *FindEvent(const std::vector<LogLine> &lines, const char *event) const
    {
        for (const LogLine &line : lines)
            if (line.event == event)
                return &line;
        return nullptr;
    }

    void LeftClick() { PostMessageA(monitorWindow, WM_TRAYNOTIFY_MESSAGE, 100, WM_LBUTTONDOWN); }

    std::string StoredValue(const char *path, const char *name)
    {
        std::string data;
        if (!GetRegValue(path, name, &data))
            return "<missing>";
        return data;
    }

    std::string systemDir, helpFile, profilePath, logPath, savedProfile;
    bool hadProfile = false;
    HANDLE stub = NULL, monitor = NULL;
    DWORD stubId = 0;
    HWND monitorWindow = NULL;
};

// --- The monitor with the help engine ---------------------------------

TEST_F(EndToEnd, AReportedStatusShowsItsPopupAndTheMonitorClosesItAfterTimeCloseWindow)
{
    WriteProfile(1000);
    StartStub();
    StartMonitor();
    ASSERT_TRUE(HelpRequests().empty()) << "no status was stored, so none is shown at start";

    // The status source returns once the monitor has handled the status,
    // help request included.
    EXPECT_EQ(0u, RunStatus("40021 \"Text=Paper jam\""));
    EXPECT_EQ(std::vector<HelpRequest>({{HELP_CONTEXTPOPUP, 17, helpFile}}), HelpRequests());
    EXPECT_EQ(Sz("40021"), StoredValue(HELP_WINDOW_PATH, "Code"));
    EXPECT_EQ(Sz("Paper jam"), StoredValue(HELP_WINDOW_PATH, "Text"));

    ASSERT_TRUE(PumpUntil([&] { return FindEvent(Log(), "popup-destroy") != nullptr; }, 8000))
        << "the monitor did not close the popup";
    std::vector<LogLine> lines = Log();
    const LogLine *opened = FindEvent(lines, "popup-open");
    const LogLine *closed = FindEvent(lines, "popup-close");
    ASSERT_TRUE(opened && closed) << "the popup was destroyed without WM_CLOSE";
    EXPECT_EQ(opened->rest, closed->rest) << "it closed another window";
    DWORD elapsed = closed->tick - opened->tick;
    EXPECT_GE(elapsed, 500u);
    EXPECT_LE(elapsed, 6000u);
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(monitor, 0));
}

TEST_F(EndToEnd, ANewStatusClosesTheOpenPopupAtOnce)
{
    WriteProfile(1000);
    StartStub();
    StartMonitor();

    EXPECT_EQ(0u, RunStatus("40021"));
    EXPECT_EQ(0u, RunStatus("40022"));
    std::vector<LogLine> lines = Log();
    // The first popup gets WM_CLOSE from the monitor before the second
    // request: the stub itself would only destroy it.
    std::vector<std::string> events;
    std::string first;
    for (const LogLine &line : lines) {
        if (line.event == "help" && line.command == HELP_SETPOPUP_POS_COMMAND)
            continue;
        if (line.event == "popup-open" && first.empty())
            first = line.rest;
        if (line.event != "popup-destroy")
            events.push_back(line.event + (!first.empty() && line.rest == first ? " first" : ""));
    }
    EXPECT_EQ(std::vector<std::string>({"start", "help", "popup-open first", "popup-close first",
                                        "help", "popup-open"}),
              events);
    EXPECT_EQ(std::vector<HelpRequest>(
                  {{HELP_CONTEXTPOPUP, 17, helpFile}, {HELP_CONTEXTPOPUP, 17, helpFile}}),
              HelpRequests());
    // The second one is closed by the timer.
    EXPECT_TRUE(PumpUntil(
        [&] {
            int closes = 0;
            for (const LogLine &line : Log())
                closes += line.event == "popup-close";
            return closes == 2;
        },
        8000));
}

TEST_F(EndToEnd, WithTimeCloseWindowZeroTheTopicOpensInTheSecondaryWindow)
{
    WriteProfile(0);
    StartStub();
    StartMonitor();

    EXPECT_EQ(0u, RunStatus("40021 \"Text=Paper jam\""));
    EXPECT_EQ(std::vector<HelpRequest>({{HELP_CONTEXT, 17, helpFile + ">SEC"}}), HelpRequests());
    EXPECT_EQ(Sz("Paper jam"), StoredValue(HELP_WINDOW_PATH, "Text"));
    EXPECT_EQ(nullptr, FindEvent(Log(), "popup-open"));
}

TEST_F(EndToEnd, TheStoredStatusIsShownAtStartAndALeftClickShowsItAgain)
{
    WriteProfile(0);
    EXPECT_EQ(0u, RunStatus("--write-only 40021"));
    StartStub();
    StartMonitor();
    ASSERT_TRUE(WaitForRequests(1, 10000)) << "the stored status was not shown at start";
    const HelpRequest shown = {HELP_CONTEXT, 17, helpFile + ">SEC"};
    EXPECT_EQ(std::vector<HelpRequest>({shown}), HelpRequests());

    // A code of 10000 or more that repeats the current one is ignored...
    EXPECT_EQ(0u, RunStatus("40021"));
    EXPECT_EQ(1u, HelpRequests().size());

    // ...but a left click re-reads the stored code and shows its help again.
    LeftClick();
    ASSERT_TRUE(WaitForRequests(2, 10000)) << "the left click showed nothing";
    EXPECT_EQ(std::vector<HelpRequest>({shown, shown}), HelpRequests());
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(monitor, 0));
}

TEST_F(EndToEnd, StatusesWithoutHelpShowNothingUntilALeftClick)
{
    WriteProfile(0);
    StartStub();
    StartMonitor();

    EXPECT_EQ(0u, RunStatus("--write-only 40021 \"Text=Paper jam\""));
    EXPECT_EQ(0u, RunStatus("--no-help 40021"));
    EXPECT_TRUE(HelpRequests().empty());
    EXPECT_EQ("<missing>", StoredValue(HELP_WINDOW_PATH, "Code")) << "copied without help";

    LeftClick();
    ASSERT_TRUE(WaitForRequests(1, 10000)) << "the left click showed nothing";
    EXPECT_EQ(std::vector<HelpRequest>({{HELP_CONTEXT, 17, helpFile + ">SEC"}}), HelpRequests());
    EXPECT_EQ(Sz("40021"), StoredValue(HELP_WINDOW_PATH, "Code"));
}

TEST_F(EndToEnd, SendOnlyShowsTheSentCodeWithTheStoredDataUntouched)
{
    WriteProfile(0);
    SetRegString(STATUS_PATH, "Code", "12345");
    SetRegString(STATUS_PATH, "Text", "sentinel");
    StartStub();
    StartMonitor();
    // 12345 has no help map entry: nothing is shown at start.

    EXPECT_EQ(0u, RunStatus("--send-only 40021"));
    EXPECT_EQ(std::vector<HelpRequest>({{HELP_CONTEXT, 17, helpFile + ">SEC"}}), HelpRequests());
    EXPECT_EQ(Sz("12345"), StoredValue(STATUS_PATH, "Code"));
    // The help window gets the status data as it is stored.
    EXPECT_EQ(Sz("12345"), StoredValue(HELP_WINDOW_PATH, "Code"));
    EXPECT_EQ(Sz("sentinel"), StoredValue(HELP_WINDOW_PATH, "Text"));
}

TEST_F(EndToEnd, ARightClickEndsTheMonitorWithExitCodeZero)
{
    WriteProfile(1000);
    StartStub();
    StartMonitor();

    PostMessageA(monitorWindow, WM_TRAYNOTIFY_MESSAGE, 100, WM_RBUTTONDOWN);
    EXPECT_EQ(0u, WaitForExit(monitor, 10000));
    EXPECT_TRUE(FindWindowA("DadaVizi", "DadaVizi") == NULL);
    // With the monitor gone the status source still stores the status.
    EXPECT_EQ(3u, RunStatus("40021"));
    EXPECT_EQ(Sz("40021"), StoredValue(STATUS_PATH, "Code"));
    EXPECT_TRUE(HelpRequests().empty());
}

// --- The status source on its own -------------------------------------

TEST_F(EndToEnd, WithoutAMonitorTheStatusSourceStoresTheStatusAndExitsWith3)
{
    std::string output;
    EXPECT_EQ(3u, RunStatus("40021 \"Text=Paper jam\" Empty=", &output));
    EXPECT_NE(std::string::npos, output.find("DadaVizi")) << output;
    EXPECT_EQ(Sz("40021"), StoredValue(STATUS_PATH, "Code"));
    EXPECT_EQ(Sz("Paper jam"), StoredValue(STATUS_PATH, "Text"));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(GetRegValue(STATUS_PATH, "Empty", &data, &type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(Sz(""), data);

    // --send-only touches nothing, and --write-only needs no monitor.
    EXPECT_EQ(3u, RunStatus("--send-only 7"));
    EXPECT_EQ(Sz("40021"), StoredValue(STATUS_PATH, "Code"));
    EXPECT_EQ(0u, RunStatus("--write-only -2147483648"));
    EXPECT_EQ(Sz("-2147483648"), StoredValue(STATUS_PATH, "Code"));
    EXPECT_EQ(0u, RunStatus("--write-only +0002147483647"));
    EXPECT_EQ(Sz("2147483647"), StoredValue(STATUS_PATH, "Code"));
    EXPECT_EQ(Sz("Paper jam"), StoredValue(STATUS_PATH, "Text")) << "other details stay";
}

TEST_F(EndToEnd, WithoutUsableSettingsTheStatusSourceExitsWith2AndWritesNothing)
{
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
    EXPECT_EQ(2u, RunStatus("40021"));
    EXPECT_FALSE(KeyExists(STATUS_PATH));

    SetRegString(SETTINGS_PATH, "Printer", PRINTER_NAME);  // a key without "Monitor"
    EXPECT_EQ(2u, RunStatus("--write-only 40021"));
    EXPECT_FALSE(KeyExists(STATUS_PATH));

    // A "Monitor" the monitor itself cannot use (its status data path would
    // not fit) is as good as none.
    SetRegString(SETTINGS_PATH, "Monitor", std::string("SOFTWARE\\") + std::string(240, 'x'));
    EXPECT_EQ(2u, RunStatus("40021"));
}

TEST_F(EndToEnd, AFailedWriteMakesTheStatusSourceExitWith4)
{
    // A key below a volatile key must be volatile too, so creating the
    // status data key there fails.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\DadaViziE2E\\Volatile", 0, NULL,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &key, NULL));
    RegCloseKey(key);
    SetRegString(SETTINGS_PATH, "Monitor", "SOFTWARE\\DadaViziE2E\\Volatile");
    EXPECT_EQ(4u, RunStatus("40021"));
    EXPECT_FALSE(KeyExists("SOFTWARE\\DadaViziE2E\\Volatile\\BidiData"));
}

// A "DadaVizi" window whose thread takes no messages.
struct StuckMonitor {
    StuckMonitor()
    {
        ready = CreateEventA(NULL, TRUE, FALSE, NULL);
        release = CreateEventA(NULL, TRUE, FALSE, NULL);
        thread = CreateThread(NULL, 0, &StuckMonitor::Run, this, 0, NULL);
        WaitForSingleObject(ready, 10000);
    }
    ~StuckMonitor()
    {
        SetEvent(release);
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
        CloseHandle(release);
        CloseHandle(ready);
        UnregisterClassA("DadaVizi", GetModuleHandleA(NULL));
    }
    static DWORD WINAPI Run(void *parameter)
    {
        StuckMonitor *self = static_cast<StuckMonitor *>(parameter);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "DadaVizi";
        RegisterClassA(&windowClass);
        self->window = CreateWindowExA(0, "DadaVizi", "DadaVizi", 0, 0, 0, 0, 0, NULL, NULL,
                                       GetModuleHandleA(NULL), NULL);
        SetEvent(self->ready);
        WaitForSingleObject(self->release, 60000);
        if (self->window)
            DestroyWindow(self->window);
        return 0;
    }
    HANDLE ready, release, thread;
    HWND window = NULL;
};

TEST_F(EndToEnd, AMonitorThatDoesNotAnswerMakesTheStatusSourceExitWith5)
{
    StuckMonitor stuck;
    ASSERT_TRUE(stuck.window != NULL);
    // A thread that has not looked at its messages for 5 seconds counts as
    // hung, and the status source gives up on it without waiting its full
    // time (or else after it).
    Sleep(5500);
    EXPECT_EQ(5u, RunStatus("--send-only 40021"));
}

TEST_F(EndToEnd, UsageErrorsExitWith1AndWriteNothing)
{
    SetRegString(STATUS_PATH, "Code", "sentinel");
    const std::vector<std::string> wrong = {
        "",
        "abc",
        "12ab",
        "\" 5\"",
        "-",
        "2147483648",
        "-2147483649",
        "99999999999999999999",
        "1 NoEquals",
        "1 =NoName",
        "1 Code=2",
        "1 code=2",
        "--write-only --send-only 1",
        "--send-only 1 Text=x",
        "--bogus 1",
        "1 Text=" + std::string(256, 't'),
    };
    for (const std::string &arguments : wrong) {
        std::string output;
        EXPECT_EQ(1u, RunStatus(arguments, &output)) << "arguments: " << arguments;
        EXPECT_NE(std::string::npos, output.find("--help")) << "arguments: " << arguments;
    }
    EXPECT_EQ(Sz("sentinel"), StoredValue(STATUS_PATH, "Code"));
    EXPECT_EQ("<missing>", StoredValue(STATUS_PATH, "Text"));

    // 255 characters are still a detail.
    EXPECT_EQ(0u, RunStatus("--write-only 1 Text=" + std::string(255, 't')));
    EXPECT_EQ(Sz(std::string(255, 't')), StoredValue(STATUS_PATH, "Text"));
}

TEST_F(EndToEnd, TheStatusSourceDocumentsItsUsageAndExitCodes)
{
    std::string output;
    EXPECT_EQ(0u, RunStatus("--help", &output));
    EXPECT_NE(std::string::npos,
              output.find("DadaViziStatus [--no-help] [--write-only | --send-only] CODE "
                          "[NAME=TEXT ...]"))
        << output;
    for (const char *line : {"0  done", "1  usage error", "2  the settings key",
                             "3  no monitor is running", "4  writing the status data failed",
                             "5  the monitor did not answer"})
        EXPECT_NE(std::string::npos, output.find(line)) << line;
    EXPECT_FALSE(KeyExists(STATUS_PATH));
}

}  // namespace
