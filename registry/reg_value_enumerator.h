// Opens one registry key and walks the names of its values.
#ifndef DADAVIZI_REG_VALUE_ENUMERATOR_H
#define DADAVIZI_REG_VALUE_ENUMERATOR_H

#include "registry/global_buffer.h"

// Callers loop while `state` is ERROR_SUCCESS, using `name.data`, and step
// with Next().
class RegValueEnumerator {
public:
    // A null path names no key: the enumerator then stays closed.
    RegValueEnumerator(HKEY root, const char *path);
    ~RegValueEnumerator();

    // RegEnumValueA takes at most 32,767 bytes of name buffer.
    static constexpr DWORD NAME_CAPACITY_LIMIT = 32767;
    // The name buffer for a key whose longest name has `longestUnits` UTF-16
    // units, each taking up to `bytesPerUnit` ANSI bytes: with room for the
    // terminator, and never above the limit.
    static DWORD NameCapacity(DWORD longestUnits, DWORD bytesPerUnit);

    bool Open(HKEY root, const char *path);
    bool Next();
    void Close();

    DWORD valueCount;   // values the key had when opened
    LONG index;         // the current value; -1 before the first
    HKEY key;           // the open key, or NULL
    LONG state;         // 0 on a value, ERROR_NO_MORE_ITEMS after the last, 2 closed
    GlobalBuffer name;  // the current value's name

private:
    RegValueEnumerator(const RegValueEnumerator &) = delete;
    RegValueEnumerator &operator=(const RegValueEnumerator &) = delete;
};

#endif
