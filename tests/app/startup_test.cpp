// Start-up: the shared paths and the single-instance guard.
#include <gtest/gtest.h>

#include "app/monitor.h"
#include "fakes.h"
#include "process.h"

#include <string>

namespace {

TEST(MonitorPaths, JoinTheProfileNameToTheSystemDirectory)
{
    InitMonitorPaths("C:\\WINDOWS\\SYSTEM", 17);
    EXPECT_STREQ("C:\\WINDOWS\\SYSTEM", g_systemDir);
    EXPECT_STREQ("C:\\WINDOWS\\SYSTEM\\DODOZOD.INI", g_profilePath);
}

TEST(MonitorPaths, DriveRootKeepsOnlyTheDrive)
{
    InitMonitorPaths("C:\\", 3);
    EXPECT_STREQ("C:", g_systemDir);
    EXPECT_STREQ("C:\\DODOZOD.INI", g_profilePath);
}

TEST(MonitorPaths, FailedReadLeavesTheDirectoryEmpty)
{
    InitMonitorPaths("C:\\stale", 0);
    EXPECT_STREQ("", g_systemDir);
    EXPECT_STREQ("\\DODOZOD.INI", g_profilePath);

    // Too small a buffer: the call reports the size it needed and writes nothing.
    InitMonitorPaths("C:\\stale", 300);
    EXPECT_STREQ("", g_systemDir);
    EXPECT_STREQ("\\DODOZOD.INI", g_profilePath);
}

TEST(MonitorPaths, LongDirectoriesNeverOverflowTheProfilePath)
{
    // "\DODOZOD.INI" is 12 characters: 247 + 12 still fits 259 and the terminator.
    std::string fits = "C:\\" + std::string(244, 'd');
    InitMonitorPaths(fits.c_str(), static_cast<UINT>(fits.size()));
    EXPECT_EQ(fits, g_systemDir);
    EXPECT_EQ(fits + "\\DODOZOD.INI", g_profilePath);

    std::string tooLong = fits + "d";
    InitMonitorPaths(tooLong.c_str(), static_cast<UINT>(tooLong.size()));
    EXPECT_EQ(tooLong, g_systemDir);
    EXPECT_STREQ("", g_profilePath) << "a path that does not fit is not cut short";

    std::string longest = "C:\\" + std::string(256, 'd');  // 259, the most the buffer holds
    InitMonitorPaths(longest.c_str(), static_cast<UINT>(longest.size()));
    EXPECT_EQ(longest, g_systemDir);
    EXPECT_STREQ("", g_profilePath);
}

TEST(SingleInstance, ARunningMonitorWindowEndsTheSecondStartAtOnce)
{
    fake::Reset();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = MONITOR_WINDOW_NAME;
    ASSERT_NE(0, RegisterClassA(&windowClass));
    HWND other = CreateWindowExA(0, MONITOR_WINDOW_NAME, MONITOR_WINDOW_NAME, 0, 0, 0, 0, 0, NULL,
                                 NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_NE(nullptr, other);

    lstrcpyA(g_systemDir, "untouched");
    g_hInstance = NULL;
    EXPECT_EQ(0, RunMonitor(GetModuleHandleA(NULL)));
    EXPECT_EQ(nullptr, g_hInstance);
    EXPECT_STREQ("untouched", g_systemDir);
    EXPECT_TRUE(fake::trayCalls.empty());
    EXPECT_TRUE(fake::helpCalls.empty());

    EXPECT_EQ(1, CountMonitorWindows());

    DestroyWindow(other);
    UnregisterClassA(MONITOR_WINDOW_NAME, GetModuleHandleA(NULL));
}

}  // namespace
