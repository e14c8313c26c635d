// The IPP requests of the status source, and what their answers mean.
#include "operations.h"

#include <stdarg.h>
#include <string.h>

void BeginExchange(IppExchange *exchange, HttpClient &http, const PrinterUri &uri)
{
    exchange->http = &http;
    exchange->uri = &uri;
    exchange->requestId = 0;
    exchange->httpStatus = 0;
}

// wvsprintfA writes at most 1024 characters and its terminator.
void Why(char *why, int whySize, const char *format, ...)
{
    char text[1025];
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(text, format, arguments);
    va_end(arguments);
    lstrcpynA(why, text, whySize);
}

namespace {

void Begin(IppExchange *exchange, ipp::Writer &writer, int operation)
{
    writer.Begin(operation, ++exchange->requestId);
    writer.Group(ipp::TAG_OPERATION);
    writer.String(ipp::TAG_CHARSET, "attributes-charset", "utf-8");
    writer.String(ipp::TAG_LANGUAGE, "attributes-natural-language", "en");
    writer.String(ipp::TAG_URI, "printer-uri", exchange->uri->uri);
    writer.String(ipp::TAG_NAME, "requesting-user-name", "DadaVizi");
}

// Sends the request in the exchange's buffer and reads the answer.
QueryResult Send(IppExchange *exchange, size_t length, DWORD waitMs, char *why, int whySize)
{
    memset(&exchange->status, 0, sizeof exchange->status);
    exchange->status.statusCode = -1;
    exchange->httpStatus = 0;
    if (length == 0) {
        lstrcpynA(why, "the request does not fit (printer URI too long?)", whySize);
        return QUERY_REFUSED;
    }
    DWORD got = 0;
    char detail[128];
    HttpResult result =
        exchange->http->Post(*exchange->uri, exchange->request, (DWORD)length, exchange->answer,
                             sizeof exchange->answer, &got, waitMs, detail, sizeof detail);
    exchange->httpStatus = exchange->http->LastStatus();
    if (result == HTTP_UNREACHABLE || result == HTTP_TIMED_OUT) {
        lstrcpynA(why, detail, whySize);
        return result == HTTP_TIMED_OUT ? QUERY_TIMED_OUT : QUERY_UNREACHABLE;
    }
    if (result == HTTP_TLS_FAILED) {
        Why(why, whySize, "%.100s (for a self-signed certificate: --accept-self-signed)", detail);
        return QUERY_REFUSED;
    }
    if (result != HTTP_DONE) {
        lstrcpynA(why, detail, whySize);
        return QUERY_REFUSED;
    }
    if (!ipp::ParseResponse(exchange->answer, got, &exchange->status)) {
        lstrcpynA(why, "the answer is not a valid IPP message", whySize);
        return QUERY_REFUSED;
    }
    if (exchange->status.statusCode >= ipp::STATUS_ERROR) {
        Why(why, whySize, "the printer refused the request: IPP status 0x%04x %.200s",
            (unsigned)exchange->status.statusCode, exchange->status.statusMessage);
        return QUERY_REFUSED;
    }
    return QUERY_DONE;
}

// The lease the printer granted: its own figure, else the one asked for.
long Granted(const IppExchange &exchange, long asked)
{
    long granted = exchange.status.leaseDuration;
    return granted > 0 ? granted : asked;
}

}  // namespace

Refusal RefusalOf(const IppExchange &exchange)
{
    if (exchange.httpStatus == 401 || exchange.httpStatus == 403)
        return REFUSAL_NOT_ALLOWED;
    switch (exchange.status.statusCode) {
    case ipp::STATUS_FORBIDDEN:
    case ipp::STATUS_NOT_AUTHENTICATED:
    case ipp::STATUS_NOT_AUTHORIZED:
        return REFUSAL_NOT_ALLOWED;
    case ipp::STATUS_NOT_FOUND:
        return REFUSAL_NOT_FOUND;
    case ipp::STATUS_TOO_MANY_SUBSCRIPTIONS:
        return REFUSAL_TOO_MANY;
    default:
        return REFUSAL_OTHER;
    }
}

