// Printer URIs and the address rules; see uri.h.
#include "tools/ipp-source/uri.h"

#include <string.h>

#include "tools/ipp-source/ascii.h"

namespace {

int HexDigit(wchar_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A dotted-quad IPv4 address from `text` to `end`; false for anything else,
// names included.
bool ParseIpv4(const wchar_t *text, const wchar_t *end, unsigned char address[4])
{
    const wchar_t *c = text;
    for (int part = 0;; ++c) {
        unsigned value = 0;
        const wchar_t *digits = c;
        while (c < end && *c >= '0' && *c <= '9' && c - digits < 3)
            value = value * 10 + (unsigned)(*c++ - '0');
        if (c == digits || value > 255)
            return false;
        address[part++] = (unsigned char)value;
        if (part == 4)
            return c == end;
        if (c == end || *c != '.')
            return false;
    }
}

// An IPv6 address (no brackets, no zone) into its eight 16-bit words.
bool ParseIpv6(const wchar_t *text, const wchar_t *end, unsigned short words[8])
{
    unsigned short found[8];
    int count = 0;
    int gapAt = -1;  // where "::" stands for one or more zero words
    const wchar_t *c = text;
    if (end - c >= 2 && c[0] == ':' && c[1] == ':') {
        gapAt = 0;
        c += 2;
    }
    while (c < end) {
        const wchar_t *field = c;
        unsigned value = 0;
        while (c < end && HexDigit(*c) >= 0 && c - field < 4)
            value = value * 16 + (unsigned)HexDigit(*c++);
        if (c < end && *c == '.') {
            // The last 32 bits written as an IPv4 address.
            unsigned char v4[4];
            if (count > 6 || !ParseIpv4(field, end, v4))
                return false;
            found[count++] = (unsigned short)(v4[0] << 8 | v4[1]);
            found[count++] = (unsigned short)(v4[2] << 8 | v4[3]);
            break;
        }
        if (c == field || count == 8)
            return false;
        found[count++] = (unsigned short)value;
        if (c == end)
            break;
        if (*c++ != ':' || c == end)
            return false;
        if (*c == ':') {
            if (gapAt >= 0)
                return false;
            gapAt = count;
            ++c;
        }
    }
    if (gapAt < 0 ? count != 8 : count > 7)
        return false;
    int zeros = 8 - count;
    for (int index = 0, from = 0; index < 8; ++index)
        words[index] = gapAt >= 0 && index >= gapAt && index < gapAt + zeros ? 0 : found[from++];
    return true;
}

}  // namespace

bool GoesDirect(const wchar_t *host, bool proxyGiven)
{
    int length = (int)wcslen(host);
    bool loopback, local;
    unsigned short v6[8];
    unsigned char v4[4];
    if (length > 2 && host[0] == '[' && host[length - 1] == ']') {
        if (!ParseIpv6(host + 1, host + length - 1, v6))
            return false;
        bool mapped = !v6[0] && !v6[1] && !v6[2] && !v6[3] && !v6[4] && v6[5] == 0xffff;
        loopback = !v6[0] && !v6[1] && !v6[2] && !v6[3] && !v6[4] && !v6[5] && !v6[6] &&
                   v6[7] == 1;
        // fc00::/7 unique local, fe80::/10 link-local.
        local = (v6[0] & 0xfe00) == 0xfc00 || (v6[0] & 0xffc0) == 0xfe80;
        if (!mapped)
            return loopback || (!proxyGiven && local);
        // An IPv4 address written as IPv6 follows the IPv4 rule.
        v4[0] = (unsigned char)(v6[6] >> 8);
        v4[1] = (unsigned char)v6[6];
        v4[2] = (unsigned char)(v6[7] >> 8);
        v4[3] = (unsigned char)v6[7];
    } else if (!ParseIpv4(host, host + length, v4)) {
        // A name; one trailing dot (the root) changes nothing.
        if (length > 0 && host[length - 1] == '.')
            --length;
        bool dotless = true;
        for (int index = 0; index < length; ++index)
            if (host[index] == '.')
                dotless = false;
        loopback = length == 9 && AsciiEndsWith(host, (size_t)length, L"localhost");
        // The proxy named with --proxy still leaves dotless names alone
        // ("<local>" in its bypass list).
        if (loopback || dotless)
            return length > 0;
        return !proxyGiven && AsciiEndsWith(host, (size_t)length, L".local");
    }
    // 127/8 loopback; 10/8, 172.16/12, 192.168/16 private (RFC 1918);
    // 169.254/16 link-local.
    loopback = v4[0] == 127;
    local = v4[0] == 10 || (v4[0] == 172 && (v4[1] & 0xf0) == 16) ||
            (v4[0] == 192 && v4[1] == 168) || (v4[0] == 169 && v4[1] == 254);
    return loopback || (!proxyGiven && local);
}

bool WidenAscii(const char *text, int length, wchar_t *out, int capacity)
{
    if (length < 0 || length >= capacity)
        return false;
    for (int index = 0; index < length; ++index)
        out[index] = (wchar_t)(unsigned char)text[index];
    out[length] = 0;
    return true;
}

bool ParsePrinterUri(const char *text, PrinterUri *uri)
{
    memset(uri, 0, sizeof *uri);
    static const struct {
        const char *scheme;
        bool secure;
        unsigned short port;
        const char *ippScheme;
    } schemes[] = {
        {"ipps://", true, 631, "ipps://"},
        {"ipp://", false, 631, "ipp://"},
        {"https://", true, 443, "ipps://"},
        {"http://", false, 80, "ipp://"},
    };
    const char *rest = NULL;
    const char *ippScheme = NULL;
    for (const auto &scheme : schemes) {
        if (AsciiStartsWith(text, scheme.scheme)) {
            rest = text + (int)strlen(scheme.scheme);
            uri->secure = scheme.secure;
            uri->port = scheme.port;
            ippScheme = scheme.ippScheme;
            break;
        }
    }
    if (!rest)
        return false;

    // Host: a bracketed IPv6 address, or up to ':' or '/'.
    const char *host = rest;
    const char *hostEnd;
    const char *after;
    if (*rest == '[') {
        // Kept in its brackets: WinHTTP then writes a valid Host header.
        hostEnd = rest + 1;
        while (*hostEnd && *hostEnd != ']')
            ++hostEnd;
        if (*hostEnd != ']' || hostEnd == rest + 1)
            return false;
        after = ++hostEnd;
    } else {
        hostEnd = rest;
        while (*hostEnd && *hostEnd != ':' && *hostEnd != '/' && *hostEnd != '?' &&
               *hostEnd != '#')
            ++hostEnd;
        after = hostEnd;
    }
    if (hostEnd == host || !WidenAscii(host, (int)(hostEnd - host), uri->host, 256))
        return false;
    for (const wchar_t *c = uri->host; *c; ++c)
        if (*c <= ' ' || *c > '~' || *c == '@')
            return false;
    if (*host == '[')
        for (const wchar_t *c = uri->host + 1; c[1]; ++c)
            if (!(*c == ':' || *c == '.' || (*c >= '0' && *c <= '9') ||
                  (*c >= 'a' && *c <= 'f') || (*c >= 'A' && *c <= 'F')))
                return false;

    if (*after == ':') {
        unsigned long port = 0;
        const char *digit = after + 1;
        for (; *digit >= '0' && *digit <= '9'; ++digit) {
            port = port * 10 + (unsigned long)(*digit - '0');
            if (port > 65535)
                return false;
        }
        if (digit == after + 1 || port == 0)
            return false;
        uri->port = (unsigned short)port;
        after = digit;
    }
    if (*after && *after != '/')
        return false;
    const char *path = *after ? after : "/";
    if (!WidenAscii(path, (int)strlen(path), uri->path, URI_SIZE))
        return false;
    for (const wchar_t *c = uri->path; *c; ++c)
        if (*c <= ' ' || *c > '~')
            return false;

    // The printer-uri attribute always names the IPP scheme.
    int schemeLength = (int)strlen(ippScheme);
    int restLength = (int)strlen(rest);
    if (schemeLength + restLength >= URI_SIZE)
        return false;
    memcpy(uri->uri, ippScheme, (size_t)schemeLength);
    memcpy(uri->uri + schemeLength, rest, (size_t)restLength + 1);
    return true;
}

