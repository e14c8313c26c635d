// RegKeyReader: size, read, terminate.
#include "registry/reg_key_reader.h"

RegKeyReader::RegKeyReader(HKEY root, const char *path)
    : key(NULL), state(ERROR_FILE_NOT_FOUND), length(0)
{
    Open(root, path);
}

RegKeyReader::~RegKeyReader()
{
    Close();
}

void RegKeyReader::Close()
{
    if (key) {
        RegCloseKey(key);
        key = NULL;
    }
    state = ERROR_FILE_NOT_FOUND;
}

bool RegKeyReader::Open(HKEY root, const char *path)
{
    Close();
    // RegOpenKeyExA would open the root itself for a null path.
    if (!path)
        return false;
    HKEY opened = NULL;
    state = RegOpenKeyExA(root, path, 0, KEY_READ, &opened);
    if (state == ERROR_SUCCESS)
        key = opened;
    return state == ERROR_SUCCESS;
}

const char *RegKeyReader::ReadValue(const char *name)
{
    if (!key || state == ERROR_FILE_NOT_FOUND)
        return NULL;

    DWORD type;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, NULL, &type, NULL, &size) != ERROR_SUCCESS)
        return NULL;

    // Empty data has nothing to return; one byte more than the value holds
    // the terminator that stored strings may lack.
    if (size == 0 || size == 0xFFFFFFFF) {
        value.Resize(0);
        return NULL;
    }
    if (value.Resize(size + 1) == 0)
        return NULL;

    DWORD read = size;
    if (RegQueryValueExA(key, name, NULL, &type, value.data, &read) != ERROR_SUCCESS || read > size)
        return NULL;
    value.data[read] = '\0';
    length = read;
    return reinterpret_cast<const char *>(value.data);
}
