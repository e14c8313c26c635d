// The IPP requests of the status source, and what their answers mean.
#include "tools/ipp-source/operations.h"

#include <stdarg.h>
#include <string.h>

#include "tools/ipp-source/language.h"

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
    // The printer's own messages come back in the user's language.
    char language[16];
    UserLanguageTag(language, sizeof language);
    writer.String(ipp::TAG_LANGUAGE, "attributes-natural-language", language);
    writer.String(ipp::TAG_URI, "printer-uri", exchange->uri->uri);
    writer.String(ipp::TAG_NAME, "requesting-user-name", "DadaVizi");
}

// Which refusal the last refused request's answer is, as far as the watch
// must tell refusals apart.
Outcome RefusalOf(const IppExchange &exchange)
{
    if (exchange.httpStatus == 401 || exchange.httpStatus == 403)
        return OUTCOME_NOT_ALLOWED;
    switch (exchange.status.statusCode) {
    case ipp::STATUS_FORBIDDEN:
    case ipp::STATUS_NOT_AUTHENTICATED:
    case ipp::STATUS_NOT_AUTHORIZED:
        return OUTCOME_NOT_ALLOWED;
    case ipp::STATUS_NOT_FOUND:
        return OUTCOME_NOT_FOUND;
    case ipp::STATUS_TOO_MANY_SUBSCRIPTIONS:
        return OUTCOME_TOO_MANY;
    default:
        return OUTCOME_REFUSED;
    }
}

Outcome Judged(IppExchange *exchange, Outcome result, const char *detail, bool malformed, char *why,
               int whySize);

// Sends the request in the exchange's buffer and reads the answer.
Outcome Send(IppExchange *exchange, size_t length, DWORD waitMs, char *why, int whySize)
{
    memset(&exchange->status, 0, sizeof exchange->status);
    exchange->status.statusCode = -1;
    exchange->httpStatus = 0;
    if (length == 0) {
        lstrcpynA(why, "the request does not fit (printer URI too long?)", whySize);
        return RefusalOf(*exchange);
    }
    DWORD got = 0;
    char detail[128];
    Outcome result =
        exchange->http->Post(*exchange->uri, exchange->request, (DWORD)length, exchange->answer,
                             sizeof exchange->answer, &got, waitMs, detail, sizeof detail);
    exchange->httpStatus = exchange->http->LastStatus();
    bool malformed =
        result == OUTCOME_DONE && !ipp::ParseResponse(exchange->answer, got, &exchange->status);
    return Judged(exchange, result, detail, malformed, why, whySize);
}

// What the transport's outcome and the answer read from it mean: the
// operation's outcome, a refusal of its kind.
Outcome Judged(IppExchange *exchange, Outcome result, const char *detail, bool malformed, char *why,
               int whySize)
{
    if (result == OUTCOME_UNREACHABLE || result == OUTCOME_TIMED_OUT) {
        lstrcpynA(why, detail, whySize);
        return result;
    }
    if (result == OUTCOME_STOPPED || result == OUTCOME_WOKEN) {
        lstrcpynA(why, result == OUTCOME_WOKEN ? "woken" : "stopped", whySize);
        return result;
    }
    if (result == OUTCOME_UNTRUSTED) {
        Why(why, whySize,
            "Printer certificate changed (%.100s); if the printer made itself a new one: "
            "DadaViziIpp --forget-certificate %.400s",
            detail, exchange->uri->uri);
        return OUTCOME_UNTRUSTED;
    }
    if (result == OUTCOME_TLS_FAILED) {
        Why(why, whySize, "%.100s (for a self-signed certificate: --accept-self-signed)", detail);
        return OUTCOME_TLS_FAILED;
    }
    if (result != OUTCOME_DONE) {
        lstrcpynA(why, detail, whySize);
        return RefusalOf(*exchange);
    }
    if (malformed) {
        lstrcpynA(why, "the answer is not a valid IPP message", whySize);
        return RefusalOf(*exchange);
    }
    if (exchange->status.statusCode >= ipp::STATUS_ERROR) {
        Why(why, whySize, "the printer refused the request: IPP status 0x%04x %.200s",
            (unsigned)exchange->status.statusCode, exchange->status.statusMessage);
        return RefusalOf(*exchange);
    }
    return OUTCOME_DONE;
}

// Room at the end of the answer buffer, while Get-Notifications reads its
// parts: the request is sent from there, and then a part without a header
// is given one there.
const DWORD PART_ROOM = 8192;

// One part of a Get-Notifications answer, read into the exchange's status.
// In Event Wait Mode a later part may hold only groups, without the header
// of a message: one is put before it.
struct Parts {
    IppExchange *exchange;
    bool malformed;
    int parts;
};

