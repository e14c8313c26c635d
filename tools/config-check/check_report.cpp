// The report of the configuration check: see check_report.h.
#include "tools/config-check/check_report.h"

#include "tools/common/console.h"
#include "tools/config-check/check.h"

#include <stdarg.h>

HANDLE g_out = NULL;
int g_exitCode = CHECK_HELP_SHOWN;
int g_missingCount = 0;

void Print(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    ConsolePrintArgs(g_out, format, args);
    va_end(args);
}

void PrintLong(const char *text)
{
    ConsoleWriteLines(g_out, text, lstrlenA(text));
}

void Fail(int exitCode)
{
    if (g_exitCode == CHECK_HELP_SHOWN)
        g_exitCode = exitCode;
}

void Missing(int exitCode, const char *format, ...)
{
    Print("MISSING: ");
    va_list args;
    va_start(args, format);
    ConsolePrintArgs(g_out, format, args);
    va_end(args);
    Print("\n");
    Fail(exitCode);
    ++g_missingCount;
}

void PrintQuoted(const char *text, DWORD length)
{
    static const char HEX[] = "0123456789ABCDEF";
    const DWORD SHOWN = 256;
    char line[4 * SHOWN + 8];
    int used = 0;
    line[used++] = '"';
    DWORD i = 0;
    for (; i < length && i < SHOWN && text[i]; ++i) {
        unsigned char c = (unsigned char)text[i];
        if (c < 0x20 || c == 0x7F) {
            line[used++] = '\\';
            line[used++] = 'x';
            line[used++] = HEX[c >> 4];
            line[used++] = HEX[c & 15];
        } else {
            line[used++] = (char)c;
        }
    }
    line[used++] = '"';
    if (i < length && text[i]) {
        line[used++] = '.';
        line[used++] = '.';
        line[used++] = '.';
    }
    ConsoleWriteLines(g_out, line, used);
}

void PrintValue(const char *format, const char *name, const char *data, DWORD length)
{
    Print(format, name);
    PrintQuoted(data, length);
    Print("\n");
}
