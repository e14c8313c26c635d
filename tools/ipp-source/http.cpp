// IPP requests over WinHTTP. WinHTTP speaks only UTF-16, so text is
// converted here, at its edge; everything else in the tool is ANSI.
#include "http.h"

#include <string.h>
#include <winhttp.h>

#include "help/help_engine.h"
#include "multipart.h"

namespace {

// Closes a WinHTTP handle when it goes out of scope.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle()
    {
        if (handle_)
            WinHttpCloseHandle(handle_);
    }
    HINTERNET Get() const { return handle_; }
    HINTERNET Release()
    {
        HINTERNET handle = handle_;
        handle_ = NULL;
        return handle;
    }

private:
    InternetHandle(const InternetHandle &);
    InternetHandle &operator=(const InternetHandle &);
    HINTERNET handle_;
};

bool StartsWith(const char *text, const char *prefix)
{
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text, lstrlenA(prefix), prefix,
                          -1) == CSTR_EQUAL;
}

// ASCII into UTF-16; false when it does not fit.
bool Widen(const char *text, int length, WCHAR *out, int capacity)
{
    if (length < 0 || length >= capacity)
        return false;
    for (int index = 0; index < length; ++index)
        out[index] = (WCHAR)(unsigned char)text[index];
    out[length] = 0;
    return true;
}

void SetDetail(char *detail, int detailSize, const char *what, DWORD number)
{
    if (detail && detailSize > 64)
        wsprintfA(detail, "%.40s %lu", what, (unsigned long)number);
}

// A read that failed: silence past the wait, or a broken connection.
HttpResult Broken(char *detail, int detailSize)
{
    DWORD error = GetLastError();
    SetDetail(detail, detailSize, "answer broken off: error", error);
    // Wine's WinHTTP gives the socket's own WSAETIMEDOUT (10060) here.
    return error == ERROR_WINHTTP_TIMEOUT || error == 10060 ? HTTP_TIMED_OUT : HTTP_UNREACHABLE;
}

// Reads a whole answer body into `answer`; WinHTTP removes any chunked
// framing, and the body arrives in pieces.
HttpResult ReadWhole(HINTERNET request, unsigned char *answer, DWORD capacity,
                     DWORD *answerLength, char *detail, int detailSize)
{
    *answerLength = 0;
    DWORD used = 0;
    for (;;) {
        DWORD got = 0;
        if (used == capacity) {
            // Full: one more byte would mean the answer is too large.
            unsigned char probe;
            if (!WinHttpReadData(request, &probe, 1, &got))
                return Broken(detail, detailSize);
            if (got) {
                if (detail && detailSize > 64)
                    wsprintfA(detail, "the answer is larger than %lu bytes",
                              (unsigned long)capacity);
                return HTTP_TOO_LARGE;
            }
            break;
        }
        if (!WinHttpReadData(request, answer + used, capacity - used, &got))
            return Broken(detail, detailSize);
        if (got == 0)
            break;
        used += got;
    }
    *answerLength = used;
    return HTTP_DONE;
}

}  // namespace

