// IPP over HTTP through the platform's WinHTTP: printer URIs, one POST per
// request, TLS for ipps://, proxies, and the choice to accept a printer's
// self-signed certificate (kept on first use, pinning.h). Requests are
// asynchronous underneath, so that a stop ends one at once: closing a
// WinHTTP handle aborts only an asynchronous request.
#ifndef DADAVIZI_IPP_HTTP_H
#define DADAVIZI_IPP_HTTP_H

#include <windows.h>

#include "tools/ipp-source/outcome.h"
#include "tools/ipp-source/uri.h"

// The TLS versions to name (WINHTTP_OPTION_SECURE_PROTOCOLS) on Windows
// `major`.`minor` as GetVersionExA tells it: TLS 1.0 to 1.2 below Windows
// 8.1, else 0 for the system's default.
DWORD SecureProtocolsFor(DWORD major, DWORD minor);

struct HttpOptions {
    bool acceptSelfSigned = false;
    const char *proxy = NULL;  // "host:port"; NULL: the system's WinHTTP proxy setting
    // The Windows the source runs on, as GetVersionExA tells it through the
    // program's manifest, for SecureProtocolsFor; 0 (not told) keeps the
    // system's default protocols.
    DWORD windowsMajor = 0;
    DWORD windowsMinor = 0;
};

// One WinHTTP session for the life of the source.
class HttpClient {
public:
    explicit HttpClient(const HttpOptions &options);
    ~HttpClient();
    bool Ready() const { return session_ != NULL; }
    // The HTTP status of the last answer; 0 when none came.
    DWORD LastStatus() const { return lastStatus_; }
    // Requests end at once, OUTCOME_STOPPED, when `stop` is signalled (NULL:
    // never). The handle must outlive the requests.
    void StopOn(HANDLE stop) { stop_ = stop; }
    // Requests end at once, OUTCOME_WOKEN, when `wake` is signalled (NULL:
    // never): the machine woke from sleep, and a held request is asked anew.
    void WakeOn(HANDLE wake) { wake_ = wake; }
    // Why the last OUTCOME_TLS_FAILED came: "WinHTTP error N", or what the
    // check of the certificate found.
    const char *TlsWhy() const { return tlsWhy_; }
    // Each request from now on ends within `ms` milliseconds, OUTCOME_TIMED_OUT
    // at the latest (0: its own timeouts alone).
    void LimitTo(DWORD ms) { limitMs_ = ms; }

    // POSTs `body` as application/ipp and reads the answer into `answer`
    // (at most `capacity` bytes; chunked answers arrive whole). `waitMs` is
    // how long the printer may take to answer. `detail` receives a short
    // reason on failure.
    Outcome Post(const PrinterUri &uri, const unsigned char *body, DWORD length,
                 unsigned char *answer, DWORD capacity, DWORD *answerLength, DWORD waitMs,
                 char *detail, int detailSize);

    // The same, for an answer that may come in parts as they happen (a
    // multipart body, Event Wait Mode): `part` gets each application/ipp
    // part, `whole` once its delimiter has come, and before that as far as
    // it has arrived, since an IPP message ends itself; it answers
    // PART_INCOMPLETE (not yet), PART_TAKEN or PART_END, which ends the
    // answer (the connection is closed). A plain answer is one whole part.
    // `buffer` holds what has arrived and not yet been taken; `waitMs` is
    // the longest silence taken.
    enum { PART_INCOMPLETE, PART_TAKEN, PART_END };
    typedef int (*PartSink)(void *context, const unsigned char *part, DWORD length, bool whole);
    Outcome PostParts(const PrinterUri &uri, const unsigned char *body, DWORD length,
                      unsigned char *buffer, DWORD capacity, DWORD waitMs, PartSink part,
                      void *context, char *detail, int detailSize);

private:
    // Connects, sends and takes the answer's headers into `call`: OUTCOME_DONE
    // for an HTTP 200, the answer's body then to be read through `call`.
    Outcome Start(const PrinterUri &uri, const unsigned char *body, DWORD length, DWORD waitMs,
                  class HttpCall *call, char *detail, int detailSize);

    HttpClient(const HttpClient &);
    HttpClient &operator=(const HttpClient &);

    void *session_;
    bool acceptSelfSigned_;
    bool proxyGiven_;
    DWORD lastStatus_;
    HANDLE stop_;
    HANDLE wake_;
    DWORD limitMs_;
    char tlsWhy_[64];
};

#endif
