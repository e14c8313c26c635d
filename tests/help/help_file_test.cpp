// FindHelpFile against the real registry: the printer's driver data names
// an entry, whose second field is the help file number.
#include <gtest/gtest.h>

#include "app/shared.h"
#include "help/help_file.h"
#include "registry/settings.h"
#include "testing.h"

#include <string.h>

#include <string>

namespace {

const char PRINTERS_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
const char PRINTER[] = "DadaVizi Test Printer";

std::string DriverDataKey(const std::string &printer)
{
    return PRINTERS_KEY + printer + "\\PrinterDriverData";
}

class HelpFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clean();
        SetSystemDir("C:\\WINNT\\System32");
        SetRegString(SETTINGS_KEY, "Printer", PRINTER);
        key = DriverDataKey(PRINTER);
    }

    void TearDown() override
    {
        Clean();
        SetSystemDir("C:\\windows\\system32");
    }

    void Clean()
    {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
        DeleteKeyTree(HKEY_LOCAL_MACHINE, (PRINTERS_KEY + std::string(PRINTER)).c_str());
        if (!longPrinter.empty())
            DeleteKeyTree(HKEY_LOCAL_MACHINE, (PRINTERS_KEY + longPrinter).c_str());
    }

    static void SetSystemDir(const std::string &directory)
    {
        InitMonitorPaths(directory.c_str(), static_cast<UINT>(directory.size()));
    }

    // The driver data of the test printer: "DrvlibIntl" and its entry.
    void SetEntry(const std::string &language, const std::string &entryName,
                  const std::string &entry)
    {
        SetRegString(key.c_str(), "DrvlibIntl", language);
        SetRegString(key.c_str(), ("DrvlibIntl=" + entryName).c_str(), entry);
    }

    // The result as text, "(null)" for none.
    static std::string Find()
    {
        const char *path = FindHelpFile();
        if (path) {
            EXPECT_EQ(g_helpFilePath, path);
        }
        return path ? path : "(null)";
    }

    std::string key;
    std::string longPrinter;
};

TEST_F(HelpFileTest, NumberFromTheSecondFieldOfTheEntry)
{
    SetEntry("01Deutsch", "Deutsch", "Deutsch,49:extra");
    EXPECT_EQ("C:\\WINNT\\System32\\DOZID049.HLP", Find());

    const std::pair<const char *, const char *> cases[] = {
        {"Deutsch,7", "DOZID007.HLP"},   {"Deutsch,1234", "DOZID1234.HLP"},
        {",,Deutsch,5", "DOZID005.HLP"}, {"Deutsch,,:,49", "DOZID049.HLP"},
        {"Deutsch,x49", "DOZID000.HLP"}, {"Deutsch,-5", "DOZID-05.HLP"},
        {"Deutsch, 12", "DOZID012.HLP"}, {"Deutsch:3,8", "DOZID008.HLP"},
    };
    for (const auto &c : cases) {
        SetRegString(key.c_str(), "DrvlibIntl=Deutsch", c.first);
        EXPECT_EQ(std::string("C:\\WINNT\\System32\\") + c.second, Find()) << c.first;
    }
}

TEST_F(HelpFileTest, EntryWithoutASecondFieldGivesNull)
{
    SetEntry("01Deutsch", "Deutsch", "Deutsch,7");
    ASSERT_EQ("C:\\WINNT\\System32\\DOZID007.HLP", Find());
    for (const char *entry : {"Deutsch", "Deutsch,", "Deutsch,:", "Deutsch,,,:", ",,,", ""}) {
        SetRegString(key.c_str(), "DrvlibIntl=Deutsch", entry);
        EXPECT_EQ("(null)", Find()) << "'" << entry << "'";
    }
    SetRegBytes(key.c_str(), "DrvlibIntl=Deutsch", REG_SZ, "", 0);
    EXPECT_EQ("(null)", Find()) << "no data";
}

TEST_F(HelpFileTest, DriveRootSystemDirectory)
{
    SetEntry("01Deutsch", "Deutsch", "Deutsch,49:extra");
    SetSystemDir("C:\\");
    EXPECT_EQ("C:\\DOZID049.HLP", Find());
}

