// Reporting to the monitor, for --once and for the resident watch alike.
#include "tools/ipp-source/reporting.h"

#include "tools/common/report.h"
#include "tools/ipp-source/event_log.h"

namespace {

bool g_mayAttach = false;
HANDLE g_parentConsole = INVALID_HANDLE_VALUE;

// The console of the process that started this one, once: a command prompt
// that ran the program without redirecting its output.
HANDLE ParentConsole()
{
    static bool tried = false;
    if (tried || !g_mayAttach)
        return g_parentConsole;
    tried = true;
    // Looked up, not imported: Windows 2000 has no AttachConsole.
    typedef BOOL(WINAPI * AttachConsoleProc)(DWORD);
    AttachConsoleProc attach = reinterpret_cast<AttachConsoleProc>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "AttachConsole")));
    // ERROR_ACCESS_DENIED: the process has a console already, which will do.
    if (attach && (attach(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED))
        g_parentConsole = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    return g_parentConsole;
}

// The standard handle, else the parent's console. A GUI program may be
// handed a standard handle value that is not open in it (its parent's,
// not inherited); such a handle has no file type.
HANDLE Output(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    if (handle != NULL && handle != INVALID_HANDLE_VALUE) {
        SetLastError(NO_ERROR);
        if (GetFileType(handle) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR)
            return handle;
    }
    return ParentConsole();
}

}  // namespace

void SayToParentConsole(bool allowed)
{
    g_mayAttach = allowed;
}

void Print(const char *text)
{
    HANDLE handle = Output(STD_OUTPUT_HANDLE);
    DWORD written;
    if (handle != NULL && handle != INVALID_HANDLE_VALUE)
        WriteFile(handle, text, (DWORD)lstrlenA(text), &written, NULL);
}

namespace {

void SayAs(WORD type, const char *text)
{
    LogEvent(type, text);
    HANDLE handle = Output(STD_ERROR_HANDLE);
    if (handle == NULL || handle == INVALID_HANDLE_VALUE)
        return;
    char line[1100];
    wsprintfA(line, "DadaViziIpp: %.1000s\r\n", text);
    DWORD written;
    WriteFile(handle, line, (DWORD)lstrlenA(line), &written, NULL);
}

}  // namespace

void Say(const char *text)
{
    SayAs(EVENTLOG_INFORMATION_TYPE, text);
}

void Warn(const char *text)
{
    SayAs(EVENTLOG_WARNING_TYPE, text);
}

int WriteReport(const StatusReport &report)
{
    // The same key, written the same way, as DadaViziStatus writes it.
    char why[REPORT_WHY_SIZE];
    StatusDataWriter writer;
    int result = writer.Open(why);
    if (result == REPORT_DONE) {
        writer.Set("Text", report.text);
        writer.Set("State", report.state);
        writer.Set("Reasons", report.reasons);
        writer.Set("Jobs", report.jobs);
        writer.Set("Uri", report.uri);
        for (int index = 0; index < report.markerCount; ++index)
            writer.Set(report.markerNames[index], report.markerLevels[index]);
        result = writer.Finish(report.code, why);
    }
    if (result != REPORT_DONE)
        Warn(why);
    return result;
}

int SendReport(const StatusReport &report)
{
    char why[REPORT_WHY_SIZE];
    int result = SendToMonitor(report.code, report.help, why);
    // No monitor is an ordinary state for a resident source; a refusal is not.
    if (result == REPORT_NO_ANSWER)
        Warn(why);
    return result;
}

void SayReport(const StatusReport &report, int sent)
{
    char line[700];
    wsprintfA(line, "status %ld (%.20s, %.250s): %.255s%s", (long)report.code, report.state,
              report.reasons[0] ? report.reasons : "no reasons", report.text,
              sent == REPORT_NO_MONITOR  ? " [no monitor running]"
              : sent == REPORT_NO_ANSWER ? " [the monitor did not answer]"
                                           : "");
    Say(line);
}

bool Publish(const StatusReport &report, Published *last)
{
    if (last->any && !ReportChanged(last->report, report))
        return false;
    if (WriteReport(report) != REPORT_DONE)
        return false;  // said already; tried again on the next answer
    last->report = report;
    last->any = true;
    SayReport(report, SendReport(report));
    return true;
}

namespace {

class Monitor : public ReportSink {
public:
    void Warn(const char *text) override { ::Warn(text); }
    bool Publish(const StatusReport &report, Published *last) override
    {
        return ::Publish(report, last);
    }
};

}  // namespace

ReportSink &MonitorReports()
{
    static Monitor monitor;
    return monitor;
}
