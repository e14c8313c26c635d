// The settings accessors and the refresh from the stored status, against
// the real registry and real windows.
#include <gtest/gtest.h>

#include "app/monitor.h"
#include "monitor_test.h"
#include "registry/settings.h"
#include "sequence.h"
#include "testing.h"

#include <string.h>

#include <string>
#include <utility>
#include <vector>

namespace {

const char TEST_KEY[] = "SOFTWARE\\DadaViziTest";
const char MONITOR_KEY[] = "SOFTWARE\\DadaViziTest\\Source";
const char STATUS_KEY[] = "SOFTWARE\\DadaViziTest\\Source\\BidiData";

void CleanKeys()
{
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, TEST_KEY);
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { CleanKeys(); }
    void TearDown() override { CleanKeys(); }
};

TEST(PinnedLocaleTest, AnsiCodePageIs1252)
{
    // The runner pins the locale; the ANSI conversions below depend on it.
    EXPECT_EQ(1252u, GetACP());
}

TEST_F(SettingsTest, ReadsAPresentSetting)
{
    SetRegString(SETTINGS_KEY, "Printer", "Laser 5");
    SetRegString(SETTINGS_KEY, "Driver", "LASER");
    EXPECT_EQ(g_settingValue, ReadMonitorSetting("Printer"));
    EXPECT_STREQ("Laser 5", g_settingValue);
    EXPECT_STREQ("LASER", ReadMonitorSetting("Driver"));
}

TEST_F(SettingsTest, MissingKeyOrValueGivesEmptyTextNotTheLastOne)
{
    EXPECT_STREQ("", ReadMonitorSetting("Printer"));

    SetRegString(SETTINGS_KEY, "Printer", "Laser 5");
    ASSERT_STREQ("Laser 5", ReadMonitorSetting("Printer"));
    EXPECT_STREQ("", ReadMonitorSetting("Driver"));

    ASSERT_STREQ("Laser 5", ReadMonitorSetting("Printer"));
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
    EXPECT_EQ(g_settingValue, ReadMonitorSetting("Printer"));
    EXPECT_STREQ("", g_settingValue);
}

TEST_F(SettingsTest, OtherTypesComeBackTerminated)
{
    SetRegDword(SETTINGS_KEY, "Printer", 0x00434241);
    EXPECT_STREQ("ABC", ReadMonitorSetting("Printer"));

    SetRegDword(SETTINGS_KEY, "Printer", 0x44434241);
    EXPECT_STREQ("ABCD", ReadMonitorSetting("Printer"));

    const BYTE garbage[] = {0xFF, 0x01, 0x80, 0x7F, 0x20, 0xFE};
    SetRegBytes(SETTINGS_KEY, "Printer", REG_BINARY, garbage, sizeof garbage);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(garbage), sizeof garbage),
              ReadMonitorSetting("Printer"));
}

TEST_F(SettingsTest, LongValuesFitOnlyWithTheirTerminator)
{
    // The status data path is used as a sentinel when it follows the buffer.
    const bool adjacent = g_statusDataPath == g_settingValue + sizeof g_settingValue;
    memset(g_statusDataPath, 'S', sizeof g_statusDataPath - 1);
    g_statusDataPath[sizeof g_statusDataPath - 1] = '\0';
    const std::string sentinel(g_statusDataPath);

    std::string fits(255, 'p');
    fits[254] = 'Z';
    SetRegString(SETTINGS_KEY, "Printer", fits);
    EXPECT_EQ(fits, ReadMonitorSetting("Printer"));

    // 256 bytes stored without a terminator (the byte after is no zero).
    std::string unended(257, 'u');
    SetRegBytes(SETTINGS_KEY, "Printer", REG_SZ, unended.data(), 256);
    EXPECT_STREQ("", ReadMonitorSetting("Printer"));

    for (size_t chars : {256u, 300u, 2000u}) {
        SCOPED_TRACE(chars);
        SetRegString(SETTINGS_KEY, "Printer", "short");
        ASSERT_STREQ("short", ReadMonitorSetting("Printer"));
        SetRegString(SETTINGS_KEY, "Printer", std::string(chars, 'L'));
        EXPECT_STREQ("", ReadMonitorSetting("Printer"));
    }
    EXPECT_LT(strnlen(g_settingValue, sizeof g_settingValue), sizeof g_settingValue);
    if (adjacent) {
        EXPECT_EQ(sentinel, g_statusDataPath);
    }
}

