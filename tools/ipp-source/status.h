// From what an IPP printer says to what the monitor is told: the status
// code, its help flag and the texts written to the status data key.
#ifndef DADAVIZI_IPP_STATUS_H
#define DADAVIZI_IPP_STATUS_H

#include <windows.h>

#include "tools/ipp-source/ipp.h"

// The profile section that maps reasons and states to codes.
#define IPP_STATUS_SECTION "IppStatus"

const LONG CODE_READY = 10001;
const LONG CODE_WARNING = 40021;
const LONG CODE_ERROR = 40077;

const int DETAIL_SIZE = 256;  // 255 characters and the terminator, as the monitor copies them

struct StatusReport {
    LONG code;
    bool help;  // warnings and errors ask for their help topic; ready does not
    char text[DETAIL_SIZE];
    char state[DETAIL_SIZE];
    char reasons[DETAIL_SIZE];
    char jobs[DETAIL_SIZE];
    char uri[DETAIL_SIZE];
    int markerCount;
    char markerNames[ipp::MAX_MARKERS][DETAIL_SIZE];  // "Marker <name>"
    char markerLevels[ipp::MAX_MARKERS][DETAIL_SIZE];
};

// A code from the profile's [IppStatus] section, `fallback` when the key
// is absent. Tests pass their own.
typedef int (*CodeLookup)(const char *key, int fallback);
int ProfileCodeLookup(const char *key, int fallback);

void MapPrinterStatus(const ipp::PrinterStatus &status, const char *uri, CodeLookup lookup,
                      StatusReport *report);
void MapUnreachable(const char *uri, CodeLookup lookup, StatusReport *report);

// UTF-8 into the ANSI code page, "?" for what it cannot hold, at most
// `capacity` - 1 bytes and never a split character.
void Utf8ToAnsi(const char *utf8, char *out, int capacity);

// Whether two reports would tell the monitor something different: the
// code, or the text under the same code.
bool ReportChanged(const StatusReport &before, const StatusReport &after);

#endif
