// Printer URIs and the addresses in them: the rules the source applies to
// what it is given and what WinHTTP is then told. No Win32 here: text from
// the profile, the spooler and the command line is parsed the same
// anywhere, and the rules build for the fuzzer. Host and path are wide
// (WinHTTP's WCHAR is wchar_t).
#ifndef DADAVIZI_IPP_URI_H
#define DADAVIZI_IPP_URI_H

#include <wchar.h>

const int URI_SIZE = 1024;

// A printer URI taken apart: ipp://, ipps://, http:// or https://, with a
// host name, IPv4 address or bracketed IPv6 address.
struct PrinterUri {
    char uri[URI_SIZE];      // as given, for the printer-uri attribute (ipp/ipps scheme)
    wchar_t host[256];       // an IPv6 address in its brackets
    unsigned short port;     // 631 when the URI names none (80/443 for http/https)
    wchar_t path[URI_SIZE];  // "/" at least
    bool secure;
};

// False when `text` is not such a URI (or does not fit). An IPv6 address
// with a zone ("%25eth0") is refused: no zone is passed on to WinHTTP.
bool ParsePrinterUri(const char *text, PrinterUri *uri);

// ASCII into wide characters; false when it does not fit.
bool WidenAscii(const char *text, int length, wchar_t *out, int capacity);

// Whether a printer at `host` (as in PrinterUri) is asked without a proxy:
// a system-wide WinHTTP proxy is meant for the internet, not for printers
// on the LAN, so loopback, RFC 1918, 169.254/16, fc00::/7, fe80::/10,
// dotless names and *.local go direct. A proxy given with --proxy
// (`proxyGiven`) is skipped only for loopback and dotless names.
bool GoesDirect(const wchar_t *host, bool proxyGiven);

#endif
