// Splitting a multipart body as it arrives; see multipart.h.
#include "multipart.h"

#include <string.h>

bool MultipartBoundary(const char *contentType, char *boundary, int capacity)
{
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, contentType, 10, "multipart/", 10) !=
        CSTR_EQUAL)
        return false;
    const char *at = contentType;
    for (; *at; ++at)
        if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, at, 9, "boundary=", 9) ==
            CSTR_EQUAL)
            break;
    if (!*at)
        return false;
    at += 9;
    bool quoted = *at == '"';
    if (quoted)
        ++at;
    int length = 0;
    while (at[length] && (quoted ? at[length] != '"' : at[length] != ';' && at[length] != ' '))
        ++length;
    if (length == 0 || length > 70 || length >= capacity)
        return false;
    memcpy(boundary, at, (size_t)length);
    boundary[length] = '\0';
    return true;
}

PartSplitter::PartSplitter(const char *boundary, unsigned char *buffer, DWORD capacity)
    : buffer_(buffer), capacity_(capacity), used_(0), consumed_(0), ended_(false), openTaken_(false)
{
    lstrcpynA(delimiter_, "\r\n--", sizeof delimiter_);
    lstrcpynA(delimiter_ + 4, boundary, 71);
    delimiterLength_ = (DWORD)lstrlenA(delimiter_);
    // The body starts with the first delimiter, without the line end before
    // it: one is put in front, so that every delimiter looks the same.
    if (capacity_ >= 2) {
        buffer_[0] = '\r';
        buffer_[1] = '\n';
        used_ = 2;
    }
}

void PartSplitter::Added(DWORD count)
{
    used_ += count <= RoomSize() ? count : RoomSize();
}

DWORD PartSplitter::Find(DWORD from, const char *text, DWORD length) const
{
    for (DWORD at = from; at + length <= used_; ++at)
        if (memcmp(buffer_ + at, text, length) == 0)
            return at;
    return used_;
}

void PartSplitter::Drop(DWORD count)
{
    memmove(buffer_, buffer_ + count, used_ - count);
    used_ -= count;
}

bool PartSplitter::BodyStart(DWORD end, DWORD *start) const
{
    DWORD lineEnd = Find(delimiterLength_, "\r\n", 2);
    if (lineEnd + 2 > end)
        return false;
    DWORD at = lineEnd + 2;
    // The part's own headers end with an empty line; a part without any
    // starts with it.
    if (end - at >= 2 && buffer_[at] == '\r' && buffer_[at + 1] == '\n') {
        *start = at + 2;
        return true;
    }
    DWORD blank = Find(at, "\r\n\r\n", 4);
    if (blank + 4 > end)
        return false;
    *start = blank + 4;
    return true;
}

bool PartSplitter::NextPart(const unsigned char **body, DWORD *length)
{
    for (;;) {
        if (consumed_) {
            Drop(consumed_);
            consumed_ = 0;
        }
        if (ended_)
            return false;
        // Whatever comes before the first delimiter (a preamble) is dropped,
        // but for what may be the start of a delimiter.
        DWORD first = Find(0, delimiter_, delimiterLength_);
        if (first == used_) {
            if (used_ > delimiterLength_)
                Drop(used_ - delimiterLength_);
            return false;
        }
        Drop(first);
        // The delimiter line: "--" after it closes the body.
        if (used_ < delimiterLength_ + 2)
            return false;
        if (buffer_[delimiterLength_] == '-' && buffer_[delimiterLength_ + 1] == '-') {
            ended_ = true;
            used_ = 0;
            return false;
        }
        DWORD lineEnd = Find(delimiterLength_, "\r\n", 2);
        if (lineEnd == used_)
            return false;
        DWORD next = Find(lineEnd + 2, delimiter_, delimiterLength_);
        if (next == used_)
            return false;
        DWORD start;
        if (!BodyStart(next, &start))
            start = lineEnd + 2;  // no blank line: all of it is the body
        consumed_ = next;
        if (openTaken_) {
            openTaken_ = false;  // taken already, while it was open
            continue;
        }
        *body = buffer_ + start;
        *length = next - start;
        return true;
    }
}

bool PartSplitter::OpenPart(const unsigned char **body, DWORD *length)
{
    if (consumed_) {
        Drop(consumed_);
        consumed_ = 0;
    }
    DWORD start;
    if (ended_ || openTaken_ || used_ < delimiterLength_ + 2 ||
        memcmp(buffer_, delimiter_, delimiterLength_) != 0 ||
        (buffer_[delimiterLength_] == '-' && buffer_[delimiterLength_ + 1] == '-') ||
        !BodyStart(used_, &start))
        return false;
    *body = buffer_ + start;
    *length = used_ - start;
    return true;
}
