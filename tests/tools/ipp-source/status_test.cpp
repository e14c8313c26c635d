// From printer state to status code, help flag and texts: the defaults, the
// profile's [IppStatus] section, and texts on their way to the ANSI page.
#include <gtest/gtest.h>

#include "app/shared.h"
#include "installation.h"
#include "testing.h"
#include "tools/ipp-source/status.h"

#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::string, int> g_profile;

int TestLookup(const char *key, int fallback)
{
    auto found = g_profile.find(key);
    return found == g_profile.end() ? fallback : found->second;
}

ipp::PrinterStatus Printer(int state, const std::vector<std::string> &reasons,
                           const std::string &message = "")
{
    ipp::PrinterStatus status = {};
    status.state = state;
    status.queuedJobs = -1;
    for (const std::string &reason : reasons)
        lstrcpynA(status.reasons[status.reasonCount++], reason.c_str(), ipp::KEYWORD_SIZE);
    lstrcpynA(status.message, message.c_str(), ipp::MESSAGE_SIZE);
    return status;
}

StatusReport Map(const ipp::PrinterStatus &status)
{
    StatusReport report;
    MapPrinterStatus(status, "ipp://p/", TestLookup, &report);
    return report;
}

class Mapping : public ::testing::Test {
protected:
    void SetUp() override { g_profile.clear(); }
};

TEST_F(Mapping, TheWorstReasonDecidesWithTheDefaultCodesAndTexts)
{
    struct Case {
        int state;
        std::vector<std::string> reasons;
        LONG code;
        bool help;
        const char *text;
    };
    const Case cases[] = {
        {3, {"none"}, 10001, false, "Ready"},
        {3, {}, 10001, false, "Ready"},
        {4, {"media-jam-error"}, 40077, true, "Paper jam"},
        {3, {"media-jam"}, 40077, true, "Paper jam"},              // listed without suffix
        {3, {"cover-open-warning"}, 40021, true, "Cover open"},    // the suffix rules
        {3, {"toner-low"}, 40021, true, "Toner low"},
        {3, {"marker-supply-low-report"}, 10001, false, "Ready"}, // reports are ignored
        {3, {"cups-insecure-filter-warning"}, 40021, true, "cups-insecure-filter"},
        {3, {"some-vendor-state"}, 10001, false, "Ready"},         // unknown, no suffix
        {3, {"toner-low-warning", "media-empty-error", "door-open-error"}, 40077, true,
         "Out of paper"},
        {5, {"paused"}, 40077, true, "Printer stopped"},          // stopped, nothing mapped
        {5, {"none"}, 40077, true, "Printer stopped"},
        {5, {"media-low-warning"}, 40021, true, "Paper low"},     // a reason beats the state
    };
    for (const Case &test : cases) {
        StatusReport report = Map(Printer(test.state, test.reasons));
        std::string label = ::testing::PrintToString(test.reasons) + " state " +
                            std::to_string(test.state);
        EXPECT_EQ(test.code, report.code) << label;
        EXPECT_EQ(test.help, report.help) << label;
        EXPECT_STREQ(test.text, report.text) << label;
    }
}

TEST_F(Mapping, ThePrintersOwnMessageIsTheTextAndTheDetailsAreWritten)
{
    ipp::PrinterStatus status =
        Printer(4, {"media-jam-error", "toner-low-warning"}, "Paper jam in tray 2");
    status.queuedJobs = 3;
    status.markerCount = 3;
    lstrcpynA(status.markerNames[0], "Black", ipp::KEYWORD_SIZE);
    lstrcpynA(status.markerNames[1], "Cyan", ipp::KEYWORD_SIZE);
    lstrcpynA(status.markerNames[2], "Waste", ipp::KEYWORD_SIZE);
    status.markerLevelCount = 2;  // one level short
    status.markerLevels[0] = 85;
    status.markerLevels[1] = -3;

    StatusReport report = Map(status);
    EXPECT_EQ(40077, report.code);
    EXPECT_STREQ("Paper jam in tray 2", report.text);
    EXPECT_STREQ("processing", report.state);
    EXPECT_STREQ("media-jam-error,toner-low-warning", report.reasons);
    EXPECT_STREQ("3", report.jobs);
    EXPECT_STREQ("ipp://p/", report.uri);
    ASSERT_EQ(3, report.markerCount);
    EXPECT_STREQ("Marker Black", report.markerNames[0]);
    EXPECT_STREQ("85%", report.markerLevels[0]);
    EXPECT_STREQ("unknown", report.markerLevels[1]);
    EXPECT_STREQ("unknown", report.markerLevels[2]);

    // Blanks are no message; an unknown job count says so.
    report = Map(Printer(3, {"none"}, "   "));
    EXPECT_STREQ("Ready", report.text);
    EXPECT_STREQ("idle", report.state);
    EXPECT_STREQ("none", report.reasons);
    EXPECT_STREQ("unknown", report.jobs);

    // Too many reasons for 255 characters: whole keywords only.
    std::vector<std::string> many(ipp::MAX_REASONS, std::string(40, 'k') + "-report");
    report = Map(Printer(3, many));
    std::string five = many[0];
    for (int index = 1; index < 5; ++index)
        five += "," + many[0];
    EXPECT_EQ(five, report.reasons);
}

