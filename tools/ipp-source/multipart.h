// A printer in Event Wait Mode keeps its Get-Notifications answer open and
// sends each new event as one more application/ipp part of a
// multipart/related body. This splits such a body into its parts as the
// bytes arrive, in a buffer of the caller's. No Win32 here: it reads what
// the network sent, and builds for the fuzzer anywhere. Sizes are unsigned
// long, the type of Windows' unsigned long.
#ifndef DADAVIZI_IPP_MULTIPART_H
#define DADAVIZI_IPP_MULTIPART_H

// The boundary of a "multipart/...; boundary=..." content type (quoted or
// not); false for any other type, or a boundary that does not fit.
bool MultipartBoundary(const char *contentType, char *boundary, int capacity);

class PartSplitter {
public:
    // `boundary` is copied; at most 70 characters, as MIME allows.
    PartSplitter(const char *boundary, unsigned char *buffer, unsigned long capacity);

    // Where the next bytes go, and how many fit; then Added() with the count.
    unsigned char *Room() { return buffer_ + used_; }
    unsigned long RoomSize() const { return capacity_ - used_; }
    void Added(unsigned long count);

    // The next whole part that has arrived, its headers left out; valid
    // until the next call. False when none is whole yet.
    bool NextPart(const unsigned char **body, unsigned long *length);
    // The part that has begun but not ended yet, as far as it has come
    // (its headers whole); valid until the next call. A part whose content
    // ends itself (an IPP message does) may be taken before its delimiter:
    // TakeOpenPart() then keeps NextPart() from handing it on again.
    bool OpenPart(const unsigned char **body, unsigned long *length);
    void TakeOpenPart() { openTaken_ = true; }
    // The closing delimiter has come: no part follows.
    bool Ended() const { return ended_; }

private:
    PartSplitter(const PartSplitter &);
    PartSplitter &operator=(const PartSplitter &);

    // Where `text` starts at or after `from`, or used_ when it does not.
    unsigned long Find(unsigned long from, const char *text, unsigned long length) const;
    // Where the body of the part whose delimiter starts the buffer begins;
    // false while its headers have not all come.
    bool BodyStart(unsigned long end, unsigned long *start) const;
    void Drop(unsigned long count);

    char delimiter_[80];  // CR LF "--" boundary
    unsigned long delimiterLength_;
    unsigned char *buffer_;
    unsigned long capacity_;
    unsigned long used_;
    unsigned long consumed_;  // bytes of the part handed out last, dropped on the next call
    bool ended_;
    bool openTaken_;
};

#endif
