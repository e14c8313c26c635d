// What became of one request to the printer, from the connection to the
// IPP answer: one type for the transport (http.h), the operations
// (operations.h) and the watch, which tells refusals apart by it.
#ifndef DADAVIZI_IPP_OUTCOME_H
#define DADAVIZI_IPP_OUTCOME_H

enum Outcome {
    OUTCOME_DONE,         // the transport: a whole IPP answer from an HTTP 200; an
                          // operation: and the printer did what was asked
    OUTCOME_UNREACHABLE,  // no connection, or it broke off
    OUTCOME_TIMED_OUT,    // connected and sent, but no answer within the wait (a held
                          // Get-Notifications that stayed silent for its whole wait)
    OUTCOME_REFUSED,      // an HTTP error status, an IPP error, or an answer that is not IPP
    OUTCOME_NOT_FOUND,    // refused: no such subscription (or printer)
    OUTCOME_NOT_ALLOWED,  // refused: HTTP 401/403, or IPP forbidden / not authenticated /
                          // not authorized
    OUTCOME_TOO_MANY,     // refused: client-error-too-many-subscriptions, the server is full
    OUTCOME_TOO_LARGE,    // the transport: the answer does not fit the buffer (a refusal
                          // for the operations)
    OUTCOME_TLS_FAILED,   // TLS broke, or Windows (or the kept certificate) refused the
                          // printer's certificate
    OUTCOME_UNTRUSTED,    // not the certificate accepted first for this URI (nothing sent)
    OUTCOME_STOPPED,      // abandoned: the stop event was signalled
    OUTCOME_WOKEN,        // abandoned: the machine woke from sleep
};

// Whether the request was refused, whatever the refusal's kind.
inline bool Refused(Outcome outcome)
{
    return outcome == OUTCOME_REFUSED || outcome == OUTCOME_NOT_FOUND ||
           outcome == OUTCOME_NOT_ALLOWED || outcome == OUTCOME_TOO_MANY ||
           outcome == OUTCOME_TOO_LARGE;
}

#endif
