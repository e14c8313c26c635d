// The configuration check explains an installation step by step: it runs
// in-process against a directory of the test's own (as the system
// directory), and once as DadaViziCheck.exe to see the real entry point.
#include <gtest/gtest.h>

#include "help/help_engine.h"
#include "installation.h"
#include "process.h"
#include "registry/settings.h"
#include "testing.h"
#include "tools/config-check/check.h"

#include <string>
#include <vector>

namespace {

struct Report {
    int exitCode;
    std::string text;
};

void DeleteValue(const std::string &path, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

class ConfigCheck : public ::testing::Test {
protected:
    // A system directory of the test's own, without a profile file yet.
    void SetUp() override
    {
        install.UseProfile("");
        DeleteFileA(install.profilePath.c_str());
        g_windowsVersion = {5, 1, VER_NT_WORKSTATION};
    }
    void TearDown() override { g_windowsVersion = {}; }

    // What a working installation has; each test takes a piece away.
    void Install(const std::string &profile = "[HelpMap]\r\n40000=17\r\n"
                                              "[LASER]\r\nTimeCloseWindow=500\r\n")
    {
        install.Write();
        install.SetStatus("Code", "40021");
        install.SetStatus("Text", "Paper jam");
        WriteTextFile(install.profilePath, profile);
        WriteTextFile(install.helpFile, "stands in for a help file");
    }

    // The report through a file handle, as a console's stdout redirected to a file.
    Report Check(std::vector<std::string> args = {})
    {
        std::vector<char *> argv;
        for (std::string &arg : args)
            argv.push_back(&arg[0]);
        std::string path = install.directory + "\\report.txt";
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        Report report = {RunConfigCheck((int)argv.size(), argv.data(), file), std::string()};
        CloseHandle(file);
        ReadWholeFile(path, &report.text);
        DeleteFileA(path.c_str());
        return report;
    }

    Installation install{"LASER"};
};

#define EXPECT_HAS(report, part) \
    EXPECT_NE(std::string::npos, (report).text.find(part)) << (report).text
#define EXPECT_LACKS(report, part) \
    EXPECT_EQ(std::string::npos, (report).text.find(part)) << (report).text

TEST_F(ConfigCheck, ACompleteInstallationShowsTheStoredCodesHelpAndChangesNothing)
{
    Install();
    Report report = Check();
    EXPECT_EQ(CHECK_HELP_SHOWN, report.exitCode);
    EXPECT_HAS(report, "  Monitor  \"" + install.monitorKey + "\"\r\n");
    EXPECT_HAS(report, "Status data key  HKLM\\" + install.statusKey + "\r\n");
    EXPECT_HAS(report, "  Text  \"Paper jam\"\r\n");
    EXPECT_HAS(report, "  stored code 40021\r\n");
    EXPECT_HAS(report, "  DrvlibIntl=Deutsch  \"Deutsch,49:extra\"\r\n  help file number 49\r\n");
    EXPECT_HAS(report, "Help file  " + install.directory + "\\DOZID049.HLP\r\n  exists\r\n");
    EXPECT_HAS(report, "  40021 = 0 (none)\r\n  40000 = 17\r\n  help context 17\r\n");
    EXPECT_HAS(report, "TimeCloseWindow in [LASER] = 500\r\n");
    EXPECT_HAS(report, "closed after 500 ms");
    EXPECT_HAS(report,
               "Result: help topic 17 of " + install.directory + "\\DOZID049.HLP would be shown as a popup.");
    EXPECT_LACKS(report, "MISSING");
    EXPECT_FALSE(KeyExists(HELP_WINDOW_KEY)) << "the check only reads";
}

TEST_F(ConfigCheck, SaysWhichHelpEngineThisWindowsUsesAndWhatItWouldMiss)
{
    Install();
    Report report = Check();
    EXPECT_HAS(report, "Help engine  WinHelp\r\n  Windows 5.1 workstation\r\n"
                       "  HelpEngine in [LASER] = 0 (automatic)\r\n"
                       "  because Windows before Vista has WinHelp\r\n");

    // Windows 10 needs no HLP file; it would want the CHM and the texts.
    g_windowsVersion = {10, 0, VER_NT_WORKSTATION};
    DeleteFileA(install.helpFile.c_str());
    report = Check();
    EXPECT_EQ(CHECK_HELP_SHOWN, report.exitCode) << "the popup needs neither";
    EXPECT_HAS(report, "DOZID049.HLP\r\n  (missing: not needed by this engine)\r\n");
    EXPECT_HAS(report, "Help engine  the program's own popup\r\n");
    EXPECT_HAS(report, "  because this Windows has no WinHelp, and there is no CHM\r\n");
    EXPECT_HAS(report, "MISSING: HTML Help file " + install.directory + "\\DOZID049.CHM");
    EXPECT_HAS(report, "MISSING: short texts file " + install.directory + "\\DOZID049.INI");

    WriteTextFile(install.directory + "\\DOZID049.INI", "[Text]\r\n17=Open tray 2.\r\n");
    WriteTextFile(install.profilePath, "[HelpMap]\r\n40000=17\r\n[LASER]\r\nHelpEngine=1\r\n");
    report = Check();
    EXPECT_EQ(CHECK_NO_HELP_FILE, report.exitCode) << "WinHelp, chosen, needs its file";
    EXPECT_HAS(report, "Help engine  WinHelp\r\n  Windows 10.0 workstation\r\n"
                       "  HelpEngine in [LASER] = 1\r\n");
}

TEST_F(ConfigCheck, WarnsOfATextsFileSavedAsUtf8)
{
    Install();
    g_windowsVersion = {10, 0, VER_NT_WORKSTATION};
    const std::string texts = install.directory + "\\DOZID049.INI";
    const std::string warning = "WARNING: short texts file " + texts + " is saved as UTF-8";
    const struct {
        const char *what;
        std::string bytes;
        const char *encoding;
        bool warned;
    } rows[] = {
        {"ANSI", "[Text]\r\n17=Bourrage pr\xE8s du bac 2.\r\n", "ANSI code page", false},
        {"UTF-8 with its mark", "\xEF\xBB\xBF[Text]\r\n17=Open tray 2.\r\n",
         "UTF-8 with byte-order mark", true},
        {"UTF-8", "[Text]\r\n17=Zaci\xC4\x99" "cie papieru.\r\n", "UTF-8", true},
        {"UTF-16", std::string("\xFF\xFE[\0T\0]\0", 8), "UTF-16 (Unicode)", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        WriteTextFile(texts, row.bytes);
        Report report = Check();
        EXPECT_EQ(CHECK_HELP_SHOWN, report.exitCode) << "the popup still shows";
        EXPECT_HAS(report, std::string("  encoding ") + row.encoding + "\r\n");
        if (row.warned)
            EXPECT_HAS(report, warning);
        else
            EXPECT_LACKS(report, "WARNING");
    }
}

TEST_F(ConfigCheck, AGivenCodeWinsAndATimeOfZeroSelectsTheSecondaryWindow)
{
    Install("[HelpMap]\r\n10000=3\r\n[LASER]\r\nTimeCloseWindow=0\r\n");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, install.statusKey.c_str());
    Report report = Check({"10049"});
    EXPECT_EQ(CHECK_HELP_SHOWN, report.exitCode) << "the stored code is not needed";
    EXPECT_HAS(report, "MISSING: status data key HKLM\\" + install.statusKey + "\r\n");
    EXPECT_HAS(report, "  10049 = 0 (none)\r\n  10000 = 3\r\n  help context 3\r\n");
    EXPECT_HAS(report, "mode secondary window \"SEC\": " + install.directory + "\\DOZID049.HLP>SEC\r\n");
    EXPECT_HAS(report, "would be shown in the secondary window \"SEC\".");

    // Without "Driver" the popup time falls back to its default.
    DeleteValue(SETTINGS_KEY, "Driver");
    report = Check({"10049"});
    EXPECT_EQ(CHECK_HELP_SHOWN, report.exitCode);
    EXPECT_HAS(report, "MISSING: value Driver in HKLM\\SOFTWARE\\Halvik\\Zive Dozorod\r\n");
    EXPECT_HAS(report, "TimeCloseWindow in [] = 3000 (not set: default)");
    EXPECT_HAS(report, "would be shown as a popup.");
}

TEST_F(ConfigCheck, MissingSettingsComeFirst)
{
    Report report = Check({"40021"});
    EXPECT_EQ(CHECK_SETTINGS_INCOMPLETE, report.exitCode);
    EXPECT_HAS(report, "MISSING: settings key HKLM\\SOFTWARE\\Halvik\\Zive Dozorod\r\n");
    EXPECT_HAS(report, "Printer driver data key  (none: no \"Printer\" value)");
    EXPECT_HAS(report, "MISSING: profile file " + install.directory + "\\DODOZOD.INI\r\n");

    // A name too long for the monitor's buffer is as good as none.
    Install();
    SetRegString(SETTINGS_KEY, "Printer", std::string(300, 'P'));
    report = Check();
    EXPECT_EQ(CHECK_SETTINGS_INCOMPLETE, report.exitCode);
    EXPECT_HAS(report, "MISSING: value Printer in HKLM\\SOFTWARE\\Halvik\\Zive Dozorod that fits: "
                       "301 bytes");

    // Without a code of its own the check needs the stored one.
    Install();
    install.SetStatus("Other", "x");
    DeleteValue(install.statusKey, "Code");
    report = Check();
    EXPECT_EQ(CHECK_SETTINGS_INCOMPLETE, report.exitCode);
    EXPECT_HAS(report, "MISSING: value Code in HKLM\\" + install.statusKey + "\r\n");
    EXPECT_HAS(report, "  Other  \"x\"\r\n");
    EXPECT_EQ(CHECK_HELP_SHOWN, Check({"40021"}).exitCode);
}

TEST_F(ConfigCheck, MissingDriverDataIsNamedPieceByPiece)
{
    Install();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, install.printerKey.c_str());
    Report report = Check();
    EXPECT_EQ(CHECK_NO_HELP_FILE, report.exitCode);
    EXPECT_HAS(report,
               "MISSING: printer driver data key HKLM\\" + install.driverDataKey + "\r\n");
    EXPECT_HAS(report, "Help file  (none)\r\n");
    EXPECT_LACKS(report, "MISSING: help file");

    SetRegString(install.driverDataKey.c_str(), "DrvlibIntl", "01Deutsch");
    report = Check();
    EXPECT_EQ(CHECK_NO_HELP_FILE, report.exitCode);
    EXPECT_HAS(report, "MISSING: value DrvlibIntl=Deutsch in HKLM\\" + install.driverDataKey);

    SetRegString(install.driverDataKey.c_str(), "DrvlibIntl=Deutsch", "Deutsch");
    report = Check();
    EXPECT_EQ(CHECK_NO_HELP_FILE, report.exitCode);
    EXPECT_HAS(report, "MISSING: help file number: value DrvlibIntl=Deutsch needs");

    SetRegString(install.driverDataKey.c_str(), "DrvlibIntl=Deutsch", ",,Deutsch,5");
    report = Check();
    EXPECT_EQ(CHECK_NO_HELP_FILE, report.exitCode);
    EXPECT_HAS(report, "MISSING: help file " + install.directory + "\\DOZID005.HLP\r\n");
    EXPECT_HAS(report, "  help context 17\r\n") << "the help map is still explained";
}

TEST_F(ConfigCheck, NoHelpMapEntryNamesEveryKeyTried)
{
    Install("[HelpMap]\r\n39999=5\r\n41000=6\r\n");
    Report report = Check();
    EXPECT_EQ(CHECK_NO_HELP_TOPIC, report.exitCode);
    EXPECT_HAS(report, "MISSING: HelpMap entry for 40021, 40000, 40000 in " + install.directory +
                           "\\DODOZOD.INI\r\n");
    EXPECT_HAS(report, "TimeCloseWindow in [LASER] = 3000 (not set: default)");
    EXPECT_HAS(report, "Result: no help would be shown for code 40021 (exit code 4).");

    // Rounded as an unsigned number, looked up as a signed one.
    report = Check({"-5"});
    EXPECT_HAS(report, "MISSING: HelpMap entry for -5, -96, -296 in ");
}

TEST_F(ConfigCheck, SaysWhatThisUserMayWriteWithoutCreatingAnything)
{
    Install();
    Report report = Check();
    EXPECT_HAS(report, "  registry virtualization ");
    EXPECT_HAS(report, "  help window key HKLM\\" HELP_WINDOW_KEY
                       ": not there yet, can be created under HKLM\\SOFTWARE\\Halvik\r\n");
    EXPECT_HAS(report, "  status data key HKLM\\" + install.statusKey + ": writable\r\n");
    EXPECT_FALSE(KeyExists(HELP_WINDOW_KEY));

    // As a standard user finds HKLM when the installation granted nothing.
    ASSERT_TRUE(SetKeyWritable(install.statusKey.c_str(), false));
    ASSERT_TRUE(SetKeyWritable("SOFTWARE\\Halvik", false));
    report = Check();
    EXPECT_TRUE(SetKeyWritable("SOFTWARE\\Halvik", true));
    EXPECT_TRUE(SetKeyWritable(install.statusKey.c_str(), true));
    EXPECT_EQ(CHECK_HELP_SHOWN, report.exitCode) << "the monitor still shows help";
    EXPECT_HAS(report, "MISSING: the right to create the help window key HKLM\\" HELP_WINDOW_KEY
                       " under HKLM\\SOFTWARE\\Halvik (error 5)");
    EXPECT_HAS(report, "MISSING: write access to the status data key HKLM\\" + install.statusKey +
                           " (error 5)");
    EXPECT_FALSE(KeyExists(HELP_WINDOW_KEY));
    EXPECT_EQ(Sz("40021"), StoredValue(install.statusKey, "Code"));
}

TEST_F(ConfigCheck, TheCommandLineTakesOneDecimalCodeOrHelp)
{
    Report help = Check({"--help"});
    EXPECT_EQ(CHECK_HELP_SHOWN, help.exitCode);
    EXPECT_HAS(help, "Usage: DadaViziCheck [CODE]");
    EXPECT_HAS(help, "  4  no help topic");
    EXPECT_LACKS(help, "Settings key");

    const std::vector<std::vector<std::string>> cases = {
        {"12x"}, {""}, {"-"}, {"--verbose"}, {"40021", "40000"}, {"2147483648"}, {"-2147483649"}};
    for (const std::vector<std::string> &args : cases) {
        Report report = Check(args);
        EXPECT_EQ(CHECK_USAGE, report.exitCode) << args[0];
        EXPECT_HAS(report, "Usage: DadaViziCheck [CODE]");
        EXPECT_LACKS(report, "Settings key");
    }
}

TEST_F(ConfigCheck, TheProgramReportsOnStdoutFromTheSystemDirectory)
{
    std::string output;
    EXPECT_EQ(0u, RunProgram("DadaViziCheck.exe", "--help", &output));
    EXPECT_NE(std::string::npos, output.find("Exit codes:\r\n")) << output;
    EXPECT_EQ(1u, RunProgram("DadaViziCheck.exe", "x"));

    const std::string system = SystemDirectory();
    EXPECT_EQ(2u, RunProgram("DadaViziCheck.exe", "40021", &output));
    EXPECT_NE(std::string::npos, output.find("System directory  " + system + "\r\n")) << output;
    EXPECT_NE(std::string::npos, output.find("Profile file      " + system + "\\DODOZOD.INI\r\n"))
        << output;
}

}  // namespace
