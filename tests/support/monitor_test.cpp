// The shared monitor-window fixture.
#include "monitor_test.h"

#include "app/monitor.h"
#include "help/help_engine.h"
#include "popup.h"

void MonitorWindowTest::SetUp()
{
    ResetMonitor();
    CreateMonitor();
}

void MonitorWindowTest::ResetMonitor()
{
    fake::Reset();
    popup::Reset();
    g_hInstance = GetModuleHandleA(NULL);
    g_currentStatus = 0;
    g_popupWindow = NULL;
    // A Windows with WinHelp, whatever Wine says it is; suites that try
    // other versions set their own.
    g_windowsVersion = {5, 1, VER_NT_WORKSTATION};
}

void MonitorWindowTest::CreateMonitor()
{
    window = CreateMonitorWindow(g_hInstance);
    ASSERT_NE(nullptr, window);
}

void MonitorWindowTest::TearDown()
{
    fake::onTray = nullptr;
    fake::onHelp = nullptr;
    popup::onClose = nullptr;
    if (IsWindow(window))
        DestroyWindow(window);
    MSG quit;
    while (PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    popup::Reset();
    g_popupWindow = NULL;
    fake::Reset();
}

void MonitorWindowTest::Status(LONG code, WPARAM help) const
{
    SendMessageA(window, WM_BIDISTATUS, help, static_cast<LPARAM>(code));
}

void MonitorWindowTest::Click(UINT mouseMessage) const
{
    SendMessageA(window, WM_TRAYNOTIFY, TRAY_ICON_ID, mouseMessage);
}

std::vector<TrayCall> MonitorWindowTest::TakeTrayCalls()
{
    std::vector<TrayCall> calls;
    calls.swap(fake::trayCalls);
    return calls;
}
