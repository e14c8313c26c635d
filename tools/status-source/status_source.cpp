// DadaViziStatus: writes a printer status into the status data key and
// reports it to the running monitor, the way a printer's status source does.
#include <windows.h>

#include "app/shared.h"
#include "registry/settings.h"
#include "tools/common/console.h"
#include "tools/common/report.h"
#include "tools/common/resident.h"
#include "tools/common/status_code.h"

namespace {

// 2 to 5 are the shared reporting results (tools/common/report.h).
enum ExitCode {
    EXIT_DONE = 0,
    EXIT_USAGE = 1,
};

// How long --close waits for the monitor's process to end: a script runs
// it before replacing the files, and must not wait for ever.
const DWORD CLOSE_TIMEOUT = 10000;  // milliseconds

// Longest detail text: the monitor copies values of up to 256 bytes,
// terminator included, into the help window key.
const int MAX_DETAIL_TEXT = 255;
const int MAX_DETAIL_NAME = 255;

const char USAGE[] =
    "Usage: DadaViziStatus [--no-help] [--write-only | --send-only] CODE [NAME=TEXT ...]\r\n"
    "       DadaViziStatus --close\r\n"
    "\r\n"
    "Reports a printer status to the DadaVizi monitor. It writes CODE to the value\r\n"
    "\"Code\" of the status data key (the key named by the value \"Monitor\" of\r\n"
    "HKLM\\SOFTWARE\\Halvik\\Zive Dozorod, sub-key \"BidiData\", created when missing)\r\n"
    "and each NAME=TEXT as a string value NAME holding TEXT, then sends the status\r\n"
    "to the window \"DadaVizi\" and waits until the monitor has handled it.\r\n"
    "\r\n"
    "  CODE          status code, a 32-bit signed decimal number (-2147483648 to\r\n"
    "                2147483647)\r\n"
    "  NAME=TEXT     a status detail; NAME is not \"Code\", TEXT is at most 255\r\n"
    "                characters\r\n"
    "  --no-help     report the status without asking for its help topic\r\n"
    "  --write-only  only write the status data; tell no monitor\r\n"
    "  --send-only   only send the status; the registry is not touched and no\r\n"
    "                NAME=TEXT may be given\r\n"
    "  --close       ask the running monitor to end and wait, up to 10 seconds,\r\n"
    "                until it has; the registry is not touched\r\n"
    "  --help        show this text\r\n"
    "\r\n"
    "Exit codes:\r\n"
    "  0  done\r\n"
    "  1  usage error\r\n"
    "  2  the settings key or its value \"Monitor\" is missing (or too long)\r\n"
    "  3  no monitor is running (the status data was written, unless --send-only)\r\n"
    "  4  writing the status data failed; when access was denied, the message\r\n"
    "     says which right this user lacks on which key\r\n"
    "  5  the monitor did not answer: it seems hung (it has taken no messages for\r\n"
    "     some seconds) or it took more than 30 seconds; or Windows kept the\r\n"
    "     status from it because it runs with higher rights (as administrator)\r\n"
    "     than this program (the message says which)\r\n"
    "\r\n"
    "Exit codes of --close:\r\n"
    "  0  the monitor has ended\r\n"
    "  1  usage error\r\n"
    "  3  no monitor is running\r\n"
    "  5  the monitor did not end within 10 seconds, or Windows kept the request\r\n"
    "     from it because it runs with higher rights (as administrator) than\r\n"
    "     this program (the message says which)\r\n";

// `detail` is printed with at most 200 characters, so the line always fits.
int Fail(int code, const char *what, const char *detail)
{
    ConsoleSay("DadaViziStatus", what, detail);
    if (code == EXIT_USAGE)
        ConsoleWrite(ConsoleHandle(STD_ERROR_HANDLE), "Try DadaViziStatus --help.\r\n");
    return code;
}

struct Options {
    bool help = true;
    bool write = true;
    bool send = true;
    LONG code = 0;
    int firstDetail = 0;  // index into argv of the first NAME=TEXT
};

// Returns EXIT_DONE when the arguments make a status, -1 for --help.
int ParseArguments(int argc, char **argv, Options *options)
{
    bool writeOnly = false, sendOnly = false, haveCode = false;
    int index = 1;
    for (; index < argc && !haveCode; ++index) {
        const char *argument = argv[index];
        if (AsksForUsage(argument))
            return -1;
        if (lstrcmpA(argument, "--no-help") == 0)
            options->help = false;
        else if (lstrcmpA(argument, "--write-only") == 0)
            writeOnly = true;
        else if (lstrcmpA(argument, "--send-only") == 0)
            sendOnly = true;
        else if (argument[0] == '-' && argument[1] == '-')
            return Fail(EXIT_USAGE, "unknown option ", argument);
        else if (ParseStatusCode(argument, &options->code))
            haveCode = true;
        else
            return Fail(EXIT_USAGE, "CODE must be a 32-bit signed decimal number: ", argument);
    }
    if (!haveCode)
        return Fail(EXIT_USAGE, "no status CODE given", NULL);
    if (writeOnly && sendOnly)
        return Fail(EXIT_USAGE, "--write-only and --send-only exclude each other", NULL);
    options->write = !sendOnly;
    options->send = !writeOnly;
    options->firstDetail = index;

    for (; index < argc; ++index) {
        const char *argument = argv[index];
        if (lstrcmpA(argument, "--help") == 0)
            return -1;
        const char *equals = argument;
        while (*equals && *equals != '=')
            ++equals;
        int nameLength = (int)(equals - argument);
        if (!*equals || nameLength == 0)
            return Fail(EXIT_USAGE, "a status detail must be NAME=TEXT: ", argument);
        if (nameLength > MAX_DETAIL_NAME)
            return Fail(EXIT_USAGE, "a detail NAME is longer than 255 characters: ", argument);
        if (lstrlenA(equals + 1) > MAX_DETAIL_TEXT)
            return Fail(EXIT_USAGE, "a detail TEXT is longer than 255 characters: ", argument);
        // Registry value names ignore case.
        if (nameLength == 4 && CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, argument,
                                              4, "Code", 4) == CSTR_EQUAL)
            return Fail(EXIT_USAGE, "the value \"Code\" is set by CODE, not as a detail", NULL);
        if (sendOnly)
            return Fail(EXIT_USAGE, "--send-only writes nothing, so it takes no NAME=TEXT", NULL);
    }
    return EXIT_DONE;
}

