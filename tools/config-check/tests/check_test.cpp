// The configuration check explains an installation step by step: it runs
// in-process against a directory of the test's own (as the system
// directory), and once as DadaViziCheck.exe to see the real entry point.
#include <gtest/gtest.h>

#include "check.h"
#include "testing.h"

#include "app/monitor.h"

#include <string>
#include <vector>

namespace {

const char SETTINGS[] = "SOFTWARE\\Halvik\\Zive Dozorod";
const char SOURCE[] = "SOFTWARE\\DadaViziCheckTest";
const char STATUS[] = "SOFTWARE\\DadaViziCheckTest\\BidiData";
const char PRINTERS[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\DadaVizi Check";
const char DRIVER_DATA[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\DadaVizi Check\\PrinterDriverData";
const char HELP_WINDOW[] = "SOFTWARE\\Halvik\\Help Embedded Window";

struct Report {
    int exitCode;
    std::string text;
};

// The report through a file handle, as a console's stdout redirected to a file.
Report ReadReport(HANDLE file, int exitCode)
{
    Report report = {exitCode, std::string()};
    SetFilePointer(file, 0, NULL, FILE_BEGIN);
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, NULL) && got)
        report.text.append(chunk, got);
    CloseHandle(file);
    return report;
}

void DeleteValue(const char *path, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

HANDLE CreateReportFile(const std::string &path, bool inheritable)
{
    SECURITY_ATTRIBUTES security = {sizeof security, NULL, inheritable ? TRUE : FALSE};
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, &security,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
}

class ConfigCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A directory per test, so no profile file is read from Wine's cache.
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        dir = std::string(temp) + "dadavizi-check-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(dir.c_str(), NULL);
        InitMonitorPaths(dir.c_str(), (UINT)dir.size());
        RemoveKeys();
    }
    void TearDown() override
    {
        RemoveKeys();
        for (const char *name : {"DODOZOD.INI", "DOZID049.HLP", "report.txt"})
            DeleteFileA((dir + "\\" + name).c_str());
        RemoveDirectoryA(dir.c_str());
    }
    void RemoveKeys()
    {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
        DeleteKeyTree(HKEY_LOCAL_MACHINE, SOURCE);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, PRINTERS);
    }

    // What a working installation has; each test takes a piece away.
    void Install(const std::string &profile = "[HelpMap]\r\n40000=17\r\n"
                                              "[LASER]\r\nTimeCloseWindow=500\r\n")
    {
        SetRegString(SETTINGS, "Monitor", SOURCE);
        SetRegString(SETTINGS, "Printer", "DadaVizi Check");
        SetRegString(SETTINGS, "Driver", "LASER");
        SetRegString(STATUS, "Code", "40021");
        SetRegString(STATUS, "Text", "Paper jam");
        SetRegString(DRIVER_DATA, "DrvlibIntl", "01Deutsch");
        SetRegString(DRIVER_DATA, "DrvlibIntl=Deutsch", "Deutsch,49:extra");
        WriteTextFile(dir + "\\DODOZOD.INI", profile);
        WriteTextFile(dir + "\\DOZID049.HLP", "stands in for a help file");
    }

    Report Check(std::vector<std::string> args = {})
    {
        std::vector<char *> argv;
        for (std::string &arg : args)
            argv.push_back(&arg[0]);
        HANDLE file = CreateReportFile(dir + "\\report.txt", false);
        int exitCode = RunConfigCheck((int)argv.size(), argv.data(), file);
        return ReadReport(file, exitCode);
    }

    std::string dir;
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
    EXPECT_HAS(report, "  Monitor  \"SOFTWARE\\DadaViziCheckTest\"\r\n");
    EXPECT_HAS(report, "Status data key  HKLM\\SOFTWARE\\DadaViziCheckTest\\BidiData\r\n");
    EXPECT_HAS(report, "  Text  \"Paper jam\"\r\n");
    EXPECT_HAS(report, "  stored code 40021\r\n");
    EXPECT_HAS(report, "  DrvlibIntl=Deutsch  \"Deutsch,49:extra\"\r\n  help file number 49\r\n");
    EXPECT_HAS(report, "Help file  " + dir + "\\DOZID049.HLP\r\n  exists\r\n");
    EXPECT_HAS(report, "  40021 = 0 (none)\r\n  40000 = 17\r\n  help context 17\r\n");
    EXPECT_HAS(report, "TimeCloseWindow in [LASER] = 500\r\n");
    EXPECT_HAS(report, "closed after 500 ms");
    EXPECT_HAS(report,
               "Result: help topic 17 of " + dir + "\\DOZID049.HLP would be shown as a popup.");
    EXPECT_LACKS(report, "MISSING");
    EXPECT_FALSE(KeyExists(HELP_WINDOW)) << "the check only reads";
}

