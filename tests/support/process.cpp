// Processes of the built programs, for the end-to-end tests and the benchmark.
#include "process.h"

#include "app/shared.h"
#include "installation.h"
#include "testing.h"

std::string BuiltProgram(const std::string &exe)
{
    return ModuleDirectory() + "\\" + exe;
}

HANDLE StartProgram(const std::string &exe, const std::string &arguments, DWORD *processId,
                    HANDLE output)
{
    std::string commandLine = "\"" + BuiltProgram(exe) + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, output != NULL, 0, NULL, NULL,
                        &startup, &process))
        return NULL;
    CloseHandle(process.hThread);
    if (processId)
        *processId = process.dwProcessId;
    return process.hProcess;
}

DWORD WaitForExit(HANDLE process, DWORD milliseconds)
{
    if (WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

DWORD WaitForExitPumping(HANDLE process, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= milliseconds)
            return STILL_ACTIVE;
        if (MsgWaitForMultipleObjects(1, &process, FALSE, milliseconds - spent, QS_ALLINPUT) ==
            WAIT_OBJECT_0)
            return WaitForExit(process, 0);
        PumpMessages(0);
    }
}

void EndProgram(HANDLE process, DWORD grace)
{
    if (!process)
        return;
    if (WaitForSingleObject(process, grace) != WAIT_OBJECT_0) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

DWORD RunProgram(const std::string &exe, const std::string &arguments, std::string *output,
                 DWORD milliseconds)
{
    std::string outputPath = TempDirectory() + "\\dadavizi-" + std::to_string(GetCurrentProcessId()) +
                             "-output.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE file = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    HANDLE process =
        StartProgram(exe, arguments, nullptr, file == INVALID_HANDLE_VALUE ? NULL : file);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    DWORD code = STILL_ACTIVE;
    if (process) {
        code = WaitForExit(process, milliseconds);
        EndProgram(process, 0);
    }
    std::string text;
    ReadWholeFile(outputPath, &text);
    DeleteFileA(outputPath.c_str());
    if (output)
        *output = process ? text : "cannot start " + BuiltProgram(exe);
    return code;
}

HWND WaitForMonitorWindow(HANDLE process, DWORD milliseconds)
{
    HWND window = NULL;
    PumpUntil(
        [&] {
            window = FindWindowA(MONITOR_WINDOW_NAME, MONITOR_WINDOW_NAME);
            return window != NULL || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        },
        milliseconds);
    return window;
}

int CountMonitorWindows()
{
    int count = 0;
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, MONITOR_WINDOW_NAME, MONITOR_WINDOW_NAME)) !=
           NULL)
        ++count;
    return count;
}
