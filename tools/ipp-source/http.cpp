// IPP requests over WinHTTP. WinHTTP speaks only UTF-16, so text is
// converted here, at its edge; everything else in the tool is ANSI.
// The session is asynchronous; each request's steps are taken through
// HttpCall (http_call.h), so that a stop ends one at once.
#include "tools/ipp-source/http.h"

#include <string.h>
#include <winhttp.h>

#include "tools/ipp-source/http_call.h"
#include "tools/ipp-source/multipart.h"
#include "tools/ipp-source/pinning.h"

namespace {

void SetDetail(char *detail, int detailSize, const char *what, DWORD number)
{
    if (detail && detailSize > 64)
        wsprintfA(detail, "%.40s %lu", what, (unsigned long)number);
}

// A step that failed on a connection already made: silence past the wait,
// the stop, or a broken connection.
Outcome Broken(const HttpCall &call, char *detail, int detailSize)
{
    if (call.Stopped()) {
        SetDetail(detail, detailSize, call.Woken() ? "woken: error" : "stopped: error",
                  call.Error());
        return call.Woken() ? OUTCOME_WOKEN : OUTCOME_STOPPED;
    }
    SetDetail(detail, detailSize, "answer broken off: error", call.Error());
    // Wine's WinHTTP gives the socket's own WSAETIMEDOUT (10060) here.
    return call.Error() == ERROR_WINHTTP_TIMEOUT || call.Error() == 10060 ? OUTCOME_TIMED_OUT
                                                                          : OUTCOME_UNREACHABLE;
}

// Reads a whole answer body into `answer`; WinHTTP removes any chunked
// framing, and the body arrives in pieces.
Outcome ReadWhole(HttpCall &call, unsigned char *answer, DWORD capacity, DWORD *answerLength,
                  char *detail, int detailSize)
{
    *answerLength = 0;
    DWORD used = 0;
    for (;;) {
        DWORD available = 0;
        if (!call.Available(&available))
            return Broken(call, detail, detailSize);
        if (available == 0)
            break;
        if (used == capacity) {
            if (detail && detailSize > 64)
                wsprintfA(detail, "the answer is larger than %lu bytes", (unsigned long)capacity);
            return OUTCOME_TOO_LARGE;
        }
        DWORD got = 0;
        DWORD want = available < capacity - used ? available : capacity - used;
        if (!call.Read(answer + used, want, &got))
            return Broken(call, detail, detailSize);
        used += got;
    }
    *answerLength = used;
    return OUTCOME_DONE;
}

bool IsTlsError(DWORD error)
{
    return error == ERROR_WINHTTP_SECURE_FAILURE || error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR ||
           error == ERROR_WINHTTP_SECURE_INVALID_CA ||
           error == ERROR_WINHTTP_SECURE_CERT_CN_INVALID ||
           error == ERROR_WINHTTP_SECURE_CERT_DATE_INVALID;
}

// The printer's certificate against the one kept for its URI; OUTCOME_DONE
// when it may be asked. A certificate that cannot be kept is not taken:
// taken unkept, every certificate would be, every time.
Outcome CheckCertificate(HINTERNET request, const PrinterUri &uri, char *tlsWhy, int tlsWhySize,
                         char *detail, int detailSize)
{
    PCCERT_CONTEXT certificate = NULL;
    DWORD size = sizeof certificate;
    char fingerprint[FINGERPRINT_SIZE];
    bool made = false;
    if (WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) &&
        certificate) {
        made = Fingerprint(certificate->pbCertEncoded, certificate->cbCertEncoded, fingerprint);
        CertFreeCertificateContext(certificate);
    }
    if (!made) {
        SetDetail(detail, detailSize, "TLS: no certificate to check: error", GetLastError());
        lstrcpynA(tlsWhy, "no certificate to check", tlsWhySize);
        return OUTCOME_TLS_FAILED;
    }
    char kept[FINGERPRINT_SIZE];
    PinCheck check = CheckPin(uri.uri, fingerprint, kept);
    if (check == PIN_UNKEPT) {
        lstrcpynA(tlsWhy, "its certificate cannot be kept", tlsWhySize);
        if (detail && detailSize > 0)
            lstrcpynA(detail,
                      "TLS: the printer's certificate cannot be kept under HKEY_CURRENT_USER",
                      detailSize);
        return OUTCOME_TLS_FAILED;
    }
    if (check != PIN_CHANGED)
        return OUTCOME_DONE;
    if (detail && detailSize > 64)
        wsprintfA(detail, "SHA-256 %.16s... kept, %.16s... shown", kept, fingerprint);
    return OUTCOME_UNTRUSTED;
}

}  // namespace

