// libFuzzer target: the printer URI and the address rules, over any text
// the command line, the profile or a spooler port may hold.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "tools/ipp-source/uri.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A text of exactly its own length and terminator: a compare that reads
    // on past it is caught.
    char *text = static_cast<char *>(malloc(size + 1));
    memcpy(text, data, size);
    text[size] = '\0';
    static PrinterUri uri;
    if (ParsePrinterUri(text, &uri)) {
        if (!memchr(uri.uri, '\0', sizeof uri.uri) || uri.port == 0 || uri.path[0] != L'/' ||
            (strncmp(uri.uri, "ipp://", 6) != 0 && strncmp(uri.uri, "ipps://", 7) != 0))
            abort();
        GoesDirect(uri.host, false);
        GoesDirect(uri.host, true);
    }
    // Any host at all, as the rules may be given one.
    static wchar_t host[300];
    if (WidenAscii(text, (int)strlen(text), host, 300)) {
        GoesDirect(host, false);
        GoesDirect(host, true);
    }
    free(text);
    return 0;
}
