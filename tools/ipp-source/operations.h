// The IPP operations the status source sends, one request and its answer
// each, through buffers the caller owns: a watcher keeps its own, and
// nothing here is shared between two of them.
#ifndef DADAVIZI_IPP_OPERATIONS_H
#define DADAVIZI_IPP_OPERATIONS_H

#include <windows.h>

#include "tools/ipp-source/http.h"
#include "tools/ipp-source/ipp.h"

enum QueryResult {
    QUERY_DONE,
    QUERY_UNREACHABLE,  // no connection, or it broke off
    QUERY_REFUSED,      // an HTTP or IPP error, or an answer that is not IPP
    QUERY_TIMED_OUT,    // a held Get-Notifications stayed silent for its whole wait
    QUERY_UNTRUSTED,    // the printer shows another certificate than the one accepted first
    QUERY_STOPPED,      // abandoned for the source's stop
    QUERY_WOKEN,        // abandoned: the machine woke from sleep
    QUERY_TLS_FAILED,   // TLS broke, or Windows (or the kept certificate) refused the printer's
};

// Why a request was refused, as far as the watch must tell refusals apart.
enum Refusal {
    REFUSAL_OTHER,
    REFUSAL_NOT_FOUND,    // no such subscription (or printer)
    REFUSAL_NOT_ALLOWED,  // HTTP 401/403, or IPP forbidden / not authenticated / not authorized
    REFUSAL_TOO_MANY,     // client-error-too-many-subscriptions: the server is full
};

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

// What the last refused request's answer means for the watch.
Refusal RefusalOf(const IppExchange &exchange);

// Get-Printer-Attributes: state, reasons, message, jobs, markers.
QueryResult QueryPrinter(IppExchange *exchange, char *why, int whySize);
// Create-Printer-Subscriptions for printer-state-changed events, pulled with
// ippget; the id and the lease the printer granted.
QueryResult Subscribe(IppExchange *exchange, long leaseSeconds, long *subscription,
                      long *grantedSeconds, char *why, int whySize);
QueryResult RenewSubscription(IppExchange *exchange, long subscription, long leaseSeconds,
                              long *grantedSeconds, char *why, int whySize);
QueryResult CancelSubscription(IppExchange *exchange, long subscription, char *why, int whySize);
// Get-Notifications from `sequence` on, asking the printer to hold the
// answer (notify-wait) for up to `waitMs`.
QueryResult GetNotifications(IppExchange *exchange, long subscription, long sequence, DWORD waitMs,
                             char *why, int whySize);

#endif
