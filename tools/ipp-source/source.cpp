// The IPP status source: finds the printer, asks it for its state (once, or
// on every event it announces), and reports changes the way DadaViziStatus
// does: status data key first, then WM_BIDISTATUS to the monitor.
#include "source.h"

#include <stdarg.h>
#include <string.h>

#include "app/monitor.h"
#include "registry/settings.h"
#include "tools/common/report.h"

namespace {

// Answers the tool reads: printer attributes are a few hundred bytes.
const DWORD ANSWER_SIZE = 65536;
const DWORD REQUEST_SIZE = 2048;
// How long an ordinary request may take, and a held Get-Notifications.
const DWORD QUERY_WAIT = 15000;
const DWORD NOTIFY_WAIT = 90000;
// A held Get-Notifications that comes back sooner than this was not held.
const DWORD HELD_AT_LEAST = 1000;
// Retries of an unreachable printer: doubling from the first to the last.
const DWORD RETRY_FIRST = 1000;
const DWORD RETRY_LAST = 10000;
const DWORD LEASE_SECONDS = 900;

const char STANDARD_TCP_PORTS[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";

long g_requestId = 0;
unsigned char g_request[REQUEST_SIZE];
unsigned char g_answer[ANSWER_SIZE];

// Formats the reason into `why`, cut to its size (wvsprintfA writes at most
// 1024 characters and its terminator).
void Why(char *why, int whySize, const char *format, ...)
{
    char text[1025];
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(text, format, arguments);
    va_end(arguments);
    lstrcpynA(why, text, whySize);
}

void Begin(ipp::Writer &writer, int operation, const PrinterUri &uri)
{
    writer.Begin(operation, ++g_requestId);
    writer.Group(ipp::TAG_OPERATION);
    writer.String(ipp::TAG_CHARSET, "attributes-charset", "utf-8");
    writer.String(ipp::TAG_LANGUAGE, "attributes-natural-language", "en");
    writer.String(ipp::TAG_URI, "printer-uri", uri.uri);
    writer.String(ipp::TAG_NAME, "requesting-user-name", "DadaVizi");
}

bool CopyBounded(char *out, int capacity, const char *text, int length)
{
    if (length < 0 || length >= capacity)
        return false;
    memcpy(out, text, (size_t)length);
    out[length] = '\0';
    return true;
}

// Sends the request in g_request and parses the answer.
QueryResult Exchange(HttpClient &http, const PrinterUri &uri, size_t length, DWORD waitMs,
                     ipp::PrinterStatus *status, char *why, int whySize)
{
    if (length == 0) {
        lstrcpynA(why, "the request does not fit (printer URI too long?)", whySize);
        return QUERY_REFUSED;
    }
    DWORD got = 0;
    char detail[128];
    HttpResult result = http.Post(uri, g_request, (DWORD)length, g_answer, sizeof g_answer, &got,
                                  waitMs, detail, sizeof detail);
    if (result == HTTP_UNREACHABLE) {
        lstrcpynA(why, detail, whySize);
        return QUERY_UNREACHABLE;
    }
    if (result == HTTP_TLS_FAILED) {
        Why(why, whySize, "%.100s (for a self-signed certificate: --accept-self-signed)", detail);
        return QUERY_REFUSED;
    }
    if (result != HTTP_DONE) {
        lstrcpynA(why, detail, whySize);
        return QUERY_REFUSED;
    }
    if (!ipp::ParseResponse(g_answer, got, status)) {
        lstrcpynA(why, "the answer is not a valid IPP message", whySize);
        return QUERY_REFUSED;
    }
    if (status->statusCode >= ipp::STATUS_ERROR) {
        Why(why, whySize, "the printer refused the request: IPP status 0x%04x %.200s",
                  (unsigned)status->statusCode, status->statusMessage);
        return QUERY_REFUSED;
    }
    return QUERY_DONE;
}

QueryResult Subscribe(HttpClient &http, const PrinterUri &uri, long *subscription, char *why,
                      int whySize)
{
    ipp::Writer writer(g_request, sizeof g_request);
    Begin(writer, ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS, uri);
    writer.Group(ipp::TAG_SUBSCRIPTION);
    writer.String(ipp::TAG_KEYWORD, "notify-pull-method", "ippget");
    writer.String(ipp::TAG_KEYWORD, "notify-events", "printer-state-changed");
    writer.Integer(ipp::TAG_INTEGER, "notify-lease-duration", (long)LEASE_SECONDS);
    static ipp::PrinterStatus status;
    QueryResult result =
        Exchange(http, uri, writer.Finish(), QUERY_WAIT, &status, why, whySize);
    if (result != QUERY_DONE)
        return result;
    if (status.subscriptionId <= 0) {
        lstrcpynA(why, "the printer gave no subscription", whySize);
        return QUERY_REFUSED;
    }
    *subscription = status.subscriptionId;
    return QUERY_DONE;
}

QueryResult GetNotifications(HttpClient &http, const PrinterUri &uri, long subscription,
                             long sequence, ipp::PrinterStatus *status, char *why, int whySize)
{
    ipp::Writer writer(g_request, sizeof g_request);
    Begin(writer, ipp::OP_GET_NOTIFICATIONS, uri);
    writer.Integer(ipp::TAG_INTEGER, "notify-subscription-ids", subscription);
    writer.Integer(ipp::TAG_INTEGER, "notify-sequence-numbers", sequence);
    writer.Boolean("notify-wait", true);
    return Exchange(http, uri, writer.Finish(), NOTIFY_WAIT, status, why, whySize);
}

void SayReport(const StatusReport &report, int sent)
{
    char line[700];
    wsprintfA(line, "status %ld (%.20s, %.250s): %.255s%s", (long)report.code, report.state,
              report.reasons[0] ? report.reasons : "no reasons", report.text,
              sent == IPP_EXIT_NO_MONITOR   ? " [no monitor running]"
              : sent == IPP_EXIT_NO_ANSWER ? " [the monitor did not answer]"
                                           : "");
    Say(line);
}

bool Waited(HANDLE stop, DWORD milliseconds)
{
    return WaitForSingleObject(stop, milliseconds) == WAIT_OBJECT_0;
}

DWORD ProfileSeconds(const char *key, int fallback, int most)
{
    int seconds = ProfileCodeLookup(key, fallback);
    if (seconds < 1)
        seconds = 1;
    if (seconds > most)
        seconds = most;
    return (DWORD)seconds * 1000;
}

// Reports to the monitor when the code or text changed since the last
// report that was written.
void Publish(const StatusReport &report, StatusReport *last, bool *haveLast)
{
    if (*haveLast && !ReportChanged(*last, report))
        return;
    if (WriteReport(report) != IPP_EXIT_DONE)
        return;  // said already; tried again on the next answer
    *last = report;
    *haveLast = true;
    SayReport(report, SendReport(report));
}

}  // namespace

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

bool FindPrinterUri(char *uri, int capacity, char *why, int whySize)
{
    const char *printer = ReadMonitorSetting("Printer");
    if (!printer[0]) {
        lstrcpynA(why, "no printer URI given and no value \"Printer\" in HKLM\\" SETTINGS_KEY,
                  whySize);
        return false;
    }
    char name[256];
    lstrcpynA(name, printer, sizeof name);

    HANDLE handle = NULL;
    if (!OpenPrinterA(name, &handle, NULL)) {
        Why(why, whySize, "the spooler knows no printer \"%.200s\" (error %lu)", name,
                  (unsigned long)GetLastError());
        return false;
    }
    char port[512] = "";
    DWORD needed = 0;
    GetPrinterA(handle, 2, NULL, 0, &needed);
    if (needed > 0 && needed < 1024 * 1024) {
        BYTE *data = (BYTE *)LocalAlloc(LMEM_FIXED, needed);
        if (data && GetPrinterA(handle, 2, data, needed, &needed)) {
            const PRINTER_INFO_2A *info = (const PRINTER_INFO_2A *)data;
            if (info->pPortName)
                lstrcpynA(port, info->pPortName, sizeof port);
        }
        if (data)
            LocalFree(data);
    }
    ClosePrinter(handle);
    // A printer may print to several ports: the first one is asked.
    for (char *c = port; *c; ++c)
        if (*c == ',') {
            *c = '\0';
            break;
        }
    if (!port[0]) {
        Why(why, whySize, "the spooler gives no port for printer \"%.200s\"", name);
        return false;
    }
    return UriFromPort(port, uri, capacity, why, whySize);
}

bool UriFromPort(const char *port, char *uri, int capacity, char *why, int whySize)
{

    // IPP and WSD class-driver ports hold the printer's URL.
    for (const char *c = port; *c; ++c)
        if (c[0] == ':' && c[1] == '/' && c[2] == '/')
            return CopyBounded(uri, capacity, port, lstrlenA(port)) ||
                   (lstrcpynA(why, "the port's URL is too long", whySize), false);

    // Wine hands its printers to CUPS as "CUPS:<queue>".
    if (lstrlenA(port) >= 5 &&
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, port, 5, "CUPS:", 5) ==
            CSTR_EQUAL) {
        if (!port[5]) {
            lstrcpynA(why, "the printer's port \"CUPS:\" names no queue", whySize);
            return false;
        }
        if (lstrlenA(port + 5) + 40 >= capacity) {
            lstrcpynA(why, "the CUPS queue name is too long", whySize);
            return false;
        }
        wsprintfA(uri, "ipp://localhost:631/printers/%s", port + 5);
        return true;
    }