TEST_F(SettingsTest, StatusDataKeyPathAppendsBidiData)
{
    SetRegString(SETTINGS_KEY, "Monitor", "SOFTWARE\\Source");
    EXPECT_EQ(g_statusDataPath, StatusDataKeyPath());
    EXPECT_STREQ("SOFTWARE\\Source\\BidiData", g_statusDataPath);

    // "\BidiData" is 9 characters: 246 + 9 fill the 256 bytes exactly.
    std::string longest(246, 'm');
    SetRegString(SETTINGS_KEY, "Monitor", longest);
    ASSERT_NE(nullptr, StatusDataKeyPath());
    EXPECT_EQ(longest + "\\BidiData", g_statusDataPath);

    for (size_t chars : {247u, 250u}) {
        SetRegString(SETTINGS_KEY, "Monitor", std::string(chars, 'm'));
        EXPECT_EQ(nullptr, StatusDataKeyPath()) << chars;
    }
}

// A plain window that records the status messages sent to it.
std::vector<std::pair<WPARAM, LPARAM>> g_received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_BIDISTATUS)
        g_received.push_back(std::make_pair(wParam, lParam));
    return DefWindowProcA(window, message, wParam, lParam);
}

class RefreshTest : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        g_received.clear();
        static bool registered = false;
        if (!registered) {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = RecordingProc;
            windowClass.hInstance = GetModuleHandleA(NULL);
            windowClass.lpszClassName = "DadaViziRecorder";
            registered = RegisterClassA(&windowClass) != 0;
        }
        window = CreateWindowExA(0, "DadaViziRecorder", "", 0, 0, 0, 0, 0, NULL, NULL,
                                 GetModuleHandleA(NULL), NULL);
        ASSERT_NE(nullptr, window);
    }

    void TearDown() override
    {
        DestroyWindow(window);
        SettingsTest::TearDown();
    }

    // What one refresh sent; nothing is pumped, so only synchronous sends count.
    std::vector<std::pair<WPARAM, LPARAM>> Refresh()
    {
        g_received.clear();
        RefreshFromStoredStatus(window);
        return g_received;
    }

    static std::vector<std::pair<WPARAM, LPARAM>> Sent(LONG code)
    {
        return {std::make_pair(WPARAM(1), static_cast<LPARAM>(code))};
    }

    HWND window = NULL;
};

TEST_F(RefreshTest, SendsTheStoredCodeWithHelp)
{
    SetRegString(SETTINGS_KEY, "Monitor", MONITOR_KEY);

    const std::pair<const char *, LONG> cases[] = {
        {" 40021", 40021}, {"40021", 40021}, {"12ab", 12},     {"-7", -7},
        {"4294967297", 1}, {"abc", 0},       {"2147483648", -2147483647 - 1},
    };
    for (const auto &c : cases) {
        SetRegString(STATUS_KEY, "Code", c.first);
        EXPECT_EQ(Sent(c.second), Refresh()) << c.first;
    }

    // Stored without a terminator: the byte after the data is not read.
    SetRegBytes(STATUS_KEY, "Code", REG_SZ, "40029", 4);
    EXPECT_EQ(Sent(4002), Refresh());
}

