// The built DadaVizi.exe as a process: the single-instance guard and the end.
#include <gtest/gtest.h>

#include "testing.h"

#include <string>

namespace {

const UINT WM_TRAYNOTIFY_MESSAGE = WM_USER + 10;

std::string MonitorPath()
{
    return ModuleDirectory() + "\\DadaVizi.exe";
}

// Starts the monitor; the returned handle must be closed.
HANDLE StartMonitor()
{
    std::string commandLine = "\"" + MonitorPath() + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process))
        return NULL;
    CloseHandle(process.hThread);
    return process.hProcess;
}

HWND WaitForMonitorWindow(HANDLE process)
{
    HWND window = NULL;
    PumpUntil(
        [&] {
            window = FindWindowA("DadaVizi", "DadaVizi");
            return window != NULL || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        },
        20000);
    return window;
}

DWORD WaitForExit(HANDLE process, DWORD milliseconds)
{
    if (WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

int CountMonitorWindows()
{
    int count = 0;
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, "DadaVizi", "DadaVizi")) != NULL)
        ++count;
    return count;
}

class MonitorProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
        process = StartMonitor();
        ASSERT_TRUE(process != NULL) << "cannot start " << MonitorPath();
        window = WaitForMonitorWindow(process);
        ASSERT_TRUE(window != NULL) << "no DadaVizi window appeared";
    }
    void TearDown() override
    {
        if (process) {
            if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
                TerminateProcess(process, 99);
                WaitForSingleObject(process, 5000);
            }
            CloseHandle(process);
        }
    }
    HANDLE process = NULL;
    HWND window = NULL;
};

TEST_F(MonitorProcess, ASecondStartLeavesAtOnceWithExitCodeZero)
{
    HANDLE second = StartMonitor();
    ASSERT_TRUE(second != NULL);
    EXPECT_EQ(0u, WaitForExit(second, 10000));
    CloseHandle(second);
    EXPECT_EQ(1, CountMonitorWindows());
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(process, 0)) << "the first one runs on";

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(process, 10000));
}

TEST_F(MonitorProcess, ARightClickEndsItWithExitCodeZero)
{
    PostMessageA(window, WM_TRAYNOTIFY_MESSAGE, 100, WM_LBUTTONUP);
    PostMessageA(window, WM_TRAYNOTIFY_MESSAGE, 100, WM_RBUTTONUP);
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(process, 500));
    PostMessageA(window, WM_TRAYNOTIFY_MESSAGE, 100, WM_RBUTTONDOWN);
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
    windowClass.lpszClassName = "DadaVizi";
    ASSERT_NE(0, RegisterClassA(&windowClass));
    HWND impostor = CreateWindowExA(0, "DadaVizi", "Something else", 0, 0, 0, 0, 0, NULL, NULL,
                                    GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(impostor != NULL);

    HANDLE process = StartMonitor();
    ASSERT_TRUE(process != NULL);
    HWND window = WaitForMonitorWindow(process);
    ASSERT_TRUE(window != NULL) << "the monitor took the other window for itself";
    EXPECT_NE(impostor, window);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(process, 10000));
    CloseHandle(process);
    DestroyWindow(impostor);
    UnregisterClassA("DadaVizi", GetModuleHandleA(NULL));
}

}  // namespace
