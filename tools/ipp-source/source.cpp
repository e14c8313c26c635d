// DadaViziIpp --once: asks the printer, reports what it says the way
// DadaViziStatus does (status data key first, then WM_BIDISTATUS), and says
// with its exit code what went wrong.
#include "source.h"

int RunOnce(HttpClient &http, const PrinterUri &uri)
{
    IppExchange exchange;
    StatusReport report;
    BeginExchange(&exchange, http, uri);
    char why[600];
    QueryResult result = QueryPrinter(&exchange, why, sizeof why);
    if (result == QUERY_REFUSED || result == QUERY_UNTRUSTED || result == QUERY_TLS_FAILED) {
        Say(why);
        return IPP_EXIT_REFUSED;
    }
    bool unreachable = result != QUERY_DONE;
    if (unreachable) {
        // Asked once, the user gets the answer at once: no waiting for a
        // second failure as the resident watch does.
        char line[800];
        wsprintfA(line, "printer not reachable at %.400s: %.300s", uri.uri, why);
        Say(line);
        MapUnreachable(uri.uri, ProfileCodeLookup, &report);
    } else {
        MapPrinterStatus(exchange.status, uri.uri, ProfileCodeLookup, &report);
    }
    int written = WriteReport(report);
    if (written != IPP_EXIT_DONE)
        return written;
    int sent = SendReport(report);
    SayReport(report, sent);
    return unreachable ? IPP_EXIT_UNREACHABLE : sent;
}
