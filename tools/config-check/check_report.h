// The report of the configuration check, shared by its parts: where it
// goes, how a registry value is shown, and how missing pieces are counted.
#ifndef DADAVIZI_CONFIG_CHECK_REPORT_H
#define DADAVIZI_CONFIG_CHECK_REPORT_H

#include <windows.h>

// Where the report goes (RunConfigCheck's `out`).
extern HANDLE g_out;
// The exit code so far: the first missing piece in the monitor's order.
extern int g_exitCode;
// How many missing pieces have been reported.
extern int g_missingCount;

// Formatted text on the report, lines ending in CR LF.
void Print(const char *format, ...);
// Text longer than one formatted line, as it is but for the line ends.
void PrintLong(const char *text);

// `exitCode` is what a missing piece costs the help (CHECK_HELP_SHOWN when
// it costs nothing); the first one in the monitor's order counts.
void Fail(int exitCode);
// One missing piece, on a line of its own starting with "MISSING: ".
void Missing(int exitCode, const char *format, ...);

// Registry data as the monitor uses it: text up to the first zero byte.
// Control characters are shown as \xNN to keep one value on one line.
void PrintQuoted(const char *text, DWORD length);
// A registry value on a line of its own: `format` with `name`, then the
// data quoted.
void PrintValue(const char *format, const char *name, const char *data, DWORD length);

#endif
