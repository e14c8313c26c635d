// The IPP status source's work: finding the printer (discovery.cpp), asking
// it (operations.cpp), watching it (watcher.cpp, paced by pacing.cpp) and
// reporting to the monitor (reporting.cpp). Kept apart from main() so tests
// can drive it.
#ifndef DADAVIZI_IPP_SOURCE_H
#define DADAVIZI_IPP_SOURCE_H

#include <windows.h>

#include "http.h"
#include "ipp.h"
#include "operations.h"
#include "reporting.h"
#include "status.h"
#include "tools/common/report.h"
#include "tools/common/resident.h"  // IPP_WINDOW_NAME, the closer's address
#include "watcher.h"

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


// The printer URI for the settings value "Printer", through the spooler's
// port for it. False with the reason in `why` when there is none.
bool FindPrinterUri(char *uri, int capacity, char *why, int whySize);
// The URI a spooler port name leads to: the URL a port holds, Wine's
// "CUPS:<queue>", or a standard TCP/IP port's host.
bool UriFromPort(const char *port, char *uri, int capacity, char *why, int whySize);

// --once: query, write, send. Returns the exit code.
int RunOnce(HttpClient &http, const PrinterUri &uri);

#endif
