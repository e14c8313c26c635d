// RegValueEnumerator: value names one at a time, in a buffer sized at open.
#include "registry/reg_value_enumerator.h"

RegValueEnumerator::RegValueEnumerator(HKEY root, const char *path)
    : valueCount(0), index(0), key(NULL), state(ERROR_FILE_NOT_FOUND)
{
    Open(root, path);
}

RegValueEnumerator::~RegValueEnumerator()
{
    Close();
}

void RegValueEnumerator::Close()
{
    if (key) {
        RegCloseKey(key);
        key = NULL;
    }
    state = ERROR_FILE_NOT_FOUND;
    index = 0;
    valueCount = 0;
}

bool RegValueEnumerator::Open(HKEY root, const char *path)
{
    Close();
    if (!path)
        return false;
    HKEY opened = NULL;
    state = RegOpenKeyExA(root, path, 0, KEY_READ, &opened);
    if (state != ERROR_SUCCESS)
        return false;
    key = opened;

    DWORD longest = 0;
    LONG query = RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &valueCount, &longest,
                                  NULL, NULL, NULL);
    if (query != ERROR_SUCCESS) {
        // Without the sizes there is no name buffer: end the walk before it starts.
        state = query;
        return false;
    }

    // The longest name is counted in UTF-16 units, and one unit can take
    // several bytes in the ANSI code page (two on double-byte pages).
    CPINFO codePage;
    DWORD bytesPerUnit = 2;
    if (GetCPInfo(CP_ACP, &codePage) && codePage.MaxCharSize > 0)
        bytesPerUnit = codePage.MaxCharSize;
    name.Resize(NameCapacity(longest, bytesPerUnit));

    index = -1;
    return Next();
}

DWORD RegValueEnumerator::NameCapacity(DWORD longestUnits, DWORD bytesPerUnit)
{
    // The ANSI call takes the capacity as a SHORT: a larger one overflows and
    // fails every step, short names included. Compared before multiplying,
    // so that no product wraps around.
    if (longestUnits >= NAME_CAPACITY_LIMIT / bytesPerUnit)
        return NAME_CAPACITY_LIMIT;
    return longestUnits * bytesPerUnit + 1;
}

bool RegValueEnumerator::Next()
{
    do {
        ++index;
        DWORD capacity = name.size;
        state = RegEnumValueA(key, (DWORD)index, reinterpret_cast<char *>(name.data), &capacity,
                              NULL, NULL, NULL, NULL);
        // A name too long for the largest capacity the call takes is passed
        // over; a name added since the key was opened still ends the walk.
    } while (state == ERROR_MORE_DATA && name.size == NAME_CAPACITY_LIMIT);
    return state == ERROR_SUCCESS;
}