TEST_F(Mapping, TheProfileMapsReasonsWithOrWithoutSuffixAndTheStates)
{
    g_profile = {{"media-jam", 40100},          {"toner-low-warning", 40200},
                 {"toner-low", 40201},          {"cups-waiting-for-job-completed", 12345},
                 {"Ready", 10049},              {"Stopped", 40300},
                 {"Unreachable", 40400}};
    EXPECT_EQ(40100, Map(Printer(4, {"media-jam-error"})).code) << "the base keyword";
    EXPECT_EQ(40200, Map(Printer(3, {"toner-low-warning"})).code) << "the whole keyword first";
    EXPECT_EQ(40201, Map(Printer(3, {"toner-low-report"})).code) << "a mapped report counts";
    EXPECT_EQ(12345, Map(Printer(3, {"cups-waiting-for-job-completed"})).code);
    EXPECT_EQ(40077, Map(Printer(3, {"cups-waiting-for-job-completed", "door-open"})).code)
        << "an error beats a reason that is only mapped";
    EXPECT_EQ(10049, Map(Printer(3, {"none"})).code);
    EXPECT_FALSE(Map(Printer(3, {"none"})).help);
    EXPECT_EQ(40300, Map(Printer(5, {"paused"})).code);

    StatusReport report;
    MapUnreachable("ipp://p/", TestLookup, &report);
    EXPECT_EQ(40400, report.code);
    EXPECT_FALSE(report.help) << "no help topic opens on a laptop away from its printer";
    EXPECT_STREQ("Printer not reachable", report.text);
    g_profile["UnreachableHelp"] = 1;
    MapUnreachable("ipp://p/", TestLookup, &report);
    EXPECT_TRUE(report.help);
    g_profile.clear();
    MapUnreachable("ipp://p/", TestLookup, &report);
    EXPECT_EQ(40077, report.code);
    EXPECT_FALSE(report.help);
}

TEST_F(Mapping, TheRealProfileFileIsRead)
{
    Installation install("Mapping");
    install.UseProfile("[IppStatus]\r\nmedia-jam=40101\r\nReady=10049\r\n");
    EXPECT_EQ(40101, ProfileCodeLookup("media-jam", 7));
    EXPECT_EQ(7, ProfileCodeLookup("media-empty", 7));
    StatusReport report;
    MapPrinterStatus(Printer(3, {"none"}), "ipp://p/", ProfileCodeLookup, &report);
    EXPECT_EQ(10049, report.code);
}

TEST_F(Mapping, AReasonNamedAfterASettingNeverTakesItsNumber)
{
    Installation install("Mapping");
    install.UseProfile("[IppStatus]\r\nPollSeconds=60\r\nReady=10049\r\nsubscribe=1\r\n");
    StatusReport report;
    MapPrinterStatus(Printer(3, {"pollseconds", "Subscribe-report"}), "ipp://p/", ProfileCodeLookup,
                     &report);
    EXPECT_EQ(10049, report.code) << "ready, as without those reasons";
    MapPrinterStatus(Printer(5, {"ready"}), "ipp://p/", ProfileCodeLookup, &report);
    EXPECT_EQ(40077, report.code) << "stopped, not the code of Ready";
    MapPrinterStatus(Printer(3, {"pollseconds-error"}), "ipp://p/", ProfileCodeLookup, &report);
    EXPECT_EQ(40077, report.code) << "an error still by its suffix";
}

TEST(AnsiText, TakesUtf8IntoCodePage1252WithQuestionMarksAndCuts)
{
    char out[DETAIL_SIZE];
    Utf8ToAnsi("Papierstau \xC3\xBC \xE2\x80\x93 Fach 2", out, sizeof out);
    EXPECT_STREQ("Papierstau \xFC \x96 Fach 2", out);  // u-umlaut and en dash are in 1252
    Utf8ToAnsi("\xE7\xBA\xB8 \xF0\x9F\x96\xA8!", out, sizeof out);
    EXPECT_STREQ("? ?!", out) << "a character outside the page, even a surrogate pair, is one ?";
    Utf8ToAnsi("bad \xFF\xC3 end", out, sizeof out);
    EXPECT_EQ(std::string::npos, std::string(out).find('\xFF'));
    EXPECT_NE(std::string::npos, std::string(out).find(" end"));

    std::string longText;
    for (int index = 0; index < 300; ++index)
        longText += "\xC3\xBC";
    Utf8ToAnsi(longText.c_str(), out, sizeof out);
    EXPECT_EQ(255u, strlen(out)) << "255 characters, not 255 UTF-8 bytes";
    char tiny[4];
    Utf8ToAnsi("abcdef", tiny, sizeof tiny);
    EXPECT_STREQ("abc", tiny);
}

TEST(Reports, ChangeWithTheCodeOrTheTextOnly)
{
    ipp::PrinterStatus status = Printer(4, {"media-jam-error"}, "Paper jam");
    StatusReport before, after;
    MapPrinterStatus(status, "ipp://p/", TestLookup, &before);
    status.queuedJobs = 5;
    MapPrinterStatus(status, "ipp://p/", TestLookup, &after);
    EXPECT_FALSE(ReportChanged(before, after)) << "a new job count alone is no news";
    lstrcpynA(status.message, "Paper jam in tray 3", ipp::MESSAGE_SIZE);
    MapPrinterStatus(status, "ipp://p/", TestLookup, &after);
    EXPECT_TRUE(ReportChanged(before, after));
    MapPrinterStatus(Printer(3, {"none"}, "Paper jam"), "ipp://p/", TestLookup, &after);
    EXPECT_TRUE(ReportChanged(before, after));
}

}  // namespace