    // A standard TCP/IP port keeps its host in the port monitor's settings.
    char path[600];
    wsprintfA(path, "%s%.300s", STANDARD_TCP_PORTS, port);
    HKEY key;
    char host[256] = "";
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        const char *names[] = {"HostName", "IPAddress"};
        for (const char *value : names) {
            DWORD size = sizeof host - 1;
            DWORD type = 0;
            if (RegQueryValueExA(key, value, NULL, &type, (BYTE *)host, &size) ==
                    ERROR_SUCCESS &&
                type == REG_SZ) {
                host[size < sizeof host ? size : sizeof host - 1] = '\0';
                if (host[0])
                    break;
            }
            host[0] = '\0';
        }
        RegCloseKey(key);
    }
    if (host[0]) {
        if (lstrlenA(host) + 20 >= capacity) {
            lstrcpynA(why, "the port's host name is too long", whySize);
            return false;
        }
        wsprintfA(uri, "ipp://%s/ipp/print", host);
        return true;
    }
    Why(why, whySize,
              "the printer's port \"%.200s\" is neither a URL, a CUPS queue nor a standard "
              "TCP/IP port with a host: give the printer URI",
              port);
    return false;
}

QueryResult QueryPrinter(HttpClient &http, const PrinterUri &uri, ipp::PrinterStatus *status,
                         char *why, int whySize)
{
    ipp::Writer writer(g_request, sizeof g_request);
    Begin(writer, ipp::OP_GET_PRINTER_ATTRIBUTES, uri);
    writer.String(ipp::TAG_KEYWORD, "requested-attributes", "printer-state");
    static const char *const more[] = {"printer-state-reasons", "printer-state-message",
                                       "queued-job-count", "marker-names", "marker-levels"};
    for (const char *name : more)
        writer.String(ipp::TAG_KEYWORD, "", name);
    return Exchange(http, uri, writer.Finish(), QUERY_WAIT, status, why, whySize);
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

int RunOnce(HttpClient &http, const PrinterUri &uri)
{
    static ipp::PrinterStatus status;
    static StatusReport report;
    char why[600];
    QueryResult result = QueryPrinter(http, uri, &status, why, sizeof why);
    if (result == QUERY_REFUSED) {
        Say(why);
        return IPP_EXIT_REFUSED;
    }
    if (result == QUERY_UNREACHABLE) {
        char line[800];
        wsprintfA(line, "printer not reachable at %.400s: %.300s", uri.uri, why);
        Say(line);
        MapUnreachable(uri.uri, ProfileCodeLookup, &report);
    } else {
        MapPrinterStatus(status, uri.uri, ProfileCodeLookup, &report);
    }
    int written = WriteReport(report);
    if (written != IPP_EXIT_DONE)
        return written;
    int sent = SendReport(report);
    SayReport(report, sent);
    return result == QUERY_UNREACHABLE ? IPP_EXIT_UNREACHABLE : sent;
}

namespace {

// The watch itself; `subscription` is left holding the printer's
// subscription, if any, for WatchPrinter to cancel.
void Watch(HttpClient &http, const PrinterUri &uri, HANDLE stop, long &subscription)
{
    static ipp::PrinterStatus status;
    static StatusReport report, last;
    bool haveLast = false;
    char why[600], said[600] = "";
    const DWORD pollMs = ProfileSeconds("PollSeconds", 30, 3600);
    const DWORD eventMs = ProfileSeconds("EventSeconds", 1, 60);

    long sequence = 1;
    bool notifications = true;
    bool query = true;
    DWORD retryMs = RETRY_FIRST;
    DWORD lastQuery = 0;
    for (;;) {
        if (query || GetTickCount() - lastQuery >= pollMs) {
            QueryResult result = QueryPrinter(http, uri, &status, why, sizeof why);
            lastQuery = GetTickCount();
            if (result != QUERY_DONE) {
                if (lstrcmpA(why, said) != 0) {
                    Say(why);
                    lstrcpynA(said, why, sizeof said);
                }
                if (result == QUERY_UNREACHABLE) {
                    MapUnreachable(uri.uri, ProfileCodeLookup, &report);
                    Publish(report, &last, &haveLast);
                }
                // Subscriptions may not survive the printer's restart.
                subscription = -1;
                if (Waited(stop, retryMs))
                    return;
                retryMs = retryMs * 2 > RETRY_LAST ? RETRY_LAST : retryMs * 2;
                continue;
            }
            said[0] = '\0';
            retryMs = RETRY_FIRST;
            query = false;
            MapPrinterStatus(status, uri.uri, ProfileCodeLookup, &report);
            Publish(report, &last, &haveLast);
        }

        if (notifications && subscription < 0) {
            QueryResult result = Subscribe(http, uri, &subscription, why, sizeof why);
            if (result == QUERY_UNREACHABLE) {
                query = true;
                continue;
            }
            if (result == QUERY_REFUSED) {
                Say("no notifications from this printer, polling instead");
                notifications = false;
            } else {
                // What changed before the subscription took hold brings no
                // event: ask once more.
                sequence = 1;
                query = true;
                continue;
            }
        }
        if (subscription < 0) {
            if (Waited(stop, pollMs))
                return;
            query = true;
            continue;
        }

        DWORD asked = GetTickCount();
        QueryResult result =
            GetNotifications(http, uri, subscription, sequence, &status, why, sizeof why);
        if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0)
            return;
        if (result != QUERY_DONE) {
            // A lapsed lease or a restarted printer: subscribe again, and
            // ask for the state, which may have changed meanwhile.
            if (result == QUERY_REFUSED)
                subscription = -1;
            query = true;
            continue;
        }
        if (status.events > 0) {
            if (status.lastSequence >= sequence)
                sequence = status.lastSequence + 1;
            query = true;
            continue;
        }
        // A printer that answers at once instead of holding the request
        // (CUPS does) is asked again after a short pause.
        if (GetTickCount() - asked < HELD_AT_LEAST && Waited(stop, eventMs))
            return;
    }
}

}  // namespace

void WatchPrinter(HttpClient &http, const PrinterUri &uri, HANDLE stop)
{
    long subscription = -1;
    Watch(http, uri, stop, subscription);
    if (subscription <= 0)
        return;
    // Leave no subscription behind on the printer until its lease ends.
    ipp::Writer writer(g_request, sizeof g_request);
    Begin(writer, ipp::OP_CANCEL_SUBSCRIPTION, uri);
    writer.Integer(ipp::TAG_INTEGER, "notify-subscription-id", subscription);
    static ipp::PrinterStatus status;
    char why[600];
    Exchange(http, uri, writer.Finish(), QUERY_WAIT, &status, why, sizeof why);
}
