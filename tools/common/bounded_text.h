// Copying text into a buffer of fixed size, for the tools. Header-only and
// free of Win32: the IPP source's parsers that face the network use it, and
// they build anywhere, their fuzzers too.
#ifndef DADAVIZI_TOOLS_BOUNDED_TEXT_H
#define DADAVIZI_TOOLS_BOUNDED_TEXT_H

#include <stddef.h>
#include <string.h>

// The `length` characters at `text`, and a terminator, when they fit
// `capacity`; false, and `out` untouched, when they do not.
inline bool CopyWhole(char *out, size_t capacity, const char *text, size_t length)
{
    if (length >= capacity)
        return false;
    memcpy(out, text, length);
    out[length] = '\0';
    return true;
}

// As much of the `length` characters at `text` as fits `capacity` with a
// terminator, ending early at a NUL among them; the count copied. Nothing
// at all for a capacity of 0.
inline size_t CopyCut(char *out, size_t capacity, const char *text, size_t length)
{
    if (capacity == 0)
        return 0;
    if (length > capacity - 1)
        length = capacity - 1;
    const void *nul = memchr(text, '\0', length);
    if (nul)
        length = (size_t)(static_cast<const char *>(nul) - text);
    memcpy(out, text, length);
    out[length] = '\0';
    return length;
}

// The same, for a terminated `text`.
inline size_t CopyCut(char *out, size_t capacity, const char *text)
{
    return CopyCut(out, capacity, text, strlen(text));
}

#endif
