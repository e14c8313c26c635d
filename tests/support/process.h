// The built programs as processes: start one, wait for its window or its
// end, run one to its end with its output. Every wait is bounded.
#ifndef DADAVIZI_TEST_PROCESS_H
#define DADAVIZI_TEST_PROCESS_H

#include <windows.h>

#include <string>

// <folder of the test executable>\<exe>: the programs are built beside it.
std::string BuiltProgram(const std::string &exe);

// Starts a built program; stdout and stderr go to `output` when it is
// given. The returned handle (NULL on failure) must be closed, or ended
// with EndProgram.
HANDLE StartProgram(const std::string &exe, const std::string &arguments = std::string(),
                    DWORD *processId = nullptr, HANDLE output = NULL);

// The process's exit code, or STILL_ACTIVE when it has not ended in time.
DWORD WaitForExit(HANDLE process, DWORD milliseconds);

// The same while dispatching this thread's messages: a monitor window in
// the test's process must answer what the process sends it.
DWORD WaitForExitPumping(HANDLE process, DWORD milliseconds);

// Gives the process `grace` milliseconds to end, then terminates it;
// closes the handle either way.
void EndProgram(HANDLE process, DWORD grace = 2000);

// Runs a built program to its end; its exit code, or STILL_ACTIVE when it
// did not end within `milliseconds` (it is then ended). `output` receives
// what it printed.
DWORD RunProgram(const std::string &exe, const std::string &arguments,
                 std::string *output = nullptr, DWORD milliseconds = 45000);

// The monitor's window once `process` has made it; NULL when the process
// ended first or `milliseconds` passed. Messages are pumped meanwhile.
HWND WaitForMonitorWindow(HANDLE process, DWORD milliseconds = 20000);
int CountMonitorWindows();

#endif