QueryResult QueryPrinter(IppExchange *exchange, char *why, int whySize)
{
    ipp::Writer writer(exchange->request, sizeof exchange->request);
    Begin(exchange, writer, ipp::OP_GET_PRINTER_ATTRIBUTES);
    writer.String(ipp::TAG_KEYWORD, "requested-attributes", "printer-state");
    static const char *const more[] = {"printer-state-reasons", "printer-state-message",
                                       "queued-job-count", "marker-names", "marker-levels"};
    for (const char *name : more)
        writer.String(ipp::TAG_KEYWORD, "", name);
    return Send(exchange, writer.Finish(), IPP_QUERY_WAIT, why, whySize);
}

QueryResult Subscribe(IppExchange *exchange, long leaseSeconds, long *subscription,
                      long *grantedSeconds, char *why, int whySize)
{
    ipp::Writer writer(exchange->request, sizeof exchange->request);
    Begin(exchange, writer, ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS);
    writer.Group(ipp::TAG_SUBSCRIPTION);
    writer.String(ipp::TAG_KEYWORD, "notify-pull-method", "ippget");
    writer.String(ipp::TAG_KEYWORD, "notify-events", "printer-state-changed");
    writer.Integer(ipp::TAG_INTEGER, "notify-lease-duration", leaseSeconds);
    QueryResult result = Send(exchange, writer.Finish(), IPP_QUERY_WAIT, why, whySize);
    if (result != QUERY_DONE)
        return result;
    if (exchange->status.subscriptionId <= 0) {
        lstrcpynA(why, "the printer gave no subscription", whySize);
        return QUERY_REFUSED;
    }
    *subscription = exchange->status.subscriptionId;
    *grantedSeconds = Granted(*exchange, leaseSeconds);
    return QUERY_DONE;
}

QueryResult RenewSubscription(IppExchange *exchange, long subscription, long leaseSeconds,
                              long *grantedSeconds, char *why, int whySize)
{
    ipp::Writer writer(exchange->request, sizeof exchange->request);
    Begin(exchange, writer, ipp::OP_RENEW_SUBSCRIPTION);
    writer.Integer(ipp::TAG_INTEGER, "notify-subscription-id", subscription);
    writer.Group(ipp::TAG_SUBSCRIPTION);
    writer.Integer(ipp::TAG_INTEGER, "notify-lease-duration", leaseSeconds);
    QueryResult result = Send(exchange, writer.Finish(), IPP_QUERY_WAIT, why, whySize);
    if (result == QUERY_DONE)
        *grantedSeconds = Granted(*exchange, leaseSeconds);
    return result;
}

QueryResult CancelSubscription(IppExchange *exchange, long subscription, char *why, int whySize)
{
    ipp::Writer writer(exchange->request, sizeof exchange->request);
    Begin(exchange, writer, ipp::OP_CANCEL_SUBSCRIPTION);
    writer.Integer(ipp::TAG_INTEGER, "notify-subscription-id", subscription);
    return Send(exchange, writer.Finish(), IPP_QUERY_WAIT, why, whySize);
}

QueryResult GetNotifications(IppExchange *exchange, long subscription, long sequence,
                             DWORD waitMs, char *why, int whySize)
{
    ipp::Writer writer(exchange->request, sizeof exchange->request);
    Begin(exchange, writer, ipp::OP_GET_NOTIFICATIONS);
    writer.Integer(ipp::TAG_INTEGER, "notify-subscription-ids", subscription);
    writer.Integer(ipp::TAG_INTEGER, "notify-sequence-numbers", sequence);
    writer.Boolean("notify-wait", true);
    return Send(exchange, writer.Finish(), waitMs, why, whySize);
}