bool ParsePrinterUri(const char *text, PrinterUri *uri)
{
    memset(uri, 0, sizeof *uri);
    static const struct {
        const char *scheme;
        bool secure;
        unsigned short port;
        const char *ippScheme;
    } schemes[] = {
        {"ipps://", true, 631, "ipps://"},
        {"ipp://", false, 631, "ipp://"},
        {"https://", true, 443, "ipps://"},
        {"http://", false, 80, "ipp://"},
    };
    const char *rest = NULL;
    const char *ippScheme = NULL;
    for (const auto &scheme : schemes) {
        if (StartsWith(text, scheme.scheme)) {
            rest = text + lstrlenA(scheme.scheme);
            uri->secure = scheme.secure;
            uri->port = scheme.port;
            ippScheme = scheme.ippScheme;
            break;
        }
    }
    if (!rest)
        return false;

    // Host: a bracketed IPv6 address, or up to ':' or '/'.
    const char *host = rest;
    const char *hostEnd;
    const char *after;
    if (*rest == '[') {
        // Kept in its brackets: WinHTTP then writes a valid Host header.
        hostEnd = rest + 1;
        while (*hostEnd && *hostEnd != ']')
            ++hostEnd;
        if (*hostEnd != ']' || hostEnd == rest + 1)
            return false;
        after = ++hostEnd;
    } else {
        hostEnd = rest;
        while (*hostEnd && *hostEnd != ':' && *hostEnd != '/' && *hostEnd != '?' &&
               *hostEnd != '#')
            ++hostEnd;
        after = hostEnd;
    }
    if (hostEnd == host || !Widen(host, (int)(hostEnd - host), uri->host, 256))
        return false;
    for (const WCHAR *c = uri->host; *c; ++c)
        if (*c <= ' ' || *c > '~' || *c == '@')
            return false;
    if (*host == '[')
        for (const WCHAR *c = uri->host + 1; c[1]; ++c)
            if (!(*c == ':' || *c == '.' || (*c >= '0' && *c <= '9') ||
                  (*c >= 'a' && *c <= 'f') || (*c >= 'A' && *c <= 'F')))
                return false;

    if (*after == ':') {
        unsigned long port = 0;
        const char *digit = after + 1;
        for (; *digit >= '0' && *digit <= '9'; ++digit) {
            port = port * 10 + (unsigned long)(*digit - '0');
            if (port > 65535)
                return false;
        }
        if (digit == after + 1 || port == 0)
            return false;
        uri->port = (unsigned short)port;
        after = digit;
    }
    if (*after && *after != '/')
        return false;
    const char *path = *after ? after : "/";
    if (!Widen(path, lstrlenA(path), uri->path, URI_SIZE))
        return false;
    for (const WCHAR *c = uri->path; *c; ++c)
        if (*c <= ' ' || *c > '~')
            return false;

    // The printer-uri attribute always names the IPP scheme.
    int schemeLength = lstrlenA(ippScheme);
    int restLength = lstrlenA(rest);
    if (schemeLength + restLength >= URI_SIZE)
        return false;
    memcpy(uri->uri, ippScheme, (size_t)schemeLength);
    memcpy(uri->uri + schemeLength, rest, (size_t)restLength + 1);
    return true;
}

