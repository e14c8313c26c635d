// Hostile input in everything the program reads: registry values of every
// type and size, names longer than the buffers, profiles that are missing,
// empty, huge or garbage, and a shell that goes away. Run with Wine's heap
// checking, so a write past the end of a block shows up in the validation.
#include <gtest/gtest.h>

#include "app/monitor.h"
#include "fakes.h"
#include "help/help_file.h"
#include "registry/settings.h"
#include "res/resource.h"
#include "popup.h"
#include "robust.h"
#include "testing.h"

#include <string>

namespace {

using namespace robust;

class HostileInput : public RobustTest {
protected:
    void SetUp() override
    {
        RobustTest::SetUp();
        // Each path once, so that lazily opened system handles are open.
        Status(40077, 1);
        Click();
        SendMessageA(window, WM_TIMER, POPUP_TIMER_ID, 0);
        PumpMessages(20);
        windows = ThreadWindowCount();
        handles = HandleFootprint();
        fake::trayCalls.clear();
        fake::helpCalls.clear();
    }

    // A left click: the stored status is read again and shown with help.
    void Click() { MonitorWindowTest::Click(WM_LBUTTONDOWN); }

    // One of two codes the help map names, never the current one, so the
    // status is always accepted.
    void HelpStatus() { Status(g_currentStatus == 40021 ? 40077 : 40021, 1); }

    bool HelpShown() const
    {
        for (const HelpCall &call : fake::helpCalls)
            if (call.command == HELP_CONTEXTPOPUP || call.command == HELP_CONTEXT)
                return true;
        return false;
    }

    void ExpectNothingLeft(const std::string &where)
    {
        for (const TrayCall &call : fake::trayCalls) {
            if (call.record.hIcon) {
                EXPECT_FALSE(IconIsLive(call.record.hIcon)) << where;
            }
        }
        fake::trayCalls.clear();
        SendMessageA(window, WM_TIMER, POPUP_TIMER_ID, 0);
        EXPECT_EQ(windows, ThreadWindowCount()) << where;
        EXPECT_EQ(handles, HandleFootprint()) << where;
        EXPECT_TRUE(HeapsAreValid()) << where;
    }

