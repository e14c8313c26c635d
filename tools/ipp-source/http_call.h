// One asynchronous WinHTTP request of the IPP source, step by step: each
// step (send, write, answer, data) is started and then waited for together
// with the stop event, so a request the printer holds for minutes ends the
// moment the source stops. Its handle is then closed, which aborts it:
// closing the handle aborts only an asynchronous request.
#ifndef DADAVIZI_IPP_HTTP_CALL_H
#define DADAVIZI_IPP_HTTP_CALL_H

#include <windows.h>
#include <winhttp.h>

#include "tools/ipp-source/http.h"

// The status callback of every session whose requests are made here
// (WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES).
void CALLBACK OnHttpStatus(HINTERNET handle, DWORD_PTR context, DWORD status, void *information,
                           DWORD length);

// A step never waits longer than the timeouts WinHTTP was given, plus this;
// it only guards against a completion that never comes.
const DWORD HTTP_STEP_MARGIN_MS = 60000;

struct HttpPending;

class HttpCall {
public:
    // Steps end at once when `stop` or `wake` (either may be NULL) is
    // signalled, and at the GetTickCount time `deadline` at the latest.
    HttpCall(HANDLE stop, HANDLE wake, DWORD deadline);
    ~HttpCall();

    // The connection and the request, with room for `bodyLength` bytes.
    bool Open(HINTERNET session, const PrinterUri &uri, DWORD bodyLength);
    HINTERNET Request() const { return request_; }

    // Sends the headers; the body follows with Write.
    bool Send(DWORD totalLength);
    bool Write(const unsigned char *body, DWORD length);
    bool Receive();
    // How much can be read without waiting once it has come; 0 at the end.
    bool Available(DWORD *available);
    // Reads at most `want` bytes (no more than are available) into `to`.
    bool Read(unsigned char *to, DWORD want, DWORD *got);

    // Why the last step failed: the stop or the wake (Woken), or WinHTTP's error.
    bool Stopped() const { return stopped_; }
    bool Woken() const { return woken_; }
    DWORD Error() const { return error_; }

private:
    HttpCall(const HttpCall &);
    HttpCall &operator=(const HttpCall &);

    bool Failed(DWORD error);
    // Waits for the step just started (`started`: its call's result).
    bool Step(BOOL started, DWORD completion);

    HINTERNET connection_;
    HINTERNET request_;
    HttpPending *pending_;
    HANDLE stop_;
    HANDLE wake_;
    DWORD deadline_;
    DWORD error_;
    bool stopped_;
    bool woken_;
};

#endif
