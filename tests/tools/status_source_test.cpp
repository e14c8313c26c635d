// DadaViziStatus.exe as a program: what it writes, what it sends, its exit
// codes and its usage, against the real (Wine) registry.
#include <gtest/gtest.h>

#include "app/shared.h"
#include "installation.h"
#include "process.h"
#include "registry/settings.h"
#include "testing.h"

#include <string>
#include <vector>

namespace {

class StatusSource : public ::testing::Test {
protected:
    void SetUp() override { install.WriteSettings(); }

    DWORD Run(const std::string &arguments, std::string *output = nullptr)
    {
        return RunProgram("DadaViziStatus.exe", arguments, output);
    }
    std::string Stored(const char *name) { return StoredValue(install.statusKey, name); }

    Installation install{"StatusSource"};
};

TEST_F(StatusSource, WithoutAMonitorItStoresTheStatusAndExitsWith3)
{
    std::string output;
    EXPECT_EQ(3u, Run("40021 \"Text=Paper jam\" Empty=", &output));
    EXPECT_NE(std::string::npos, output.find(MONITOR_WINDOW_NAME)) << output;
    EXPECT_EQ(Sz("40021"), Stored("Code"));
    EXPECT_EQ(Sz("Paper jam"), Stored("Text"));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(GetRegValue(install.statusKey.c_str(), "Empty", &data, &type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(Sz(""), data);

    // --send-only touches nothing, and --write-only needs no monitor.
    EXPECT_EQ(3u, Run("--send-only 7"));
    EXPECT_EQ(Sz("40021"), Stored("Code"));
    EXPECT_EQ(0u, Run("--write-only -2147483648"));
    EXPECT_EQ(Sz("-2147483648"), Stored("Code"));
    EXPECT_EQ(0u, Run("--write-only +0002147483647"));
    EXPECT_EQ(Sz("2147483647"), Stored("Code"));
    EXPECT_EQ(Sz("Paper jam"), Stored("Text")) << "other details stay";
}

TEST_F(StatusSource, WithoutUsableSettingsItExitsWith2AndWritesNothing)
{
    install.RemoveKeys();
    EXPECT_EQ(2u, Run("40021"));
    EXPECT_FALSE(KeyExists(install.statusKey.c_str()));

    SetRegString(SETTINGS_KEY, "Printer", install.printer);  // a key without "Monitor"
    EXPECT_EQ(2u, Run("--write-only 40021"));
    EXPECT_FALSE(KeyExists(install.statusKey.c_str()));

    // A "Monitor" the monitor itself cannot use (its status data path would
    // not fit) is as good as none.
    SetRegString(SETTINGS_KEY, "Monitor", "SOFTWARE\\" + std::string(240, 'x'));
    EXPECT_EQ(2u, Run("40021"));
}

TEST_F(StatusSource, AFailedWriteExitsWith4)
{
    // A key below a volatile key must be volatile too, so creating the
    // status data key there fails.
    const std::string volatileKey = install.monitorKey + " Volatile";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, volatileKey.c_str(), 0, NULL,
                                             REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &key, NULL));
    RegCloseKey(key);
    SetRegString(SETTINGS_KEY, "Monitor", volatileKey);
    EXPECT_EQ(4u, Run("40021"));
    EXPECT_FALSE(KeyExists((volatileKey + "\\BidiData").c_str()));
}

TEST_F(StatusSource, AccessDeniedExitsWith4AndSaysWhatToGrant)
{
    // As a standard user finds the keys when the installation granted nothing.
    install.SetStatus("Code", "10001");
    ASSERT_TRUE(SetKeyWritable(install.statusKey.c_str(), false));
    std::string output;
    EXPECT_EQ(4u, Run("40021", &output));
    EXPECT_NE(std::string::npos, output.find("access denied to HKLM\\" + install.statusKey))
        << output;
    EXPECT_NE(std::string::npos, output.find("\"Set Value\"")) << output;
    EXPECT_EQ(Sz("10001"), Stored("Code"));

    EXPECT_TRUE(SetKeyWritable(install.statusKey.c_str(), true));
    // Wine lets a key be created under a parent that refuses KEY_CREATE_SUB_KEY,
    // so the message for a missing key is not shown here.
}

// A monitor window whose thread takes no messages.
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
        UnregisterClassA(MONITOR_WINDOW_NAME, GetModuleHandleA(NULL));
    }
    static DWORD WINAPI Run(void *parameter)
    {
        StuckMonitor *self = static_cast<StuckMonitor *>(parameter);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = MONITOR_WINDOW_NAME;
        RegisterClassA(&windowClass);
        self->window = CreateWindowExA(0, MONITOR_WINDOW_NAME, MONITOR_WINDOW_NAME, 0, 0, 0, 0, 0,
                                       NULL, NULL, GetModuleHandleA(NULL), NULL);
        SetEvent(self->ready);
        WaitForSingleObject(self->release, 60000);
        if (self->window)
            DestroyWindow(self->window);
        return 0;
    }
    HANDLE ready, release, thread;
    HWND window = NULL;
};