TEST_F(RefreshTest, MissingPiecesSendNothing)
{
    EXPECT_TRUE(Refresh().empty()) << "no settings key";

    SetRegString(STATUS_KEY, "Code", "40021");
    SetRegString(SETTINGS_KEY, "Driver", "LASER");
    EXPECT_TRUE(Refresh().empty()) << "no Monitor value";

    SetRegString(SETTINGS_KEY, "Monitor", "SOFTWARE\\DadaViziTest\\Elsewhere");
    EXPECT_TRUE(Refresh().empty()) << "no status data key";

    SetRegString(SETTINGS_KEY, "Monitor", MONITOR_KEY);
    ASSERT_EQ(Sent(40021), Refresh());

    SetRegBytes(STATUS_KEY, "Code", REG_SZ, "", 0);
    EXPECT_TRUE(Refresh().empty()) << "empty Code";

    DeleteKeyTree(HKEY_LOCAL_MACHINE, STATUS_KEY);
    SetRegString(STATUS_KEY, "Other", "40021");
    EXPECT_TRUE(Refresh().empty()) << "no Code value";

    SetRegString(SETTINGS_KEY, "Monitor", std::string(250, 'm'));
    EXPECT_TRUE(Refresh().empty()) << "status data path too long";
}

// The real monitor window: creation and a left click both dispatch the
// stored status, with the shell observed through the stand-ins.
class StoredStatusWindowTest : public MonitorWindowTest {
protected:
    void SetUp() override
    {
        CleanKeys();
        ResetMonitor();
        SetRegString(SETTINGS_KEY, "Monitor", MONITOR_KEY);
    }
    void TearDown() override
    {
        MonitorWindowTest::TearDown();
        CleanKeys();
    }
    std::string Tray() { return TraySequence(TakeTrayCalls(), window); }
};

// The add, and the version every add declares.
const char ADDED[] =
    "NIM_ADD NIF_MESSAGE|NIF_ICON|NIF_TIP WM_TRAYNOTIFY IDI_PRINTER 'Printer Status' -> TRUE\n"
    "NIM_SETVERSION NOTIFYICON_VERSION -> TRUE";

TEST_F(StoredStatusWindowTest, CreationAndLeftClickDispatchTheStoredCode)
{
    SetRegString(STATUS_KEY, "Code", "40021");
    CreateMonitor();
    EXPECT_EQ(Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER -> FALSE", ADDED,
                     "NIM_MODIFY NIF_ICON IDI_PRINTER_STROKE -> TRUE",
                     "NIM_MODIFY NIF_TIP 'Status 40021' -> TRUE"}),
              Tray());
    EXPECT_EQ(40021, g_currentStatus);

    // Unchanged, and above the repeat threshold: the click still shows it.
    Click(WM_LBUTTONDOWN);
    EXPECT_EQ(Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER_STROKE -> TRUE",
                     "NIM_MODIFY NIF_TIP 'Status 40021' -> TRUE"}),
              Tray());
    EXPECT_EQ(40021, g_currentStatus);

    SetRegString(STATUS_KEY, "Code", "40077");
    Click(WM_LBUTTONDOWN);
    EXPECT_EQ(Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER_CROSSED -> TRUE",
                     "NIM_MODIFY NIF_TIP 'Status 40077' -> TRUE"}),
              Tray());
    EXPECT_EQ(40077, g_currentStatus);
}

TEST_F(StoredStatusWindowTest, AStoredCodeOutsideTheIconTableKeepsThePrinterIcon)
{
    SetRegString(STATUS_KEY, "Code", "5");
    CreateMonitor();
    EXPECT_EQ(Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER -> FALSE", ADDED,
                     "NIM_MODIFY NIF_TIP 'Status 5' -> TRUE"}),
              Tray());
    EXPECT_EQ(5, g_currentStatus);
}

TEST_F(StoredStatusWindowTest, NoStoredCodeKeepsTheDefaultTip)
{
    CreateMonitor();
    EXPECT_EQ(Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER -> FALSE", ADDED}), Tray());
    EXPECT_EQ(0, g_currentStatus);
}

}  // namespace
