// Opens one registry key and reads its values, of any type, into a buffer.
#ifndef DADAVIZI_REG_KEY_READER_H
#define DADAVIZI_REG_KEY_READER_H

#include "registry/global_buffer.h"

class RegKeyReader {
public:
    // A null path names no key: the reader then stays closed.
    RegKeyReader(HKEY root, const char *path);
    ~RegKeyReader();

    bool Open(HKEY root, const char *path);
    void Close();

    // The value's bytes, followed by a terminating zero that is not counted
    // in `length`, so text values can be used as strings whatever was stored.
    // NULL when the value is missing or empty. Valid until the next read.
    const char *ReadValue(const char *name);

    HKEY key;            // the open key, or NULL
    LONG state;          // result of the last open; ERROR_FILE_NOT_FOUND when closed
    GlobalBuffer value;  // the last value read, and its terminator
    DWORD length;        // bytes of the last value read

private:
    RegKeyReader(const RegKeyReader &) = delete;
    RegKeyReader &operator=(const RegKeyReader &) = delete;
};

#endif