TEST_F(StatusSource, AMonitorThatDoesNotAnswerMakesItExitWith5)
{
    StuckMonitor stuck;
    ASSERT_NE(nullptr, stuck.window);
    // A thread that has not looked at its messages for 5 seconds counts as
    // hung, and the status source gives up on it without waiting its full
    // time (or else after it).
    Sleep(5500);
    EXPECT_EQ(5u, Run("--send-only 40021"));
}

TEST_F(StatusSource, UsageErrorsExitWith1AndWriteNothing)
{
    install.SetStatus("Code", "sentinel");
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
        EXPECT_EQ(1u, Run(arguments, &output)) << "arguments: " << arguments;
        EXPECT_NE(std::string::npos, output.find("--help")) << "arguments: " << arguments;
    }
    EXPECT_EQ(Sz("sentinel"), Stored("Code"));
    EXPECT_EQ("<missing>", Stored("Text"));

    // 255 characters are still a detail.
    EXPECT_EQ(0u, Run("--write-only 1 Text=" + std::string(255, 't')));
    EXPECT_EQ(Sz(std::string(255, 't')), Stored("Text"));
}

TEST_F(StatusSource, DocumentsItsUsageAndExitCodes)
{
    std::string output;
    EXPECT_EQ(0u, Run("--help", &output));
    EXPECT_NE(std::string::npos,
              output.find("DadaViziStatus [--no-help] [--write-only | --send-only] CODE "
                          "[NAME=TEXT ...]"))
        << output;
    for (const char *line : {"0  done", "1  usage error", "2  the settings key",
                             "3  no monitor is running", "4  writing the status data failed",
                             "5  the monitor did not answer"})
        EXPECT_NE(std::string::npos, output.find(line)) << line;
    EXPECT_FALSE(KeyExists(install.statusKey.c_str()));
}

// --close, as a script runs it before replacing the monitor's files.
TEST_F(StatusSource, CloseEndsTheRunningMonitorAndWaitsForItsProcess)
{
    HANDLE monitor = StartProgram("DadaVizi.exe");
    ASSERT_NE(nullptr, monitor);
    ASSERT_NE(nullptr, WaitForMonitorWindow(monitor));
    install.SetStatus("Code", "sentinel");

    std::string output;
    EXPECT_EQ(0u, Run("--close", &output)) << output;
    // Its process has ended by the time --close returns, not just its window.
    EXPECT_EQ(0u, WaitForExit(monitor, 0));
    EXPECT_EQ(0, CountMonitorWindows());
    EndProgram(monitor, 0);
    EXPECT_EQ(Sz("sentinel"), Stored("Code")) << "--close writes nothing";

    EXPECT_EQ(3u, Run("--close", &output)) << "no monitor left";
    EXPECT_NE(std::string::npos, output.find(MONITOR_WINDOW_NAME)) << output;
}

TEST_F(StatusSource, CloseGivesUpOnAMonitorThatDoesNotEndAfter10Seconds)
{
    StuckMonitor stuck;
    ASSERT_NE(nullptr, stuck.window);
    DWORD start = GetTickCount();
    std::string output;
    EXPECT_EQ(5u, Run("--close", &output)) << output;
    EXPECT_GE(GetTickCount() - start, 9000u) << "it waited the 10 seconds";
    EXPECT_NE(std::string::npos, output.find("10 seconds")) << output;
}

TEST_F(StatusSource, CloseTakesNoOtherArgumentsAndDocumentsItsExitCodes)
{
    for (const char *arguments : {"--close 1", "1 --close", "--no-help --close"}) {
        std::string output;
        EXPECT_EQ(1u, Run(arguments, &output)) << arguments;
        EXPECT_NE(std::string::npos, output.find("--help")) << arguments;
    }
    std::string output;
    EXPECT_EQ(0u, Run("--help", &output));
    for (const char *line : {"DadaViziStatus --close", "Exit codes of --close:",
                             "0  the monitor has ended", "3  no monitor is running",
                             "5  the monitor did not end within 10 seconds",
                             "Windows kept the request"})
        EXPECT_NE(std::string::npos, output.find(line)) << line;
}

}  // namespace
