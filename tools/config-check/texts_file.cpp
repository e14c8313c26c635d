// The texts file's encoding, from its first bytes.
#include "tools/config-check/texts_file.h"

namespace {

// The length of the UTF-8 sequence at `data`, or 0 when the bytes there
// are not one (a byte of the ANSI code page above 127, say).
DWORD Utf8SequenceAt(const BYTE *data, DWORD left)
{
    BYTE lead = data[0];
    DWORD length = lead >= 0xC2 && lead <= 0xDF ? 2
                 : lead >= 0xE0 && lead <= 0xEF ? 3
                 : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                : 0;
    if (!length || length > left)
        return 0;
    for (DWORD i = 1; i < length; ++i)
        if ((data[i] & 0xC0) != 0x80)
            return 0;
    return length;
}

}  // namespace

TextsEncoding ClassifyTexts(const BYTE *data, DWORD size)
{
    if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF)))
        return TEXTS_UTF16;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
        return TEXTS_UTF8_BOM;
    bool sequences = false;
    for (DWORD i = 0; i < size;) {
        if (data[i] < 0x80) {
            ++i;
            continue;
        }
        DWORD length = Utf8SequenceAt(data + i, size - i);
        // A sequence cut by the end of what was read still counts as one.
        if (!length && size - i < 4 && size == 65536)
            break;
        if (!length)
            return TEXTS_ANSI;
        sequences = true;
        i += length;
    }
    return sequences ? TEXTS_UTF8 : TEXTS_ANSI;
}

TextsEncoding ReadTextsEncoding(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return TEXTS_ANSI;
    static BYTE data[65536];
    DWORD size = 0;
    if (!ReadFile(file, data, sizeof data, &size, NULL))
        size = 0;
    CloseHandle(file);
    return ClassifyTexts(data, size);
}
