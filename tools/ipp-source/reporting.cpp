// Reporting to the monitor, for --once and for the resident watch alike.
#include "tools/ipp-source/reporting.h"

#include "tools/common/console.h"
#include "tools/common/report.h"
#include "tools/ipp-source/event_log.h"

void SayToParentConsole(bool allowed)
{
    ConsoleUseParent(allowed);
}

void Print(const char *text)
{
    ConsoleWrite(ConsoleHandle(STD_OUTPUT_HANDLE), text);
}

namespace {

void SayAs(WORD type, const char *text)
{
    LogEvent(type, text);
    ConsoleSay("DadaViziIpp", text, NULL);
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
