// The IPP operations the status source sends, one request and its answer
// each, through buffers the caller owns: a watcher keeps its own, and
// nothing here is shared between two of them.
#ifndef DADAVIZI_IPP_OPERATIONS_H
#define DADAVIZI_IPP_OPERATIONS_H

#include <windows.h>

#include "tools/ipp-source/http.h"
#include "tools/ipp-source/ipp.h"
#include "tools/ipp-source/outcome.h"

const DWORD IPP_REQUEST_SIZE = 2048;
// Printer attributes are a few hundred bytes; events a few hundred each.
const DWORD IPP_ANSWER_SIZE = 65536;
// How long an ordinary request may take.
const DWORD IPP_QUERY_WAIT = 15000;

// One request and its answer at a time.
struct IppExchange {
    HttpClient *http;
    const PrinterUri *uri;
    long requestId;
    DWORD httpStatus;           // of the last answer; 0 when none came
    ipp::PrinterStatus status;  // the last answer, read
    unsigned char request[IPP_REQUEST_SIZE];
    unsigned char answer[IPP_ANSWER_SIZE];
};

void BeginExchange(IppExchange *exchange, HttpClient &http, const PrinterUri &uri);

// Formats the reason into `why`, cut to its size.
void Why(char *why, int whySize, const char *format, ...);

// Each operation's outcome is OUTCOME_DONE, a refusal (Refused()) of its
// kind, or what the transport met (unreachable, timed out, TLS failed,
// untrusted, stopped, woken); `why` says it in words.

// Get-Printer-Attributes: state, reasons, message, jobs, markers.
Outcome QueryPrinter(IppExchange *exchange, char *why, int whySize);
// Create-Printer-Subscriptions for printer-state-changed events, pulled with
// ippget; the id and the lease the printer granted.
Outcome Subscribe(IppExchange *exchange, long leaseSeconds, long *subscription,
                  long *grantedSeconds, char *why, int whySize);
Outcome RenewSubscription(IppExchange *exchange, long subscription, long leaseSeconds,
                          long *grantedSeconds, char *why, int whySize);
Outcome CancelSubscription(IppExchange *exchange, long subscription, char *why, int whySize);
// Get-Notifications from `sequence` on, asking the printer to hold the
// answer (notify-wait) for up to `waitMs`.
Outcome GetNotifications(IppExchange *exchange, long subscription, long sequence, DWORD waitMs,
                         char *why, int whySize);

#endif