    int windows = 0;
    uintptr_t handles = 0;
};

TEST_F(HostileInput, EveryValueTheProgramReadsTakesEveryTypeAndSize)
{
    struct Target {
        const char *path;
        const char *name;
    };
    const Target targets[] = {{SETTINGS, "Monitor"},          {SETTINGS, "Printer"},
                              {SETTINGS, "Driver"},           {STATUS_DATA, "Code"},
                              {DRIVER_DATA, "DrvlibIntl"},    {DRIVER_DATA, "DrvlibIntl=Robust"},
                              {STATUS_DATA, "Text"},          {STATUS_DATA, ""}};
    const std::vector<RawValue> catalogue = ValueCatalogue();
    unsigned round = 0;
    for (const Target &target : targets) {
        for (const RawValue &value : catalogue) {
            ++round;
            std::string where = std::string(target.name) + " = " + Describe(value);
            WriteFullConfiguration();
            SetRaw(target.path, target.name, value);
            bool statusDataOnly = target.path == STATUS_DATA;

            std::map<std::string, RawValue> statusData;
            ReadAllValues(STATUS_DATA, &statusData);
            DeleteKeyTree(HKEY_LOCAL_MACHINE, HELP_WINDOW);
            fake::helpCalls.clear();
            HelpStatus();
            if (statusDataOnly) {
                // The settings and driver data are intact: the topic is
                // shown, and the copy is exact whatever the value held.
                EXPECT_TRUE(HelpShown()) << where;
                EXPECT_EQ("", CompareHelpWindow(ExpectedCopy(statusData))) << where;
            }
            Click();
            HelpStatus();
            // Leaks add up, so counting now and then finds them too.
            if (round % 8 == 0)
                ExpectNothingLeft(where);
            // Reading it through the program's own accessors must end
            // within the data.
            ReadMonitorSetting(target.name);
            StatusDataKeyPath();
            FindHelpFile();
            EXPECT_TRUE(HeapsAreValid()) << where;
        }
    }
    ExpectNothingLeft("after every value");
}

TEST_F(HostileInput, SettingsAndPrinterNamesOf300CharactersAndMore)
{
    const size_t lengths[] = {189, 190, 246, 247, 254, 255, 256, 257, 300, 1000, 5000};
    for (size_t length : lengths) {
        std::string where = std::to_string(length) + " characters";
        WriteFullConfiguration();
        std::string name(length, 'P');
        SetRegString(SETTINGS, "Printer", name);
        // Where the key path still fits, the printer's key exists, so the
        // only thing between the program and its help is the name's length.
        if (length <= 200) {
            std::string key = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name +
                              "\\PrinterDriverData";
            SetRegString(key.c_str(), "DrvlibIntl", "01Robust");
            SetRegString(key.c_str(), "DrvlibIntl=Robust", "Robust,49:x");
        }
        fake::helpCalls.clear();
        HelpStatus();
        // "SYSTEM\...\Printers\" + name + "\PrinterDriverData" fits in 255
        // characters up to a name of 189.
        EXPECT_EQ(length <= 189, HelpShown()) << where;
        if (length <= 200)
            DeleteKeyTree(HKEY_LOCAL_MACHINE,
                          ("SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name).c_str());

        WriteFullConfiguration();
        SetRegString(SETTINGS, "Monitor", std::string(length, 'M'));
        Click();
        HelpStatus();
        SetRegString(SETTINGS, "Driver", std::string(length, 'D'));
        HelpStatus();
        Click();
        ExpectNothingLeft(where);
    }

    // The deepest status data key whose path still fits: "<Monitor>\BidiData"
    // in 255 characters, Monitor made of components of legal length.
    std::string monitor = "SOFTWARE\\Halvik\\";
    while (monitor.size() < 246)
        monitor += std::string(std::min<size_t>(100, 246 - monitor.size()), 'm') +
                   (monitor.size() + 101 < 246 ? "\\" : "");
    monitor.resize(246);
    if (monitor.back() == '\\')
        monitor.back() = 'm';
    WriteFullConfiguration();
    SetRegString(SETTINGS, "Monitor", monitor);
    std::string deep = monitor + "\\BidiData";
    SetRegString(deep.c_str(), "Code", "40021");
    SetRegString(deep.c_str(), "Deep", "value");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, HELP_WINDOW);
    fake::helpCalls.clear();
    HelpStatus();
    EXPECT_TRUE(HelpShown());
    std::map<std::string, RawValue> statusData;
    ASSERT_TRUE(ReadAllValues(deep.c_str(), &statusData));
    EXPECT_EQ("", CompareHelpWindow(ExpectedCopy(statusData)));
    ExpectNothingLeft("deep status data key");
}

TEST_F(HostileInput, MissingEmptyHugeOrGarbageProfiles)
{
    const struct {
        Profile kind;
        const char *name;
        bool topics;
    } profiles[] = {{Profile::Missing, "missing", false},
                    {Profile::Empty, "empty", false},
                    {Profile::Huge, "huge", true},
                    {Profile::Garbage, "garbage", false},
                    {Profile::Full, "full", true}};
    for (const auto &profile : profiles) {
        WriteProfile(profile.kind, 20);
        for (int i = 0; i < 20; ++i) {
            fake::helpCalls.clear();
            DeleteKeyTree(HKEY_LOCAL_MACHINE, HELP_WINDOW);
            HelpStatus();
            EXPECT_EQ(profile.topics, HelpShown()) << profile.name;
            EXPECT_EQ(profile.topics, KeyExists(HELP_WINDOW)) << profile.name;
            Status(static_cast<LONG>(i * 7919), 1);
            Click();
        }
        PumpMessages(50);  // the popup timers fire
        ExpectNothingLeft(profile.name);
    }
}

TEST_F(HostileInput, KeysDeletedAndRecreatedDuringTheCopy)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        RewriteStatusData(rng, 1 + static_cast<int>(rng() % 10));
        // Between two values of the walk: the key goes, comes back with
        // other (and bigger) values, or the help window key goes.
        onHelpWindowCreate = [&]() {
            switch (rng() % 4) {
            case 0:
                DeleteKeyTree(HKEY_LOCAL_MACHINE, STATUS_DATA);
                break;
            case 1:
                RewriteStatusData(rng, static_cast<int>(rng() % 20));
                break;
            case 2:
                SetRaw(STATUS_DATA, std::string(200, 'L').c_str(),
                       RawValue{REG_BINARY, std::string(65536, 'x')});
                break;
            default:
                DeleteKeyTree(HKEY_LOCAL_MACHINE, HELP_WINDOW);
            }
        };
        fake::onHelp = [&](const HelpCall &call) {
            if (call.command == HELP_CONTEXTPOPUP)
                popup::Show();
            if (call.command == HELP_SETPOPUP_POS && rng() % 3 == 0)
                RewriteStatusData(rng, static_cast<int>(rng() % 10));
        };
        HelpStatus();
        Click();
        onHelpWindowCreate = nullptr;
        if (round % 20 == 0)
            ExpectNothingLeft("round " + std::to_string(round));
    }
    ExpectNothingLeft("after the rounds");
}

TEST_F(HostileInput, TheShellGoesAwayAndComesBack)
{
    fake::shellRefuses = true;
    const LONG codes[] = {10001, 40021, 10049, 40077, 5};
    for (int i = 0; i < 50; ++i)
        Status(codes[i % 5], i % 10 == 0);
    for (const TrayCall &call : fake::trayCalls) {
        EXPECT_FALSE(call.result);
        if (call.record.hIcon) {
            EXPECT_FALSE(IconIsLive(call.record.hIcon)) << "a refused icon is destroyed too";
        }
    }
    ExpectNothingLeft("shell away");

    // A restarted shell knows no icons: the next icon change adds it again.
    fake::shellRefuses = false;
    fake::ShellLosesIcons();
    Status(40021, 0);
    EXPECT_TRUE(fake::TrayHasIcon(window, TRAY_ICON_ID));
    ExpectNothingLeft("shell back");
}

}  // namespace
