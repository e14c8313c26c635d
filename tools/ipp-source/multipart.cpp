// Splitting a multipart body as it arrives; see multipart.h.
#include "tools/ipp-source/multipart.h"

#include <string.h>

#include "tools/common/bounded_text.h"
#include "tools/ipp-source/ascii.h"

bool MultipartBoundary(const char *contentType, char *boundary, int capacity)
{
    if (!AsciiStartsWith(contentType, "multipart/"))
        return false;
    const char *at = contentType;
    for (; *at; ++at)
        if (AsciiStartsWith(at, "boundary="))
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
    if (length == 0 || length > 70 || capacity <= 0)
        return false;
    return CopyWhole(boundary, (size_t)capacity, at, (size_t)length);
}

PartSplitter::PartSplitter(const char *boundary, unsigned char *buffer, unsigned long capacity)
    : buffer_(buffer), capacity_(capacity), used_(0), consumed_(0), ended_(false), openTaken_(false)
{
    // CR LF "--" and at most 70 characters of the boundary.
    memcpy(delimiter_, "\r\n--", 4);
    size_t length = 0;
    while (length < 70 && boundary[length])
        ++length;
    memcpy(delimiter_ + 4, boundary, length);
    delimiter_[4 + length] = '\0';
    delimiterLength_ = (unsigned long)(4 + length);
    // The body starts with the first delimiter, without the line end before
    // it: one is put in front, so that every delimiter looks the same.
    if (capacity_ >= 2) {
        buffer_[0] = '\r';
        buffer_[1] = '\n';
        used_ = 2;
    }
}

void PartSplitter::Added(unsigned long count)
{
    used_ += count <= RoomSize() ? count : RoomSize();
}

unsigned long PartSplitter::Find(unsigned long from, const char *text, unsigned long length) const
{
    for (unsigned long at = from; at + length <= used_; ++at)
        if (memcmp(buffer_ + at, text, length) == 0)
            return at;
    return used_;
}

void PartSplitter::Drop(unsigned long count)
{
    memmove(buffer_, buffer_ + count, used_ - count);
    used_ -= count;
}

bool PartSplitter::BodyStart(unsigned long end, unsigned long *start) const
{
    unsigned long lineEnd = Find(delimiterLength_, "\r\n", 2);
    if (lineEnd + 2 > end)
        return false;
    unsigned long at = lineEnd + 2;
    // The part's own headers end with an empty line; a part without any
    // starts with it.
    if (end - at >= 2 && buffer_[at] == '\r' && buffer_[at + 1] == '\n') {
        *start = at + 2;
        return true;
    }
    unsigned long blank = Find(at, "\r\n\r\n", 4);
    if (blank + 4 > end)
        return false;
    *start = blank + 4;
    return true;
}

bool PartSplitter::NextPart(const unsigned char **body, unsigned long *length)
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
        unsigned long first = Find(0, delimiter_, delimiterLength_);
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
        unsigned long lineEnd = Find(delimiterLength_, "\r\n", 2);
        if (lineEnd == used_)
            return false;
        unsigned long next = Find(lineEnd + 2, delimiter_, delimiterLength_);
        if (next == used_)
            return false;
        unsigned long start;
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

bool PartSplitter::OpenPart(const unsigned char **body, unsigned long *length)
{
    if (consumed_) {
        Drop(consumed_);
        consumed_ = 0;
    }
    unsigned long start;
    if (ended_ || openTaken_ || used_ < delimiterLength_ + 2 ||
        memcmp(buffer_, delimiter_, delimiterLength_) != 0 ||
        (buffer_[delimiterLength_] == '-' && buffer_[delimiterLength_ + 1] == '-') ||
        !BodyStart(used_, &start))
        return false;
    *body = buffer_ + start;
    *length = used_ - start;
    return true;
}