int WriteStatusData(const Options &options, int argc, char **argv)
{
    char why[REPORT_WHY_SIZE];
    StatusDataWriter writer;
    int result = writer.Open(why);
    if (result != REPORT_DONE)
        return Fail(result, why, NULL);
    char name[MAX_DETAIL_NAME + 1];
    for (int index = options.firstDetail; index < argc; ++index) {
        const char *equals = argv[index];
        while (*equals != '=')
            ++equals;
        lstrcpynA(name, argv[index], (int)(equals - argv[index]) + 1);
        writer.Set(name, equals + 1);
    }
    result = writer.Finish(options.code, why);
    return result == REPORT_DONE ? EXIT_DONE : Fail(result, why, NULL);
}

int SendStatus(const Options &options)
{
    char why[REPORT_WHY_SIZE];
    int result = SendToMonitor(options.code, options.help, why);
    return result == REPORT_DONE ? EXIT_DONE : Fail(result, why, NULL);
}

// --close: WM_CLOSE to the monitor's window ends it the way a right click
// does (its window is destroyed, its tray icon removed, its loop left); the
// process is then waited for, so that its files are free when this returns.
// Every monitor window of this desktop is closed, as DadaViziClose does.
int CloseMonitor()
{
    const char *const names[] = {MONITOR_WINDOW_NAME};
    char why[REPORT_WHY_SIZE];
    int result = CloseResidentWindows(names, 1, CLOSE_TIMEOUT, why);
    return result == CLOSE_DONE ? EXIT_DONE : Fail(result, why, NULL);
}

}  // namespace

int main(int argc, char **argv)
{
    for (int index = 1; index < argc; ++index) {
        if (lstrcmpA(argv[index], "--close") == 0) {
            if (argc != 2)
                return Fail(EXIT_USAGE, "--close takes no other arguments", NULL);
            return CloseMonitor();
        }
    }

    Options options;
    int result = ParseArguments(argc, argv, &options);
    if (result < 0) {
        ConsoleWrite(ConsoleHandle(STD_OUTPUT_HANDLE), USAGE);
        return EXIT_DONE;
    }
    if (result != EXIT_DONE)
        return result;

    if (options.write && (result = WriteStatusData(options, argc, argv)) != EXIT_DONE)
        return result;
    if (options.send)
        return SendStatus(options);
    return EXIT_DONE;
}