HttpClient::HttpClient(const HttpOptions &options)
    : session_(NULL), acceptSelfSigned_(options.acceptSelfSigned),
      proxyGiven_(options.proxy && options.proxy[0]), lastStatus_(0), stop_(NULL), wake_(NULL),
      limitMs_(0)
{
    tlsWhy_[0] = '\0';
    if (proxyGiven_) {
        WCHAR proxy[256];
        if (!WidenAscii(options.proxy, lstrlenA(options.proxy), proxy, 256))
            return;
        // Loopback printers never go through the proxy.
        session_ = WinHttpOpen(L"DadaViziIpp/1.0", WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy,
                               L"<local>;localhost;127.0.0.1;[::1]", WINHTTP_FLAG_ASYNC);
    } else {
        session_ = WinHttpOpen(L"DadaViziIpp/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                               WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    }
    if (session_ && WinHttpSetStatusCallback(session_, OnHttpStatus,
                                             WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS |
                                                 WINHTTP_CALLBACK_FLAG_HANDLES,
                                             0) == WINHTTP_INVALID_STATUS_CALLBACK) {
        WinHttpCloseHandle(session_);
        session_ = NULL;
        return;
    }
    DWORD protocols = SecureProtocolsFor(options.windowsMajor, options.windowsMinor);
    if (session_ && protocols)
        WinHttpSetOption(session_, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
}

HttpClient::~HttpClient()
{
    if (session_)
        WinHttpCloseHandle(session_);
}

Outcome HttpClient::Start(const PrinterUri &uri, const unsigned char *body, DWORD length,
                          DWORD waitMs, HttpCall *call, char *detail, int detailSize)
{
    lastStatus_ = 0;
    if (detail && detailSize > 0)
        detail[0] = '\0';
    if (!session_) {
        SetDetail(detail, detailSize, "WinHTTP cannot start: error", GetLastError());
        return OUTCOME_UNREACHABLE;
    }
    // Name lookup, connection and sending are quick or never; the answer
    // may be held back as long as the printer said it would wait.
    WinHttpSetTimeouts(session_, 5000, 5000, 10000, (int)waitMs);
    if (!call->Open(session_, uri, length)) {
        SetDetail(detail, detailSize, "cannot connect: error", call->Error());
        return OUTCOME_UNREACHABLE;
    }
    HINTERNET request = call->Request();
    // Paced requests leave seconds to minutes between them: an idle
    // keep-alive connection per desktop would hold a print server's client
    // slots meanwhile, so each connection ends with its answer. A held or
    // streamed answer (Event Wait Mode) keeps its connection while it lasts.
    DWORD feature = WINHTTP_DISABLE_KEEP_ALIVE;
    WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof feature);
    if (GoesDirect(uri.host, proxyGiven_)) {
        WINHTTP_PROXY_INFO direct = {WINHTTP_ACCESS_TYPE_NO_PROXY, NULL, NULL};
        WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &direct, sizeof direct);
    }
    bool pinned = uri.secure && acceptSelfSigned_;
    if (pinned) {
        DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                      SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                      SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
        WinHttpSetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
    }
    // The headers go first and the body only after the certificate passed,
    // so a printer that is not the one accepted gets no request.
    Outcome checked = OUTCOME_DONE;
    if (!call->Send(length) ||
        (pinned && (checked = CheckCertificate(request, uri, tlsWhy_, sizeof tlsWhy_, detail,
                                               detailSize)) != OUTCOME_DONE) ||
        !call->Write(body, length) || !call->Receive()) {
        if (checked != OUTCOME_DONE)
            return checked;
        if (call->Stopped())
            return Broken(*call, detail, detailSize);
        DWORD error = call->Error();
        if (IsTlsError(error)) {
            SetDetail(detail, detailSize, "TLS failed: error", error);
            wsprintfA(tlsWhy_, "WinHTTP error %lu", (unsigned long)error);
            return OUTCOME_TLS_FAILED;
        }
        SetDetail(detail, detailSize, "no answer: error", error);
        return error == ERROR_WINHTTP_TIMEOUT ? OUTCOME_TIMED_OUT : OUTCOME_UNREACHABLE;
    }

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        SetDetail(detail, detailSize, "no HTTP status: error", GetLastError());
        return OUTCOME_UNREACHABLE;
    }
    lastStatus_ = status;
    if (status != 200) {
        SetDetail(detail, detailSize, "HTTP status", status);
        return OUTCOME_REFUSED;
    }
    return OUTCOME_DONE;
}

