// Telling the monitor: the status data key written the way DadaViziStatus
// writes it, WM_BIDISTATUS sent, and a line about it on standard error.
#ifndef DADAVIZI_IPP_REPORTING_H
#define DADAVIZI_IPP_REPORTING_H

#include "tools/ipp-source/status.h"

// Writes `text` and a line end to standard error, after "DadaViziIpp: ".
// Without a standard error handle (a GUI program run from a command prompt
// without redirection) it writes to the parent's console, once allowed.
// Once LogEvents(true) (event_log.h), it goes to the event log as well.
void Say(const char *text);
// The same, for something that went wrong: a warning in the event log.
void Warn(const char *text);
// Allows (or no longer allows) Say to attach to the parent's console. A
// resident source never attaches: closing that console would end it.
void SayToParentConsole(bool allowed);
// Writes `text` as it is to standard output, or where Say would.
void Print(const char *text);

// Writes the report into the status data key ("Code" last): 0, 2 or 4.
int WriteReport(const StatusReport &report);
// Sends the report's code to the monitor and waits until it is handled: 0, 3 or 5.
int SendReport(const StatusReport &report);
// "status CODE (state, reasons): text", and what became of the sending.
void SayReport(const StatusReport &report, int sent);

// What a resident source last told the monitor.
struct Published {
    bool any;
    StatusReport report;
};

// Writes and sends the report when its code or text differ from the last
// one written; true when it did.
bool Publish(const StatusReport &report, Published *last);

// Where a resident watch's reports and warnings go: its caller decides.
// DadaViziIpp gives MonitorReports(); the fleet benchmark counts instead.
class ReportSink {
public:
    // Something went wrong (the watch says each thing once).
    virtual void Warn(const char *text) = 0;
    // Publish() above, or what stands in for it.
    virtual bool Publish(const StatusReport &report, Published *last) = 0;

protected:
    ~ReportSink() {}
};

// The monitor: Warn() and Publish() above.
ReportSink &MonitorReports();

#endif
