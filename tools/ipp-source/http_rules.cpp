// The TLS versions WinHTTP is told to offer, as a plain function of the
// Windows version.
#include "tools/ipp-source/http.h"

#include <winhttp.h>

DWORD SecureProtocolsFor(DWORD major, DWORD minor)
{
    // Windows 7 and 8.0 (Server 2008 R2, 2012) offer only TLS 1.0 to a
    // program that names no versions, which printers that speak TLS 1.2
    // alone refuse; named here, they need no update. From 8.1 on the
    // system's default is right, and naming versions would hold back TLS
    // 1.3 where Windows has it. XP and Vista
    // have no TLS 1.2 at all; they may refuse the flags, which leaves their
    // default. An unknown version (0) keeps the default too.
    if (major == 0 || major > 6 || (major == 6 && minor >= 3))
        return 0;
    return WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
           WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
}
