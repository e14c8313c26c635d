// Small helpers shared by the tests: message pumping, private registry keys.
#ifndef DADAVIZI_TESTING_H
#define DADAVIZI_TESTING_H

#include <windows.h>

#include <string>

// Dispatches this thread's messages for about `milliseconds`.
void PumpMessages(DWORD milliseconds);

// Pumps messages until `done` is true or `milliseconds` pass; returns done().
template <typename Done>
bool PumpUntil(Done done, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds)
            return false;
        PumpMessages(10);
    }
    return true;
}

// True while `icon` names a live icon (destroyed handles fail).
bool IconIsLive(HICON icon);

// The colour pixels of an icon as 32-bit rows ("" for none): two icons
// drawn from the same resource at the same size compare equal.
std::string IconPixels(HICON icon);
// The pixels of icon resource `id` of the test executable at the tray's size.
std::string ResourceIconPixels(int id);

// Registry keys under HKEY_LOCAL_MACHINE, for test set-up.
bool DeleteKeyTree(HKEY root, const char *path);
void SetRegString(const char *path, const char *name, const std::string &value);
void SetRegBytes(const char *path, const char *name, DWORD type, const void *data, DWORD size);
void SetRegDword(const char *path, const char *name, DWORD value);
bool KeyExists(const char *path);
// Gives the existing key a DACL that lets everyone read it, change its
// permissions and delete it, but not set values or create sub-keys (as
// HKLM is for a standard user); `writable` restores full access. False
// when the DACL could not be set.
bool SetKeyWritable(const char *path, bool writable);
// The value as raw bytes; false when it cannot be read.
bool GetRegValue(const char *path, const char *name, std::string *data, DWORD *type = nullptr);

// Writes a text file (a profile, say) at a Windows path.
void WriteTextFile(const std::string &path, const std::string &text);

// The directory of the running test executable, without a trailing backslash.
std::string ModuleDirectory();

#endif
