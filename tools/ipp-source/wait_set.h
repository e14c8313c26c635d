// The handles one wait of the IPP source takes: the first always, then the
// optional ones it was given (a stop, a wake, this machine's queue), each
// known by its place in WaitForMultipleObjects' answer.
#ifndef DADAVIZI_IPP_WAIT_SET_H
#define DADAVIZI_IPP_WAIT_SET_H

#include <windows.h>

class WaitSet {
public:
    explicit WaitSet(HANDLE first) : count_(1) { handles_[0] = first; }

    // Adds `handle` unless it is NULL (or the set is full): its place, 0
    // when it was not added.
    DWORD Add(HANDLE handle)
    {
        if (!handle || count_ == MOST)
            return 0;
        handles_[count_] = handle;
        return count_++;
    }
    // Waits for any one of them, `ms` at most: WaitForMultipleObjects' answer.
    DWORD Wait(DWORD ms) const { return WaitForMultipleObjects(count_, handles_, FALSE, ms); }
    // Whether `woke`, an answer of Wait, is the handle added at `place`.
    static bool Is(DWORD woke, DWORD place) { return place && woke == WAIT_OBJECT_0 + place; }

private:
    enum { MOST = 3 };
    HANDLE handles_[MOST];
    DWORD count_;
};

#endif
