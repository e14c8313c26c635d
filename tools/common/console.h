// How the tools write what they say: standard output and standard error,
// every line bounded, and for a GUI program started from a command prompt
// the console of that prompt once the program allows it.
#ifndef DADAVIZI_TOOLS_CONSOLE_H
#define DADAVIZI_TOOLS_CONSOLE_H

#include <windows.h>

#include <stdarg.h>

// Allows (or no longer allows) writing to the console of the parent
// process where a standard handle is missing. Off unless a program asks:
// a GUI program that attaches to its parent's console ends with it, which
// the closer (run by an installer) and a resident source must not.
void ConsoleUseParent(bool allowed);

// The standard handle `which` (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE), else
// the parent's console once allowed, else INVALID_HANDLE_VALUE.
HANDLE ConsoleHandle(DWORD which);

// Writes `text` as it is; nothing when `handle` is not open.
void ConsoleWrite(HANDLE handle, const char *text);

// Writes "PROGRAM: TEXTDETAIL" and CR LF to standard error (or the parent's
// console). TEXT is cut at 1000 characters and DETAIL, which may be NULL,
// at 200, so that an argument echoed back cannot crowd out the message.
void ConsoleSay(const char *program, const char *text, const char *detail);

// Writes `length` characters of `text`, each "\n" as CR LF, so that a
// report saved to a file reads well anywhere.
void ConsoleWriteLines(HANDLE handle, const char *text, int length);

// Formats as wvsprintfA does, at most 1024 characters, then writes the
// result as ConsoleWriteLines does.
void ConsolePrintArgs(HANDLE handle, const char *format, va_list args);
void ConsolePrint(HANDLE handle, const char *format, ...);

// "--help", "-h" or "/?": the three ways every tool is asked for its usage.
bool AsksForUsage(const char *argument);

#endif
