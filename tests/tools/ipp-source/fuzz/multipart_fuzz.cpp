// libFuzzer target: the multipart reader of Event Wait Mode. The input's
// first line is the answer's content type, the rest its body, handed over
// in pieces whose sizes the input's first bytes choose, as the network
// would cut them.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "tools/ipp-source/multipart.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const uint8_t *line = static_cast<const uint8_t *>(memchr(data, '\n', size));
    size_t typeLength = line ? (size_t)(line - data) : size;
    // The content type as WinHTTP gives it: a text of its own, ended here.
    char *type = static_cast<char *>(malloc(typeLength + 1));
    memcpy(type, data, typeLength);
    type[typeLength] = '\0';
    char boundary[80];
    bool found = MultipartBoundary(type, boundary, sizeof boundary);
    free(type);
    if (!found)
        strcpy(boundary, "PART");
    if (strlen(boundary) > 70)
        abort();

    const uint8_t *body = line ? line + 1 : data + size;
    size_t left = (size_t)(data + size - body);
    unsigned char buffer[2048];
    PartSplitter splitter(boundary, buffer, sizeof buffer);
    unsigned cut = size ? data[0] : 1;
    for (int rounds = 0; rounds < 10000; ++rounds) {
        const unsigned char *part;
        unsigned long length;
        while (splitter.NextPart(&part, &length))
            if (part < buffer || part + length > buffer + sizeof buffer)
                abort();
        if (splitter.Ended())
            break;
        if (splitter.OpenPart(&part, &length)) {
            if (part < buffer || part + length > buffer + sizeof buffer)
                abort();
            if (length > 8 && (part[0] & 1))
                splitter.TakeOpenPart();
        }
        if (splitter.RoomSize() == 0 || left == 0)
            break;
        size_t piece = 1 + (cut = cut * 33 + 7) % 97;
        if (piece > left)
            piece = left;
        if (piece > splitter.RoomSize())
            piece = splitter.RoomSize();
        memcpy(splitter.Room(), body, piece);
        splitter.Added((unsigned long)piece);
        body += piece;
        left -= piece;
    }
    return 0;
}
