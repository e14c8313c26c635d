// Bounded formatting and decimal parsing.
#include "app/text.h"

#include <stdarg.h>

bool FormatBounded(char *out, int capacity, const char *format, ...)
{
    // wsprintfA never writes more than 1024 characters but knows nothing of
    // the destination, so format into a scratch buffer of that size first.
    char scratch[1025];
    va_list args;
    va_start(args, format);
    int length = wvsprintfA(scratch, format, args);
    va_end(args);

    if (capacity <= 0)
        return false;
    if (length < 0 || length >= capacity || length >= 1023) {
        out[0] = '\0';
        return false;
    }
    lstrcpynA(out, scratch, capacity);
    return true;
}

LONG ParseDecimal(const char *text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        text++;

    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = (*text++ == '-');

    DWORD value = 0;  // unsigned, so overflow wraps instead of being undefined
    while (*text >= '0' && *text <= '9')
        value = value * 10 + (DWORD)(*text++ - '0');

    return (LONG)(negative ? 0u - value : value);
}

namespace {

bool IsDelimiter(const char *delimiters, char c)
{
    for (; *delimiters; ++delimiters) {
        if (*delimiters == c)
            return true;
    }
    return false;
}

}  // namespace

char *NextToken(char *&cursor, const char *delimiters)
{
    char *start = cursor;
    while (*start && IsDelimiter(delimiters, *start))
        ++start;
    if (!*start) {
        cursor = start;
        return NULL;
    }
    char *end = start;
    while (*end && !IsDelimiter(delimiters, *end))
        ++end;
    if (*end)
        *end++ = '\0';
    cursor = end;
    return start;
}
