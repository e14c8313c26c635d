// The tools' one way to write: see console.h.
#include "tools/common/console.h"

namespace {

bool g_mayAttach = false;
HANDLE g_parentConsole = INVALID_HANDLE_VALUE;

bool IsOpen(HANDLE handle)
{
    return handle != NULL && handle != INVALID_HANDLE_VALUE;
}

// The console of the process that started this one, once: a command prompt
// that ran the program without redirecting its output.
HANDLE ParentConsole()
{
    static bool tried = false;
    if (tried || !g_mayAttach)
        return g_parentConsole;
    tried = true;
    // Looked up, not imported: Windows 2000 has no AttachConsole.
    typedef BOOL(WINAPI * AttachConsoleProc)(DWORD);
    AttachConsoleProc attach = reinterpret_cast<AttachConsoleProc>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "AttachConsole")));
    // ERROR_ACCESS_DENIED: the process has a console already, which will do.
    if (attach && (attach(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED))
        g_parentConsole =
            CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        NULL, OPEN_EXISTING, 0, NULL);
    return g_parentConsole;
}

}  // namespace

void ConsoleUseParent(bool allowed)
{
    g_mayAttach = allowed;
}

// A GUI program may be handed a standard handle value that is not open in
// it (its parent's, not inherited); such a handle has no file type.
HANDLE ConsoleHandle(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    if (IsOpen(handle)) {
        SetLastError(NO_ERROR);
        if (GetFileType(handle) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR)
            return handle;
    }
    return ParentConsole();
}

void ConsoleWrite(HANDLE handle, const char *text)
{
    DWORD written;
    if (IsOpen(handle))
        WriteFile(handle, text, (DWORD)lstrlenA(text), &written, NULL);
}

void ConsoleSay(const char *program, const char *text, const char *detail)
{
    HANDLE handle = ConsoleHandle(STD_ERROR_HANDLE);
    if (!IsOpen(handle))
        return;
    // Put together piece by piece: wsprintfA stops at 1024 characters,
    // which would cut the line end off the longest lines.
    char line[40 + 2 + 1000 + 200 + 3];
    int used = 0;
    const char *const pieces[] = {program, ": ", text, detail ? detail : "", "\r\n"};
    const int limits[] = {40, 2, 1000, 200, 2};
    for (int index = 0; index < 5; ++index) {
        lstrcpynA(line + used, pieces[index], limits[index] + 1);
        used += lstrlenA(line + used);
    }
    ConsoleWrite(handle, line);
}

void ConsoleWriteLines(HANDLE handle, const char *text, int length)
{
    DWORD written = 0;
    int start = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] != '\n')
            continue;
        WriteFile(handle, text + start, (DWORD)(i - start), &written, NULL);
        WriteFile(handle, "\r\n", 2, &written, NULL);
        start = i + 1;
    }
    if (start < length)
        WriteFile(handle, text + start, (DWORD)(length - start), &written, NULL);
}

void ConsolePrintArgs(HANDLE handle, const char *format, va_list args)
{
    // wvsprintfA writes at most 1024 characters and the terminator; when it
    // cuts a line short, the text may end before its count, so measure it.
    char line[1025];
    if (wvsprintfA(line, format, args) > 0)
        ConsoleWriteLines(handle, line, lstrlenA(line));
}

bool AsksForUsage(const char *argument)
{
    return lstrcmpA(argument, "--help") == 0 || lstrcmpA(argument, "-h") == 0 ||
           lstrcmpA(argument, "/?") == 0;
}

void ConsolePrint(HANDLE handle, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    ConsolePrintArgs(handle, format, args);
    va_end(args);
}
