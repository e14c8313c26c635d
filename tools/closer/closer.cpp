// DadaViziClose.exe: ends the running monitor and every resident
// DadaViziIpp of this desktop before an installer replaces or removes their
// files. The Windows Installer package runs it from its Binary table on
// removal, upgrade and repair. It is a GUI program so that it opens no
// console window in front of the person installing; what went wrong goes to
// standard error only when the caller gave it one.
#include <windows.h>

#include "tools/common/console.h"
#include "tools/common/resident.h"

namespace {

// How long the programs get to end, in all: an installer waits for this.
const DWORD CLOSE_TIMEOUT = 10000;  // milliseconds

const int EXIT_USAGE = 1;

// The command line after the program's name, which may be quoted.
const char *Arguments(const char *line)
{
    if (*line == '"') {
        ++line;
        while (*line && *line != '"')
            ++line;
        if (*line)
            ++line;
    } else {
        while (*line && *line != ' ' && *line != '\t')
            ++line;
    }
    while (*line == ' ' || *line == '\t')
        ++line;
    return line;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Windows Installer passes the CustomAction row's Target, which is empty.
    if (*Arguments(GetCommandLineA())) {
        ConsoleSay("DadaViziClose",
                   "takes no arguments. It closes the windows \"" MONITOR_WINDOW_NAME
                   "\", \"" IPP_WINDOW_NAME "\" and \"" RELAY_WINDOW_NAME
                   "\" and waits up to 10 seconds for their programs to end. Exit codes: 0 "
                   "they have ended, 1 usage error, 3 none was open, 5 one did not end in time "
                   "or Windows kept the request from it",
                   NULL);
        return EXIT_USAGE;
    }
    // One row for each program that stays resident; the package's restart
    // steps start each again afterwards.
    const char *const names[] = {
        MONITOR_WINDOW_NAME,
        IPP_WINDOW_NAME,
        RELAY_WINDOW_NAME,
    };
    char why[REPORT_WHY_SIZE];
    int result = CloseResidentWindows(names, (int)(sizeof names / sizeof names[0]), CLOSE_TIMEOUT, why);
    if (result != CLOSE_DONE)
        ConsoleSay("DadaViziClose", why, NULL);
    return result;
}
