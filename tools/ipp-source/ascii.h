// Protocol tokens (URI schemes, media types, their parameter names) are
// ASCII and compare without regard to case, as their RFCs define them:
// never through the system's locale (under a Turkish one "IPP://" would not
// be "ipp://"), and never past either text's terminator. No Win32 here:
// the parsers that face the network build anywhere, the fuzzers' too.
#ifndef DADAVIZI_IPP_ASCII_H
#define DADAVIZI_IPP_ASCII_H

#include <stddef.h>

template <typename Char> inline Char AsciiLower(Char c)
{
    return c >= 'A' && c <= 'Z' ? (Char)(c - 'A' + 'a') : c;
}

// Whether `text` begins with `prefix`, ASCII letters in either case. A
// text shorter than the prefix ends at its terminator, which no letter of
// the prefix matches.
template <typename Char> bool AsciiStartsWith(const Char *text, const Char *prefix)
{
    for (; *prefix; ++text, ++prefix)
        if (AsciiLower(*text) != AsciiLower(*prefix))
            return false;
    return true;
}

// Whether the `length` characters of `text` end with `suffix`, likewise.
template <typename Char> bool AsciiEndsWith(const Char *text, size_t length, const Char *suffix)
{
    size_t suffixLength = 0;
    while (suffix[suffixLength])
        ++suffixLength;
    return length >= suffixLength && AsciiStartsWith(text + length - suffixLength, suffix);
}

#endif