// The latest time a request begun now may end.
static DWORD Deadline(DWORD limitMs, DWORD waitMs)
{
    DWORD ms = limitMs ? limitMs : 5000 + 5000 + 10000 + waitMs + HTTP_STEP_MARGIN_MS;
    return GetTickCount() + ms;
}

Outcome HttpClient::Post(const PrinterUri &uri, const unsigned char *body, DWORD length,
                         unsigned char *answer, DWORD capacity, DWORD *answerLength, DWORD waitMs,
                         char *detail, int detailSize)
{
    *answerLength = 0;
    HttpCall call(stop_, wake_, Deadline(limitMs_, waitMs));
    Outcome result = Start(uri, body, length, waitMs, &call, detail, detailSize);
    if (result != OUTCOME_DONE)
        return result;
    return ReadWhole(call, answer, capacity, answerLength, detail, detailSize);
}

Outcome HttpClient::PostParts(const PrinterUri &uri, const unsigned char *body, DWORD length,
                              unsigned char *buffer, DWORD capacity, DWORD waitMs, PartSink part,
                              void *context, char *detail, int detailSize)
{
    HttpCall call(stop_, wake_, Deadline(limitMs_, waitMs));
    Outcome result = Start(uri, body, length, waitMs, &call, detail, detailSize);
    if (result != OUTCOME_DONE)
        return result;

    WCHAR type[256] = L"";
    DWORD size = sizeof type - sizeof type[0];
    char narrow[256] = "";
    char boundary[80];
    if (WinHttpQueryHeaders(call.Request(), WINHTTP_QUERY_CONTENT_TYPE,
                            WINHTTP_HEADER_NAME_BY_INDEX, type, &size, WINHTTP_NO_HEADER_INDEX)) {
        for (int index = 0; type[index] && index < 255; ++index)
            narrow[index] = type[index] < 128 ? (char)type[index] : '?';
    }
    if (!MultipartBoundary(narrow, boundary, sizeof boundary)) {
        DWORD got = 0;
        result = ReadWhole(call, buffer, capacity, &got, detail, detailSize);
        if (result == OUTCOME_DONE)
            part(context, buffer, got, true);
        return result;
    }
    // Parts are handed on as soon as they are whole; WinHTTP removes any
    // chunked framing. Only what has arrived is read, so a silent printer
    // is waited for at most `waitMs`.
    PartSplitter splitter(boundary, buffer, capacity);
    for (;;) {
        const unsigned char *piece;
        DWORD pieceLength;
        while (splitter.NextPart(&piece, &pieceLength))
            if (part(context, piece, pieceLength, true) == PART_END)
                return OUTCOME_DONE;
        if (splitter.Ended())
            return OUTCOME_DONE;
        if (splitter.OpenPart(&piece, &pieceLength)) {
            int taken = part(context, piece, pieceLength, false);
            if (taken == PART_END)
                return OUTCOME_DONE;
            if (taken == PART_TAKEN)
                splitter.TakeOpenPart();
        }
        if (splitter.RoomSize() == 0) {
            if (detail && detailSize > 64)
                wsprintfA(detail, "a part of the answer is larger than %lu bytes",
                          (unsigned long)capacity);
            return OUTCOME_TOO_LARGE;
        }
        DWORD available = 0;
        if (!call.Available(&available))
            return Broken(call, detail, detailSize);
        if (available == 0)
            return OUTCOME_DONE;  // the printer ended the answer without its closing delimiter
        DWORD got = 0;
        DWORD want = available < splitter.RoomSize() ? available : splitter.RoomSize();
        if (!call.Read(splitter.Room(), want, &got))
            return Broken(call, detail, detailSize);
        splitter.Added(got);
    }
}
