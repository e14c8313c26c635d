// DadaViziClose.exe as the package runs it before it replaces or removes
// files: the real monitor and real resident DadaViziIpp processes, found by
// the windows they make themselves, end before it returns.
#include <gtest/gtest.h>

#include "installation.h"
#include "process.h"
#include "testing.h"
#include "tools/common/resident.h"

#include <string>

namespace {

int CountWindows(const char *name)
{
    int count = 0;
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, name, name)) != NULL)
        ++count;
    return count;
}

bool WaitForWindows(const char *name, int count, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (CountWindows(name) < count) {
        if (GetTickCount() - start > milliseconds)
            return false;
        Sleep(50);
    }
    return true;
}

class Closer : public ::testing::Test {
protected:
    // No driver data: a status the sources report opens no help.
    void SetUp() override { install.WriteSettings(); }

    Installation install{"Closer"};
};

TEST_F(Closer, EndsTheMonitorAndEveryResidentIppSourceAndWaitsForTheirProcesses)
{
    HANDLE monitor = StartProgram("DadaVizi.exe");
    ASSERT_NE(nullptr, monitor);
    ASSERT_NE(nullptr, WaitForMonitorWindow(monitor));
    // Two printers, so two sources, each with a window of the same name.
    // Nothing answers on port 9: each stays resident, retrying.
    HANDLE first = StartProgram("DadaViziIpp.exe", "ipp://127.0.0.1:9/ipp/print");
    HANDLE second = StartProgram("DadaViziIpp.exe", "ipp://127.0.0.1:9/printers/other");
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    ASSERT_TRUE(WaitForWindows(IPP_WINDOW_NAME, 2, 20000)) << "the sources did not stay resident";

    std::string output;
    EXPECT_EQ(0u, RunProgram("DadaViziClose.exe", "", &output)) << output;
    // Every process has ended by the time it returns, not just its window.
    EXPECT_EQ(0u, WaitForExit(monitor, 0));
    EXPECT_EQ(0u, WaitForExit(first, 0));
    EXPECT_EQ(0u, WaitForExit(second, 0));
    EXPECT_EQ(0, CountWindows(MONITOR_WINDOW_NAME));
    EXPECT_EQ(0, CountWindows(IPP_WINDOW_NAME));
    EndProgram(monitor, 0);
    EndProgram(first, 0);
    EndProgram(second, 0);

    EXPECT_EQ(3u, RunProgram("DadaViziClose.exe", "", &output)) << "nothing left to close";
    EXPECT_NE(std::string::npos, output.find("no window \"" MONITOR_WINDOW_NAME "\" or \"" IPP_WINDOW_NAME "\""))
        << output;
}

TEST_F(Closer, DadaViziStatusCloseEndsTheMonitorOnly)
{
    HANDLE monitor = StartProgram("DadaVizi.exe");
    ASSERT_NE(nullptr, monitor);
    ASSERT_NE(nullptr, WaitForMonitorWindow(monitor));
    HANDLE source = StartProgram("DadaViziIpp.exe", "ipp://127.0.0.1:9/ipp/print");
    ASSERT_NE(nullptr, source);
    ASSERT_TRUE(WaitForWindows(IPP_WINDOW_NAME, 1, 20000));

    std::string output;
    EXPECT_EQ(0u, RunProgram("DadaViziStatus.exe", "--close", &output)) << output;
    EXPECT_EQ(0u, WaitForExit(monitor, 0));
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(source, 0)) << "the IPP source is DadaViziClose's to end";
    EndProgram(monitor, 0);

    EXPECT_EQ(0u, RunProgram("DadaViziClose.exe", "", &output)) << output;
    EXPECT_EQ(0u, WaitForExit(source, 0));
    EndProgram(source, 0);
}

TEST_F(Closer, TakesNoArgumentsAndSaysWhatItDoes)
{
    std::string output;
    EXPECT_EQ(1u, RunProgram("DadaViziClose.exe", "--help", &output));
    for (const char *text : {"takes no arguments", "0 they have ended", "1 usage error",
                             "3 none was open", "5 one did not end in time"})
        EXPECT_NE(std::string::npos, output.find(text)) << text;
}

}  // namespace
