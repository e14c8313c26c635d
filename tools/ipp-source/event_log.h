// What a resident source would say, written to the Application event log
// as well: started at logon, it has no standard error anybody reads. Each
// distinct line at most once an hour, so that a printer failing for days
// does not fill the log.
#ifndef DADAVIZI_IPP_EVENT_LOG_H
#define DADAVIZI_IPP_EVENT_LOG_H

#include <windows.h>

// The event source; the package registers it with the program as its
// EventMessageFile. Unregistered (a ZIP install), the events carry the
// text without a description.
#define IPP_EVENT_SOURCE "DadaViziIpp"

// The same line again only after this long.
const DWORD EVENT_REPEAT_MS = 60 * 60 * 1000;
// Lines remembered; a new one beyond them takes the place of the one
// taken in first.
const int EVENT_TABLE_SIZE = 32;
// Characters of a line that count, and that are logged.
const int EVENT_TEXT_SIZE = 512;

struct EventTable {
    int used;
    int next;  // the entry a new line replaces once all are used
    struct Entry {
        DWORD at;  // GetTickCount time it was last logged
        char text[EVENT_TEXT_SIZE];
    } entries[EVENT_TABLE_SIZE];
};

// Whether `text` is due at `now` (not logged within EVENT_REPEAT_MS); when
// it is, it is noted as logged.
bool EventDue(EventTable *table, const char *text, DWORD now);

// Where events go: `type` is EVENTLOG_INFORMATION_TYPE, _WARNING_TYPE or
// _ERROR_TYPE. Tests pass their own; NULL: the Application event log.
typedef void (*EventSink)(WORD type, const char *text);
void SetEventSink(EventSink sink);

// From now on, LogEvent writes (true) or does nothing (false, the start).
// Call it before a second thread logs.
void LogEvents(bool on);
// Writes `text` through the sink, when due.
void LogEvent(WORD type, const char *text);

#endif
