// A printer in Event Wait Mode keeps its Get-Notifications answer open and
// sends each new event as one more application/ipp part of a
// multipart/related body. This splits such a body into its parts as the
// bytes arrive, in a buffer of the caller's.
#ifndef DADAVIZI_IPP_MULTIPART_H
#define DADAVIZI_IPP_MULTIPART_H

#include <windows.h>

// The boundary of a "multipart/...; boundary=..." content type (quoted or
// not); false for any other type, or a boundary that does not fit.
bool MultipartBoundary(const char *contentType, char *boundary, int capacity);

class PartSplitter {
public:
    // `boundary` is copied; at most 70 characters, as MIME allows.
    PartSplitter(const char *boundary, unsigned char *buffer, DWORD capacity);

    // Where the next bytes go, and how many fit; then Added() with the count.
    unsigned char *Room() { return buffer_ + used_; }
    DWORD RoomSize() const { return capacity_ - used_; }
    void Added(DWORD count);

    // The next whole part that has arrived, its headers left out; valid
    // until the next call. False when none is whole yet.
    bool NextPart(const unsigned char **body, DWORD *length);
    // The part that has begun but not ended yet, as far as it has come
    // (its headers whole); valid until the next call. A part whose content
    // ends itself (an IPP message does) may be taken before its delimiter:
    // TakeOpenPart() then keeps NextPart() from handing it on again.
    bool OpenPart(const unsigned char **body, DWORD *length);
    void TakeOpenPart() { openTaken_ = true; }
    // The closing delimiter has come: no part follows.
    bool Ended() const { return ended_; }

private:
    PartSplitter(const PartSplitter &);
    PartSplitter &operator=(const PartSplitter &);

    // Where `text` starts at or after `from`, or used_ when it does not.
    DWORD Find(DWORD from, const char *text, DWORD length) const;
    // Where the body of the part whose delimiter starts the buffer begins;
    // false while its headers have not all come.
    bool BodyStart(DWORD end, DWORD *start) const;
    void Drop(DWORD count);

    char delimiter_[80];  // CR LF "--" boundary
    DWORD delimiterLength_;
    unsigned char *buffer_;
    DWORD capacity_;
    DWORD used_;
    DWORD consumed_;  // bytes of the part handed out last, dropped on the next call
    bool ended_;
    bool openTaken_;
};

#endif
