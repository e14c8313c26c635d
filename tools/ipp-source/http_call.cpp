// The steps of one asynchronous WinHTTP request, each waited for with the
// stop event.
#include "tools/ipp-source/http_call.h"

#include <string.h>

#include "tools/ipp-source/wait_set.h"

// What WinHTTP reads into, at most, per step.
const DWORD READ_SIZE = 16384;

// The record of one request's steps, completed by WinHTTP's callback. It
// and the buffers WinHTTP uses belong to the request and to WinHTTP alike:
// after an abandoned request WinHTTP may still call back until the handle
// has closed, so the last of the two to let go frees it.
struct HttpPending {
    LONG references;
    HANDLE done;       // set by each completion
    DWORD completion;  // WINHTTP_CALLBACK_STATUS_* of the last one
    DWORD error;       // of WINHTTP_CALLBACK_STATUS_REQUEST_ERROR
    DWORD bytes;       // available, or read
    unsigned char read[READ_SIZE];
    // The request body follows, since WinHTTP sends it after the call returns.
    unsigned char *Body() { return reinterpret_cast<unsigned char *>(this + 1); }
};

namespace {

void Release(HttpPending *pending)
{
    if (InterlockedDecrement(&pending->references) == 0) {
        CloseHandle(pending->done);
        HeapFree(GetProcessHeap(), 0, pending);
    }
}

}  // namespace

void CALLBACK OnHttpStatus(HINTERNET, DWORD_PTR context, DWORD status, void *information,
                           DWORD length)
{
    HttpPending *pending = reinterpret_cast<HttpPending *>(context);
    if (!pending)
        return;  // the connection's handle, which has no record
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        Release(pending);
        return;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        pending->bytes = information ? *static_cast<DWORD *>(information) : 0;
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        pending->bytes = length;
        break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        pending->error = information ? static_cast<WINHTTP_ASYNC_RESULT *>(information)->dwError
                                     : ERROR_WINHTTP_INTERNAL_ERROR;
        break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_WRITE_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        break;
    default:
        return;
    }
    pending->completion = status;
    SetEvent(pending->done);
}

HttpCall::HttpCall(HANDLE stop, HANDLE wake, DWORD deadline)
    : connection_(NULL), request_(NULL), pending_(NULL), stop_(stop), wake_(wake),
      deadline_(deadline), error_(0), stopped_(false), woken_(false)
{
}

HttpCall::~HttpCall()
{
    // Closing aborts a step still under way; WinHTTP lets go of the record
    // when the handle has closed (WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING).
    if (request_)
        WinHttpCloseHandle(request_);
    if (connection_)
        WinHttpCloseHandle(connection_);
    if (pending_)
        Release(pending_);
}

bool HttpCall::Open(HINTERNET session, const PrinterUri &uri, DWORD bodyLength)
{
    connection_ = WinHttpConnect(session, uri.host, uri.port, 0);
    if (!connection_)
        return Failed(GetLastError());
    request_ =
        WinHttpOpenRequest(connection_, L"POST", uri.path, NULL, WINHTTP_NO_REFERER,
                           WINHTTP_DEFAULT_ACCEPT_TYPES, uri.secure ? WINHTTP_FLAG_SECURE : 0);
    if (!request_)
        return Failed(GetLastError());
    pending_ = static_cast<HttpPending *>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(HttpPending) + bodyLength + 1));
    if (!pending_)
        return Failed(ERROR_NOT_ENOUGH_MEMORY);
    pending_->references = 1;
    pending_->done = CreateEventA(NULL, FALSE, FALSE, NULL);
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(pending_);
    if (!pending_->done ||
        !WinHttpSetOption(request_, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context))
        return Failed(GetLastError());
    pending_->references = 2;  // WinHTTP's, given back when the handle closes
    return true;
}

bool HttpCall::Send(DWORD totalLength)
{
    static const WCHAR HEADERS[] = L"Content-Type: application/ipp\r\n";
    return Step(WinHttpSendRequest(request_, HEADERS, (DWORD)-1L, WINHTTP_NO_REQUEST_DATA, 0,
                                   totalLength, reinterpret_cast<DWORD_PTR>(pending_)),
                WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE);
}

bool HttpCall::Write(const unsigned char *body, DWORD length)
{
    if (length == 0)
        return true;
    memcpy(pending_->Body(), body, length);
    return Step(WinHttpWriteData(request_, pending_->Body(), length, NULL),
                WINHTTP_CALLBACK_STATUS_WRITE_COMPLETE);
}

bool HttpCall::Receive()
{
    return Step(WinHttpReceiveResponse(request_, NULL), WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE);
}

bool HttpCall::Available(DWORD *available)
{
    *available = 0;
    if (!Step(WinHttpQueryDataAvailable(request_, NULL), WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE))
        return false;
    *available = pending_->bytes;
    return true;
}

bool HttpCall::Read(unsigned char *to, DWORD want, DWORD *got)
{
    *got = 0;
    if (want > READ_SIZE)
        want = READ_SIZE;
    if (!Step(WinHttpReadData(request_, pending_->read, want, NULL),
              WINHTTP_CALLBACK_STATUS_READ_COMPLETE))
        return false;
    *got = pending_->bytes <= want ? pending_->bytes : want;
    memcpy(to, pending_->read, *got);
    return true;
}

bool HttpCall::Failed(DWORD error)
{
    error_ = error ? error : ERROR_WINHTTP_INTERNAL_ERROR;
    return false;
}

bool HttpCall::Step(BOOL started, DWORD completion)
{
    if (!started)
        return Failed(GetLastError());
    WaitSet handles(pending_->done);
    DWORD stopAt = handles.Add(stop_);
    DWORD wakeAt = handles.Add(wake_);
    DWORD now = GetTickCount();
    DWORD left = (LONG)(deadline_ - now) > 0 ? deadline_ - now : 0;
    DWORD woke = handles.Wait(left);
    if (WaitSet::Is(woke, stopAt) || WaitSet::Is(woke, wakeAt)) {
        stopped_ = true;
        woken_ = WaitSet::Is(woke, wakeAt);
        return Failed(ERROR_WINHTTP_OPERATION_CANCELLED);
    }
    if (woke != WAIT_OBJECT_0)
        return Failed(ERROR_WINHTTP_TIMEOUT);
    if (pending_->completion == WINHTTP_CALLBACK_STATUS_REQUEST_ERROR)
        return Failed(pending_->error);
    if (pending_->completion != completion)
        return Failed(ERROR_WINHTTP_INTERNAL_ERROR);
    return true;
}
