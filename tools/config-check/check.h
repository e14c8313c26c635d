// The configuration check: reads what the monitor reads, through the
// monitor's own code and in its order, and says what it finds, what the
// monitor would do with it and which pieces are missing.
#ifndef DADAVIZI_CONFIG_CHECK_H
#define DADAVIZI_CONFIG_CHECK_H

#include <windows.h>

// Exit codes of DadaViziCheck.exe. When several pieces are missing, the
// first one in the monitor's order decides.
enum CheckExitCode {
    CHECK_HELP_SHOWN = 0,           // help for the code would be shown
    CHECK_USAGE = 1,                // bad command line
    CHECK_SETTINGS_INCOMPLETE = 2,  // settings key, "Printer"; without CODE the stored code
    CHECK_NO_HELP_FILE = 3,         // no driver data, help file not determined or not there
    CHECK_NO_HELP_TOPIC = 4,        // no HelpMap entry for the code
};

// Runs the check for the command-line arguments after the program name and
// writes the report to `out`. g_systemDir and g_profilePath must have been
// set (InitMonitorPaths). Reads only: nothing is written to the registry.
// Returns one of the exit codes above.
int RunConfigCheck(int argc, char **argv, HANDLE out);

#endif
