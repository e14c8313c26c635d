// How a maker's short texts file (DOZIDnnn.INI) is saved. Windows reads a
// profile file in the ANSI code page unless it begins with a UTF-16
// byte-order mark; a file saved as UTF-8, with or without its mark, shows
// every letter outside ASCII wrongly in the popup.
#ifndef DADAVIZI_TEXTS_FILE_H
#define DADAVIZI_TEXTS_FILE_H

#include <windows.h>

enum TextsEncoding {
    TEXTS_ANSI,      // no mark, and no UTF-8 sequence: the ANSI code page
    TEXTS_UTF16,     // a UTF-16 byte-order mark, either byte order
    TEXTS_UTF8_BOM,  // the UTF-8 byte-order mark
    TEXTS_UTF8,      // no mark, but UTF-8 sequences and nothing else above ASCII
};

// The encoding of `size` bytes from the start of the file.
TextsEncoding ClassifyTexts(const BYTE *data, DWORD size);

// The encoding of the file at `path`, from its first 64 KB; TEXTS_ANSI when
// it cannot be read.
TextsEncoding ReadTextsEncoding(const char *path);

#endif