TEST_F(ConfigCheck, AGivenCodeWinsAndATimeOfZeroSelectsTheSecondaryWindow)
{
    Install("[HelpMap]\r\n10000=3\r\n[LASER]\r\nTimeCloseWindow=0\r\n");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, STATUS);
    Report report = Check({"10049"});
    EXPECT_EQ(CHECK_HELP_SHOWN, report.exitCode) << "the stored code is not needed";
    EXPECT_HAS(report, "MISSING: status data key HKLM\\SOFTWARE\\DadaViziCheckTest\\BidiData\r\n");
    EXPECT_HAS(report, "  10049 = 0 (none)\r\n  10000 = 3\r\n  help context 3\r\n");
    EXPECT_HAS(report, "mode secondary window \"SEC\": " + dir + "\\DOZID049.HLP>SEC\r\n");
    EXPECT_HAS(report, "would be shown in the secondary window \"SEC\".");

    // Without "Driver" the popup time falls back to its default.
    DeleteValue(SETTINGS, "Driver");
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
    EXPECT_HAS(report, "MISSING: profile file " + dir + "\\DODOZOD.INI\r\n");

    // A name too long for the monitor's buffer is as good as none.
    Install();
    SetRegString(SETTINGS, "Printer", std::string(300, 'P'));
    report = Check();
    EXPECT_EQ(CHECK_SETTINGS_INCOMPLETE, report.exitCode);
    EXPECT_HAS(report, "MISSING: value Printer in HKLM\\SOFTWARE\\Halvik\\Zive Dozorod that fits: "
                       "301 bytes");

    // Without a code of its own the check needs the stored one.
    Install();
    SetRegString(STATUS, "Other", "x");
    DeleteValue(STATUS, "Code");
    report = Check();
    EXPECT_EQ(CHECK_SETTINGS_INCOMPLETE, report.exitCode);
    EXPECT_HAS(report, "MISSING: value Code in HKLM\\SOFTWARE\\DadaViziCheckTest\\BidiData\r\n");
    EXPECT_HAS(report, "  Other  \"x\"\r\n");
    EXPECT_EQ(CHECK_HELP_SHOWN, Check({"40021"}).exitCode);
}

TEST_F(ConfigCheck, MissingDriverDataIsNamedPieceByPiece)
{
    Install();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, PRINTERS);
    Report report = Check();
    EXPECT_EQ(CHECK_NO_HELP_FILE, report.exitCode);
    EXPECT_HAS(report,
               std::string("MISSING: printer driver data key HKLM\\") + DRIVER_DATA + "\r\n");
    EXPECT_HAS(report, "Help file  (none)\r\n");
    EXPECT_LACKS(report, "MISSING: help file");

    SetRegString(DRIVER_DATA, "DrvlibIntl", "01Deutsch");
    report = Check();
    EXPECT_EQ(CHECK_NO_HELP_FILE, report.exitCode);
    EXPECT_HAS(report, std::string("MISSING: value DrvlibIntl=Deutsch in HKLM\\") + DRIVER_DATA);

    SetRegString(DRIVER_DATA, "DrvlibIntl=Deutsch", "Deutsch");
    report = Check();
    EXPECT_EQ(CHECK_NO_HELP_FILE, report.exitCode);
    EXPECT_HAS(report, "MISSING: help file number: value DrvlibIntl=Deutsch needs");

    SetRegString(DRIVER_DATA, "DrvlibIntl=Deutsch", ",,Deutsch,5");
    report = Check();
    EXPECT_EQ(CHECK_NO_HELP_FILE, report.exitCode);
    EXPECT_HAS(report, "MISSING: help file " + dir + "\\DOZID005.HLP\r\n");
    EXPECT_HAS(report, "  help context 17\r\n") << "the help map is still explained";
}

TEST_F(ConfigCheck, NoHelpMapEntryNamesEveryKeyTried)
{
    Install("[HelpMap]\r\n39999=5\r\n41000=6\r\n");
    Report report = Check();
    EXPECT_EQ(CHECK_NO_HELP_TOPIC, report.exitCode);
    EXPECT_HAS(report, "MISSING: HelpMap entry for 40021, 40000, 40000 in " + dir +
                           "\\DODOZOD.INI\r\n");
    EXPECT_HAS(report, "TimeCloseWindow in [LASER] = 3000 (not set: default)");
    EXPECT_HAS(report, "Result: no help would be shown for code 40021 (exit code 4).");

    // Rounded as an unsigned number, looked up as a signed one.
    report = Check({"-5"});
    EXPECT_HAS(report, "MISSING: HelpMap entry for -5, -96, -296 in ");
}

TEST_F(ConfigCheck, TheCommandLineTakesOneDecimalCodeOrHelp)
{
    Report help = Check({"--help"});
    EXPECT_EQ(CHECK_HELP_SHOWN, help.exitCode);
    EXPECT_HAS(help, "Usage: DadaViziCheck [CODE]");
    EXPECT_HAS(help, "  4  no help topic");
    EXPECT_LACKS(help, "Settings key");

    const std::vector<std::vector<std::string>> cases = {
        {"12x"}, {""}, {"-"}, {"--verbose"}, {"40021", "40000"}};
    for (const std::vector<std::string> &args : cases) {
        Report report = Check(args);
        EXPECT_EQ(CHECK_USAGE, report.exitCode) << args[0];
        EXPECT_HAS(report, "Usage: DadaViziCheck [CODE]");
        EXPECT_LACKS(report, "Settings key");
    }
}

TEST_F(ConfigCheck, TheProgramReportsOnStdoutFromTheSystemDirectory)
{
    auto run = [&](const std::string &args) {
        std::string commandLine = "\"" + ModuleDirectory() + "\\DadaViziCheck.exe\" " + args;
        HANDLE file = CreateReportFile(dir + "\\report.txt", true);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = file;
        PROCESS_INFORMATION process = {};
        DWORD exitCode = 99;
        if (CreateProcessA(NULL, &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                           &process)) {
            if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
                GetExitCodeProcess(process.hProcess, &exitCode);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        return ReadReport(file, (int)exitCode);
    };

    Report help = run("--help");
    EXPECT_EQ(0, help.exitCode);
    EXPECT_HAS(help, "Exit codes:\r\n");
    EXPECT_EQ(1, run("x").exitCode);

    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    Report report = run("40021");
    EXPECT_EQ(2, report.exitCode);
    EXPECT_HAS(report, std::string("System directory  ") + system + "\r\n");
    EXPECT_HAS(report, "Profile file      " + std::string(system) + "\\DODOZOD.INI\r\n");
}

}  // namespace
