// The base of the suites that drive the monitor's own window procedure in
// the test's process: the stand-ins and the program's globals reset, the
// window created; at the end the window and any popup gone, the quit
// message drained.
#ifndef DADAVIZI_TEST_MONITOR_TEST_H
#define DADAVIZI_TEST_MONITOR_TEST_H

#include <gtest/gtest.h>

#include "fakes.h"

#include <vector>

class MonitorWindowTest : public ::testing::Test {
protected:
    // Suites that configure the monitor before its window exists override
    // SetUp with ResetMonitor(), their set-up, then CreateMonitor().
    void SetUp() override;
    void TearDown() override;

    // The stand-ins, the popups and the program's globals as at start.
    static void ResetMonitor();
    void CreateMonitor();

    // A status as a status source sends it.
    void Status(LONG code, WPARAM help = 0) const;
    void Click(UINT mouseMessage) const;
    // The tray calls since the last look; they are forgotten.
    static std::vector<TrayCall> TakeTrayCalls();

    HWND window = NULL;
};

#endif
