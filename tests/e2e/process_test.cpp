// The built DadaVizi.exe as a process: the single-instance guard and the end.
#include <gtest/gtest.h>

#include "app/shared.h"
#include "installation.h"
#include "process.h"

namespace {

class MonitorProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        process = StartProgram("DadaVizi.exe");
        ASSERT_NE(nullptr, process) << "cannot start " << BuiltProgram("DadaVizi.exe");
        window = WaitForMonitorWindow(process);
        ASSERT_NE(nullptr, window) << "no monitor window appeared";
    }
    void TearDown() override { EndProgram(process, 0); }

    Installation nothing{"Process"};  // no settings: the monitor runs unconfigured
    HANDLE process = NULL;
    HWND window = NULL;
};

TEST_F(MonitorProcess, ASecondStartLeavesAtOnceWithExitCodeZero)
{
    HANDLE second = StartProgram("DadaVizi.exe");
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(0u, WaitForExit(second, 10000));
    CloseHandle(second);
    EXPECT_EQ(1, CountMonitorWindows());
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(process, 0)) << "the first one runs on";

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(process, 10000));
}

TEST_F(MonitorProcess, ARightClickEndsItWithExitCodeZero)
{
    PostMessageA(window, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONUP);
    PostMessageA(window, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_RBUTTONUP);
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(process, 500));
    PostMessageA(window, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_RBUTTONDOWN);
    EXPECT_EQ(0u, WaitForExit(process, 10000));
    EXPECT_EQ(0, CountMonitorWindows());
}

TEST_F(MonitorProcess, CloseSentFromAnotherProcessEndsItWithExitCodeZero)
{
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(process, 10000));
}

TEST(MonitorStart, AWindowOfTheClassWithAnotherTitleIsNoRunningMonitor)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = MONITOR_WINDOW_NAME;
    ASSERT_NE(0, RegisterClassA(&windowClass));
    HWND impostor = CreateWindowExA(0, MONITOR_WINDOW_NAME, "Something else", 0, 0, 0, 0, 0, NULL,
                                    NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_NE(nullptr, impostor);

    HANDLE process = StartProgram("DadaVizi.exe");
    ASSERT_NE(nullptr, process);
    HWND window = WaitForMonitorWindow(process);
    ASSERT_NE(nullptr, window) << "the monitor took the other window for itself";
    EXPECT_NE(impostor, window);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(process, 10000));
    CloseHandle(process);
    DestroyWindow(impostor);
    UnregisterClassA(MONITOR_WINDOW_NAME, GetModuleHandleA(NULL));
}

}  // namespace