int TakePart(void *context, const unsigned char *part, DWORD length, bool whole)
{
    Parts *parts = static_cast<Parts *>(context);
    ipp::PrinterStatus &status = parts->exchange->status;
    // A message starts with its version, 1.x or 2.x; groups with a tag.
    bool headerless = length >= 2 && !((part[0] == 1 || part[0] == 2) && part[1] <= 2);
    bool read;
    if (!headerless) {
        read = ipp::ParseResponse(part, length, &status);
    } else if (length <= PART_ROOM - 8) {
        unsigned char *message = parts->exchange->answer + IPP_ANSWER_SIZE - PART_ROOM;
        static const unsigned char HEADER[8] = {1, 1, 0, 0, 0, 0, 0, 0};  // successful-ok
        memcpy(message, HEADER, sizeof HEADER);
        memcpy(message + 8, part, length);
        read = ipp::ParseResponse(message, length + 8, &status);
    } else {
        read = false;
    }
    if (!read) {
        // Before its delimiter a part may just not have come whole.
        if (!whole && length < PART_ROOM - 8)
            return HttpClient::PART_INCOMPLETE;
        parts->malformed = true;
        return HttpClient::PART_END;
    }
    ++parts->parts;
    // Events to take, the printer ending the mode (it names its interval),
    // or an error end the answer; a part that says nothing new (the first,
    // of a printer that holds the request) keeps it open.
    if (status.events > 0 || status.getInterval > 0 || status.statusCode >= ipp::STATUS_ERROR)
        return HttpClient::PART_END;
    return HttpClient::PART_TAKEN;
}

// The lease the printer granted: its own figure, else the one asked for.
long Granted(const IppExchange &exchange, long asked)
{
    long granted = exchange.status.leaseDuration;
    return granted > 0 ? granted : asked;
}

}  // namespace

Outcome QueryPrinter(IppExchange *exchange, char *why, int whySize)
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

Outcome Subscribe(IppExchange *exchange, long leaseSeconds, long *subscription,
                  long *grantedSeconds, char *why, int whySize)
{
    ipp::Writer writer(exchange->request, sizeof exchange->request);
    Begin(exchange, writer, ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS);
    writer.Group(ipp::TAG_SUBSCRIPTION);
    writer.String(ipp::TAG_KEYWORD, "notify-pull-method", "ippget");
    writer.String(ipp::TAG_KEYWORD, "notify-events", "printer-state-changed");
    writer.Integer(ipp::TAG_INTEGER, "notify-lease-duration", leaseSeconds);
    Outcome result = Send(exchange, writer.Finish(), IPP_QUERY_WAIT, why, whySize);
    if (result != OUTCOME_DONE)
        return result;
    if (exchange->status.subscriptionId <= 0) {
        lstrcpynA(why, "the printer gave no subscription", whySize);
        return RefusalOf(*exchange);
    }
    *subscription = exchange->status.subscriptionId;
    *grantedSeconds = Granted(*exchange, leaseSeconds);
    return OUTCOME_DONE;
}

Outcome RenewSubscription(IppExchange *exchange, long subscription, long leaseSeconds,
                          long *grantedSeconds, char *why, int whySize)
{
    ipp::Writer writer(exchange->request, sizeof exchange->request);
    Begin(exchange, writer, ipp::OP_RENEW_SUBSCRIPTION);
    writer.Integer(ipp::TAG_INTEGER, "notify-subscription-id", subscription);
    writer.Group(ipp::TAG_SUBSCRIPTION);
    writer.Integer(ipp::TAG_INTEGER, "notify-lease-duration", leaseSeconds);
    Outcome result = Send(exchange, writer.Finish(), IPP_QUERY_WAIT, why, whySize);
    if (result == OUTCOME_DONE)
        *grantedSeconds = Granted(*exchange, leaseSeconds);
    return result;
}

Outcome CancelSubscription(IppExchange *exchange, long subscription, char *why, int whySize)
{
    ipp::Writer writer(exchange->request, sizeof exchange->request);
    Begin(exchange, writer, ipp::OP_CANCEL_SUBSCRIPTION);
    writer.Integer(ipp::TAG_INTEGER, "notify-subscription-id", subscription);
    return Send(exchange, writer.Finish(), IPP_QUERY_WAIT, why, whySize);
}

Outcome GetNotifications(IppExchange *exchange, long subscription, long sequence, DWORD waitMs,
                         char *why, int whySize)
{
    ipp::Writer writer(exchange->request, sizeof exchange->request);
    Begin(exchange, writer, ipp::OP_GET_NOTIFICATIONS);
    writer.Integer(ipp::TAG_INTEGER, "notify-subscription-ids", subscription);
    writer.Integer(ipp::TAG_INTEGER, "notify-sequence-numbers", sequence);
    writer.Boolean("notify-wait", true);
    size_t length = writer.Finish();
    memset(&exchange->status, 0, sizeof exchange->status);
    exchange->status.statusCode = -1;
    exchange->status.getInterval = -1;
    if (length == 0) {
        lstrcpynA(why, "the request does not fit (printer URI too long?)", whySize);
        return RefusalOf(*exchange);
    }
    unsigned char *request = exchange->answer + IPP_ANSWER_SIZE - PART_ROOM;
    memcpy(request, exchange->request, length);
    Parts parts = {exchange, false, 0};
    char detail[128];
    Outcome result = exchange->http->PostParts(*exchange->uri, request, (DWORD)length,
                                               exchange->answer, IPP_ANSWER_SIZE - PART_ROOM,
                                               waitMs, TakePart, &parts, detail, sizeof detail);
    exchange->httpStatus = exchange->http->LastStatus();
    return Judged(exchange, result, detail, parts.parts == 0 || parts.malformed, why, whySize);
}
