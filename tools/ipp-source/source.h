// The IPP status source's work: finding the printer, asking it, and
// reporting to the monitor. Kept apart from main() so tests can drive it.
#ifndef DADAVIZI_IPP_SOURCE_H
#define DADAVIZI_IPP_SOURCE_H

#include <windows.h>

#include "http.h"
#include "ipp.h"
#include "status.h"
#include "tools/common/report.h"
#include "tools/common/resident.h"  // IPP_WINDOW_NAME, the closer's address

// Exit codes, shared with DadaViziStatus where they overlap.
enum IppExitCode {
    IPP_EXIT_DONE = REPORT_DONE,
    IPP_EXIT_USAGE = 1,
    IPP_EXIT_NO_SETTINGS = REPORT_NO_SETTINGS,
    IPP_EXIT_NO_MONITOR = REPORT_NO_MONITOR,
    IPP_EXIT_WRITE_FAILED = REPORT_WRITE_FAILED,
    IPP_EXIT_NO_ANSWER = REPORT_NO_ANSWER,
    IPP_EXIT_UNREACHABLE = 6,
    IPP_EXIT_REFUSED = 7,
    IPP_EXIT_ALREADY_RUNNING = 8,
};

// Writes `text` and a line end to standard error, after "DadaViziIpp: ".
void Say(const char *text);

// The printer URI for the settings value "Printer", through the spooler's
// port for it. False with the reason in `why` when there is none.
bool FindPrinterUri(char *uri, int capacity, char *why, int whySize);
// The URI a spooler port name leads to: the URL a port holds, Wine's
// "CUPS:<queue>", or a standard TCP/IP port's host.
bool UriFromPort(const char *port, char *uri, int capacity, char *why, int whySize);

enum QueryResult { QUERY_DONE, QUERY_UNREACHABLE, QUERY_REFUSED };

// Asks the printer for its state. On QUERY_REFUSED, `why` says what the
// printer (or its HTTP server) answered.
QueryResult QueryPrinter(HttpClient &http, const PrinterUri &uri, ipp::PrinterStatus *status,
                         char *why, int whySize);

// Writes the report into the status data key ("Code" last): 0, 2 or 4.
int WriteReport(const StatusReport &report);
// Sends the report's code to the monitor and waits until it is handled: 0, 3 or 5.
int SendReport(const StatusReport &report);

// --once: query, write, send. Returns the exit code.
int RunOnce(HttpClient &http, const PrinterUri &uri);

// Resident: watches the printer until `stop` is signalled.
void WatchPrinter(HttpClient &http, const PrinterUri &uri, HANDLE stop);

#endif
