// IPP over HTTP through the platform's WinHTTP: printer URIs, one POST per
// request, TLS for ipps://, proxies, and the choice to accept a printer's
// self-signed certificate.
#ifndef DADAVIZI_IPP_HTTP_H
#define DADAVIZI_IPP_HTTP_H

#include <windows.h>

const int URI_SIZE = 1024;

// A printer URI taken apart: ipp://, ipps://, http:// or https://, with a
// host name, IPv4 address or bracketed IPv6 address.
struct PrinterUri {
    char uri[URI_SIZE];        // as given, for the printer-uri attribute (ipp/ipps scheme)
    WCHAR host[256];           // an IPv6 address in its brackets
    unsigned short port;       // 631 when the URI names none (80/443 for http/https)
    WCHAR path[URI_SIZE];      // "/" at least
    bool secure;
};

// False when `text` is not such a URI (or does not fit).
bool ParsePrinterUri(const char *text, PrinterUri *uri);

enum HttpResult {
    HTTP_DONE,           // a whole IPP answer from an HTTP 200
    HTTP_UNREACHABLE,    // no connection, or it broke off
    HTTP_TIMED_OUT,      // connected and sent, but no answer within the wait
    HTTP_REFUSED,        // an HTTP error status (text in `detail`)
    HTTP_TLS_FAILED,     // the certificate was not accepted (or TLS broke)
    HTTP_TOO_LARGE,      // the answer does not fit the buffer
};

struct HttpOptions {
    bool acceptSelfSigned = false;
    const char *proxy = NULL;   // "host:port"; NULL: the system's WinHTTP proxy setting
};

// One WinHTTP session for the life of the source.
class HttpClient {
public:
    explicit HttpClient(const HttpOptions &options);
    ~HttpClient();
    bool Ready() const { return session_ != NULL; }
    // The HTTP status of the last answer; 0 when none came.
    DWORD LastStatus() const { return lastStatus_; }

    // POSTs `body` as application/ipp and reads the answer into `answer`
    // (at most `capacity` bytes; chunked answers arrive whole). `waitMs` is
    // how long the printer may take to answer. `detail` receives a short
    // reason on failure.
    HttpResult Post(const PrinterUri &uri, const unsigned char *body, DWORD length,
                    unsigned char *answer, DWORD capacity, DWORD *answerLength, DWORD waitMs,
                    char *detail, int detailSize);

private:
    HttpClient(const HttpClient &);
    HttpClient &operator=(const HttpClient &);

    void *session_;
    bool acceptSelfSigned_;
    DWORD lastStatus_;
};

#endif
