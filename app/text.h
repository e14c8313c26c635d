// Bounded text helpers shared by the registry and help code.
#ifndef DADAVIZI_TEXT_H
#define DADAVIZI_TEXT_H

#include <windows.h>

// Formats like wsprintfA, but only into `capacity` bytes. When the result
// does not fit, `out` is left empty and the call returns false.
bool FormatBounded(char *out, int capacity, const char *format, ...);

// The C library's decimal conversion, with the wrap-around of a 32-bit
// register: leading white space, an optional sign, then digits up to the
// first non-digit; 0 when there are none.
LONG ParseDecimal(const char *text);

// Like strtok, on a cursor of the caller's: skips leading delimiters, ends
// the token at the next delimiter (overwritten with a terminator) and leaves
// the cursor after it. NULL when only delimiters remain.
char *NextToken(char *&cursor, const char *delimiters);

#endif
