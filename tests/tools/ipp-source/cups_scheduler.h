// The fixture of the IPP source's scheduler tests: DadaViziIpp.exe against
// a real, private CUPS scheduler, driven through
// tests/tools/ipp-source/cups-harness, a Unix program that Wine starts for
// us (without a process handle: it leaves a file with its exit code when
// done). cups_test.sh starts the scheduler first and ends it afterwards.
#ifndef DADAVIZI_TEST_CUPS_SCHEDULER_H
#define DADAVIZI_TEST_CUPS_SCHEDULER_H

#include <gtest/gtest.h>

#include "app/monitor.h"
#include "installation.h"
#include "process.h"
#include "registry/settings.h"
#include "testing.h"

#include <string>
#include <vector>

inline std::string Env(const char *name)
{
    char value[1024] = "";
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length < sizeof value ? std::string(value, length) : std::string();
}

// A Unix path as Wine's drive Z: shows it.
inline std::string WindowsPath(const std::string &unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

inline std::string TempFile(const char *name)
{
    return TempDirectory() + "\\" + name;
}

// Milliseconds since 1970, UTC: Wine's clock is the host's.
inline long long UnixMilliseconds()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    unsigned long long ticks =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<long long>(ticks / 10000ull) - 11644473600000ll;
}

class Scheduler : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        harness = Env("DADAVIZI_CUPS_HARNESS");
        dir = Env("DADAVIZI_CUPS_DIR");
    }

    void SetUp() override
    {
        ASSERT_FALSE(dir.empty() || harness.empty())
            << "run through cups_test.sh, which starts the scheduler";
        // A fresh scheduler for each test: no jams or stopped queues left over.
        ASSERT_EQ(0, Harness("start")) << "the scheduler did not start again";
        uri = "ipp://127.0.0.1:" + std::to_string(Number("port")) + "/printers/jam";

        install.Write();
        // Help in the secondary window: no popup timer to race with. The
        // source subscribes to the scheduler's queue and asks every second,
        // as it may for a printer only this machine uses, and counts two
        // seconds of failures as an outage: the tests need not wait the
        // minute of a shared printer.
        install.WriteSystemProfile("[HelpMap]\r\n40000=17\r\n\r\n[" + install.driver +
                                   "]\r\nTimeCloseWindow=0\r\n\r\n[IppStatus]\r\n"
                                   "Subscribe=1\r\nIntervalSeconds=1\r\n"
                                   "UnreachableSeconds=2\r\n");
    }

    void TearDown() override
    {
        for (HANDLE process : processes)
            EndProgram(process, 0);
    }

    // A number the harness left in DIR/`file`; -1 when there is none.
    static int Number(const char *file)
    {
        std::string text;
        if (!ReadWholeFile(WindowsPath(dir + "/" + file), &text) || text.empty())
            return -1;
        return atoi(text.c_str());
    }

    // Runs a harness command to its end; its exit code, or -1 after
    // `milliseconds`.
    static int Harness(const std::string &command, DWORD milliseconds = 30000)
    {
        static int count = 0;
        std::string tag = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
        std::string done = WindowsPath(dir + "/done." + tag);
        std::string line = "/bin/sh " + harness + " " + dir + " " + command + " " + tag;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                            &process)) {
            ADD_FAILURE() << "Wine did not start " << line;
            return -1;
        }
        // For a Unix program Wine fills in no handles, yet may leave a stale
        // value in hThread: closing it once closed this process's registry
        // root. Nothing is closed here.
        std::string text;
        if (!PumpUntil([&] { return ReadWholeFile(done, &text) && !text.empty(); },
                       milliseconds)) {
            ADD_FAILURE() << "the harness did not finish: " << command;
            return -1;
        }
        DeleteFileA(done.c_str());
        return atoi(text.c_str());
    }

    // Starts <build>/bin/<exe> with `arguments`, its output into `output`;
    // it is ended with the test.
    HANDLE Start(const std::string &exe, const std::string &arguments,
                 const std::string &output = std::string(), DWORD *processId = nullptr)
    {
        HANDLE file = INVALID_HANDLE_VALUE;
        if (!output.empty()) {
            SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
            file = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        }
        HANDLE process = StartProgram(exe, arguments, processId,
                                      file == INVALID_HANDLE_VALUE ? NULL : file);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (process)
            processes.push_back(process);
        return process;
    }

    // DadaViziIpp --once to its end: the exit code, and what it said. The
    // monitor in this process answers the source's messages meanwhile.
    DWORD Once(const std::string &arguments, std::string *said = nullptr)
    {
        return RunSource("--once " + arguments, said);
    }
    DWORD RunSource(const std::string &arguments, std::string *said = nullptr)
    {
        std::string output = TempFile("dadavizi-ipp-once.txt");
        HANDLE process = Start("DadaViziIpp.exe", arguments, output);
        if (!process) {
            ADD_FAILURE() << "cannot start DadaViziIpp.exe";
            return STILL_ACTIVE;
        }
        DWORD code = WaitForExitPumping(process, 60000);
        std::string text;
        ReadWholeFile(output, &text);
        DeleteFileA(output.c_str());
        if (said)
            *said = text;
        return code;
    }

    // A status value as text, "<missing>" when there is none.
    std::string Stored(const char *name) const { return StoredText(install.statusKey, name); }
    static std::string StoredText(const std::string &path, const char *name)
    {
        std::string data = StoredValue(path, name);
        if (!data.empty() && data.back() == '\0')
            data.pop_back();
        return data;
    }

    // Pumps until the stored code is `code`, and the monitor in this
    // process (when there is one) has taken it; false after `milliseconds`.
    bool WaitForCode(const std::string &code, DWORD milliseconds)
    {
        return PumpUntil(
            [&] {
                return Stored("Code") == code &&
                       (!monitorInProcess || std::to_string(g_currentStatus) == code);
            },
            milliseconds);
    }

    // How long ago the backend reported, by the file it left.
    static long long SinceBackend(const char *file)
    {
        std::string text;
        if (!ReadWholeFile(WindowsPath(dir + "/jam/" + file), &text) || text.empty())
            return -1;
        return UnixMilliseconds() - _atoi64(text.c_str());
    }

    inline static std::string harness, dir;
    Installation install{"IPP"};
    std::string uri;
    std::vector<HANDLE> processes;
    bool monitorInProcess = false;
};

// The hidden window of the DadaViziIpp process `processId`, or NULL.
inline HWND SourceWindow(DWORD processId)
{
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, "DadaViziIpp", "DadaViziIpp"))) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return window;
    }
    return NULL;
}

#endif
