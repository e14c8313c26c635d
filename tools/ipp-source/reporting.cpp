// Reporting to the monitor, for --once and for the resident watch alike.
#include "reporting.h"

#include "source.h"
#include "tools/common/report.h"

void Say(const char *text)
{
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (handle == NULL || handle == INVALID_HANDLE_VALUE)
        return;
    char line[1100];
    wsprintfA(line, "DadaViziIpp: %.1000s\r\n", text);
    DWORD written;
    WriteFile(handle, line, (DWORD)lstrlenA(line), &written, NULL);
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
        Say(why);
    return result;
}

int SendReport(const StatusReport &report)
{
    char why[REPORT_WHY_SIZE];
    int result = SendToMonitor(report.code, report.help, why);
    // No monitor is an ordinary state for a resident source; a refusal is not.
    if (result == REPORT_NO_ANSWER)
        Say(why);
    return result;
}

void SayReport(const StatusReport &report, int sent)
{
    char line[700];
    wsprintfA(line, "status %ld (%.20s, %.250s): %.255s%s", (long)report.code, report.state,
              report.reasons[0] ? report.reasons : "no reasons", report.text,
              sent == IPP_EXIT_NO_MONITOR  ? " [no monitor running]"
              : sent == IPP_EXIT_NO_ANSWER ? " [the monitor did not answer]"
                                           : "");
    Say(line);
}

bool Publish(const StatusReport &report, Published *last)
{
    if (last->any && !ReportChanged(last->report, report))
        return false;
    if (WriteReport(report) != IPP_EXIT_DONE)
        return false;  // said already; tried again on the next answer
    last->report = report;
    last->any = true;
    SayReport(report, SendReport(report));
    return true;
}