HttpClient::HttpClient(const HttpOptions &options)
    : session_(NULL),
      acceptSelfSigned_(options.acceptSelfSigned),
      proxyGiven_(options.proxy && options.proxy[0]),
      lastStatus_(0)
{
    if (proxyGiven_) {
        WCHAR proxy[256];
        if (!Widen(options.proxy, lstrlenA(options.proxy), proxy, 256))
            return;
        // Loopback printers never go through the proxy.
        session_ = WinHttpOpen(L"DadaViziIpp/1.0", WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy,
                               L"<local>;localhost;127.0.0.1;[::1]", 0);
    } else {
        session_ = WinHttpOpen(L"DadaViziIpp/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                               WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    }
    // Read through the program's manifest, which declares Windows 10 and 11,
    // so Windows 8.1 and later tell their own version.
    WindowsVersion version = ReadWindowsVersion();
    DWORD protocols = SecureProtocolsFor(version.major, version.minor);
    if (session_ && protocols)
        WinHttpSetOption(session_, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
}

HttpClient::~HttpClient()
{
    if (session_)
        WinHttpCloseHandle(session_);
}

HttpResult HttpClient::Start(const PrinterUri &uri, const unsigned char *body, DWORD length,
                             DWORD waitMs, void **connectionOut, void **requestOut, char *detail,
                             int detailSize)
{
    *connectionOut = NULL;
    *requestOut = NULL;
    lastStatus_ = 0;
    if (detail && detailSize > 0)
        detail[0] = '\0';
    if (!session_) {
        SetDetail(detail, detailSize, "WinHTTP cannot start: error", GetLastError());
        return HTTP_UNREACHABLE;
    }
    // Name lookup, connection and sending are quick or never; the answer
    // may be held back as long as the printer said it would wait.
    WinHttpSetTimeouts(session_, 5000, 5000, 10000, (int)waitMs);

    InternetHandle connection(WinHttpConnect(session_, uri.host, uri.port, 0));
    if (!connection.Get()) {
        SetDetail(detail, detailSize, "cannot connect: error", GetLastError());
        return HTTP_UNREACHABLE;
    }
    InternetHandle request(WinHttpOpenRequest(connection.Get(), L"POST", uri.path, NULL,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                              uri.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request.Get()) {
        SetDetail(detail, detailSize, "cannot open a request: error", GetLastError());
        return HTTP_UNREACHABLE;
    }
    // Paced requests leave seconds to minutes between them: an idle
    // keep-alive connection per desktop would hold a print server's client
    // slots meanwhile, so each connection ends with its answer. A held or
    // streamed answer (Event Wait Mode) keeps its connection while it lasts.
    DWORD feature = WINHTTP_DISABLE_KEEP_ALIVE;
    WinHttpSetOption(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof feature);
    if (GoesDirect(uri.host, proxyGiven_)) {
        WINHTTP_PROXY_INFO direct = {WINHTTP_ACCESS_TYPE_NO_PROXY, NULL, NULL};
        WinHttpSetOption(request.Get(), WINHTTP_OPTION_PROXY, &direct, sizeof direct);
    }
    if (uri.secure && acceptSelfSigned_) {
        DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                      SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                      SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
        WinHttpSetOption(request.Get(), WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
    }
    static const WCHAR HEADERS[] = L"Content-Type: application/ipp\r\n";
    if (!WinHttpSendRequest(request.Get(), HEADERS, (DWORD)-1L, (void *)body, length, length, 0) ||
        !WinHttpReceiveResponse(request.Get(), NULL)) {
        DWORD error = GetLastError();
        if (error == ERROR_WINHTTP_SECURE_FAILURE ||
            error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR ||
            error == ERROR_WINHTTP_SECURE_INVALID_CA ||
            error == ERROR_WINHTTP_SECURE_CERT_CN_INVALID ||
            error == ERROR_WINHTTP_SECURE_CERT_DATE_INVALID) {
            SetDetail(detail, detailSize, "TLS failed: error", error);
            return HTTP_TLS_FAILED;
        }
        SetDetail(detail, detailSize, "no answer: error", error);
        return error == ERROR_WINHTTP_TIMEOUT ? HTTP_TIMED_OUT : HTTP_UNREACHABLE;
    }

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        SetDetail(detail, detailSize, "no HTTP status: error", GetLastError());
        return HTTP_UNREACHABLE;
    }
    lastStatus_ = status;
    if (status != 200) {
        SetDetail(detail, detailSize, "HTTP status", status);
        return HTTP_REFUSED;
    }
    *connectionOut = connection.Release();
    *requestOut = request.Release();
    return HTTP_DONE;
}

HttpResult HttpClient::Post(const PrinterUri &uri, const unsigned char *body, DWORD length,
                            unsigned char *answer, DWORD capacity, DWORD *answerLength,
                            DWORD waitMs, char *detail, int detailSize)
{
    *answerLength = 0;
    void *connectionHandle, *requestHandle;
    HttpResult result =
        Start(uri, body, length, waitMs, &connectionHandle, &requestHandle, detail, detailSize);
    InternetHandle connection(connectionHandle), request(requestHandle);
    if (result != HTTP_DONE)
        return result;

    return ReadWhole(request.Get(), answer, capacity, answerLength, detail, detailSize);
}

HttpResult HttpClient::PostParts(const PrinterUri &uri, const unsigned char *body, DWORD length,
                                 unsigned char *buffer, DWORD capacity, DWORD waitMs,
                                 PartSink part, void *context, char *detail, int detailSize)
{
    void *connectionHandle, *requestHandle;
    HttpResult result =
        Start(uri, body, length, waitMs, &connectionHandle, &requestHandle, detail, detailSize);
    InternetHandle connection(connectionHandle), request(requestHandle);
    if (result != HTTP_DONE)
        return result;

    WCHAR type[256] = L"";
    DWORD size = sizeof type - sizeof type[0];
    char narrow[256] = "";
    char boundary[80];
    if (WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX,
                            type, &size, WINHTTP_NO_HEADER_INDEX)) {
        for (int index = 0; type[index] && index < 255; ++index)
            narrow[index] = type[index] < 128 ? (char)type[index] : '?';
    }
    if (!MultipartBoundary(narrow, boundary, sizeof boundary)) {
        DWORD got = 0;
        result = ReadWhole(request.Get(), buffer, capacity, &got, detail, detailSize);
        if (result == HTTP_DONE)
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
                return HTTP_DONE;
        if (splitter.Ended())
            return HTTP_DONE;
        if (splitter.OpenPart(&piece, &pieceLength)) {
            int taken = part(context, piece, pieceLength, false);
            if (taken == PART_END)
                return HTTP_DONE;
            if (taken == PART_TAKEN)
                splitter.TakeOpenPart();
        }
        if (splitter.RoomSize() == 0) {
            if (detail && detailSize > 64)
                wsprintfA(detail, "a part of the answer is larger than %lu bytes",
                          (unsigned long)capacity);
            return HTTP_TOO_LARGE;
        }
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request.Get(), &available))
            return Broken(detail, detailSize);
        if (available == 0)
            return HTTP_DONE;  // the printer ended the answer without its closing delimiter
        DWORD got = 0;
        DWORD want = available < splitter.RoomSize() ? available : splitter.RoomSize();
        if (!WinHttpReadData(request.Get(), splitter.Room(), want, &got))
            return Broken(detail, detailSize);
        splitter.Added(got);
        }
}