TEST_F(HelpFileTest, ShortLanguageValueNamesTheEmptyEntry)
{
    SetRegString(key.c_str(), "DrvlibIntl=", "Any,11");
    SetRegString(key.c_str(), "DrvlibIntl=Deutsch", "Deutsch,49");
    for (const char *language : {"0", ""}) {
        SetRegString(key.c_str(), "DrvlibIntl", language);
        EXPECT_EQ("C:\\WINNT\\System32\\DOZID011.HLP", Find()) << "'" << language << "'";
    }
    SetRegString(key.c_str(), "DrvlibIntl", "01");
    EXPECT_EQ("C:\\WINNT\\System32\\DOZID011.HLP", Find());

    SetRegBytes(key.c_str(), "DrvlibIntl", REG_SZ, "", 0);
    EXPECT_EQ("(null)", Find()) << "no data at all";
}

TEST_F(HelpFileTest, MissingPiecesGiveNull)
{
    EXPECT_EQ("(null)", Find()) << "no printer key";

    SetRegString(key.c_str(), "Other", "x");
    EXPECT_EQ("(null)", Find()) << "no DrvlibIntl";

    SetRegString(key.c_str(), "DrvlibIntl", "01Deutsch");
    SetRegString(key.c_str(), "DrvlibIntl=English", "English,44");
    EXPECT_EQ("(null)", Find()) << "no entry for Deutsch";

    SetRegString(key.c_str(), "DrvlibIntl=Deutsch", "Deutsch,49");
    ASSERT_EQ("C:\\WINNT\\System32\\DOZID049.HLP", Find());

    DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
    EXPECT_EQ("(null)", Find()) << "no Printer setting";
}

TEST_F(HelpFileTest, ValuesStoredWithoutTerminator)
{
    // The byte after each value's data would change the result if read.
    SetRegBytes(key.c_str(), "DrvlibIntl", REG_SZ, "01DeutschX", 9);
    SetRegBytes(key.c_str(), "DrvlibIntl=Deutsch", REG_SZ, "Deutsch,497", 10);
    EXPECT_EQ("C:\\WINNT\\System32\\DOZID049.HLP", Find());
}

TEST_F(HelpFileTest, KeyPathMustFitItsBuffer)
{
    // The printers prefix and "\PrinterDriverData" take 66 characters, so a
    // 189-character name fills the 256 bytes exactly.
    ASSERT_EQ(66u, strlen(PRINTERS_KEY) + strlen("\\PrinterDriverData"));
    for (size_t chars : {189u, 190u, 191u}) {
        SCOPED_TRACE(chars);
        Clean();
        longPrinter.assign(chars, 'P');
        key = DriverDataKey(longPrinter);
        SetRegString(SETTINGS_KEY, "Printer", longPrinter);
        SetEntry("01Deutsch", "Deutsch", "Deutsch,49");
        ASSERT_TRUE(KeyExists(key.c_str()));
        EXPECT_EQ(chars == 189 ? "C:\\WINNT\\System32\\DOZID049.HLP" : "(null)", Find());
    }
}

TEST_F(HelpFileTest, EntryNameMustFitItsBuffer)
{
    // "DrvlibIntl=" is 11 characters: a 244-character entry name fills 256 bytes.
    for (size_t chars : {244u, 245u, 300u}) {
        SCOPED_TRACE(chars);
        std::string name(chars, 'E');
        SetEntry("01" + name, name, "Deutsch,49");
        std::string stored;
        EXPECT_TRUE(GetRegValue(key.c_str(), ("DrvlibIntl=" + name).c_str(), &stored));
        EXPECT_EQ(chars == 244 ? "C:\\WINNT\\System32\\DOZID049.HLP" : "(null)", Find());
    }
}

TEST_F(HelpFileTest, HelpPathMustFitItsBuffer)
{
    SetEntry("01Deutsch", "Deutsch", "Deutsch,49");
    // "\DOZID049.HLP" is 13 characters: a 246-character directory fills 260 bytes.
    std::string directory = "C:\\" + std::string(243, 'd');
    SetSystemDir(directory);
    EXPECT_EQ(directory + "\\DOZID049.HLP", Find());

    SetSystemDir(directory + "d");
    strcpy(g_helpFilePath, "sentinel");
    EXPECT_EQ("(null)", Find());
    EXPECT_LT(strnlen(g_helpFilePath, sizeof g_helpFilePath), sizeof g_helpFilePath);

    SetRegString(key.c_str(), "DrvlibIntl=Deutsch", "Deutsch,1234");
    SetSystemDir(directory);
    EXPECT_EQ("(null)", Find()) << "four digits no longer fit";
}

}  // namespace
