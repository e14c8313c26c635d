// DadaViziIpp.exe: a status source for any IPP printer. Resident by
// default, one instance per printer URI; --once asks, reports and exits.
// A GUI program, so that started at logon it has no console window to be
// closed; what it says goes to the handles it was given, or to the console
// of the command prompt that started it.
#include <windows.h>

#include <stdlib.h>

#include "app/shared.h"
#include "help/help_engine.h"
#include "tools/common/console.h"
#include "tools/common/report.h"
#include "tools/common/resident.h"  // IPP_WINDOW_NAME, the closer's address
#include "tools/ipp-source/discovery.h"
#include "tools/ipp-source/event_log.h"
#include "tools/ipp-source/fleet_options.h"
#include "tools/ipp-source/local_queue.h"
#include "tools/ipp-source/pinning.h"
#include "tools/ipp-source/reporting.h"
#include "tools/ipp-source/watcher.h"

namespace {

// Exit codes, shared with DadaViziStatus where they overlap.
enum IppExitCode {
    IPP_EXIT_DONE = REPORT_DONE,
    IPP_EXIT_USAGE = 1,
    IPP_EXIT_NO_SETTINGS = REPORT_NO_SETTINGS,
    IPP_EXIT_NO_MONITOR = REPORT_NO_MONITOR,
    IPP_EXIT_WRITE_FAILED = REPORT_WRITE_FAILED,
    IPP_EXIT_NO_ANSWER = REPORT_NO_ANSWER,
    IPP_EXIT_UNREACHABLE = 6,
    IPP_EXIT_REFUSED = 7,
    IPP_EXIT_ALREADY_RUNNING = 8,
};

const char USAGE[] =
    "Usage: DadaViziIpp [--once] [--accept-self-signed] [--proxy HOST:PORT] [PRINTER-URI]\r\n"
    "       DadaViziIpp --forget-certificate PRINTER-URI\r\n"
    "\r\n"
    "Watches an IPP printer and reports its state to the DadaVizi monitor: it\r\n"
    "writes the status data key (the value \"Monitor\" of\r\n"
    "HKLM\\SOFTWARE\\Halvik\\Zive Dozorod, sub-key \"BidiData\") and sends the status\r\n"
    "to the window \"DadaVizi\" whenever the code or its text changes. It stays\r\n"
    "until its hidden window \"DadaViziIpp\" gets WM_CLOSE.\r\n"
    "\r\n"
    "  PRINTER-URI           ipp://, ipps://, http:// or https:// URI of the\r\n"
    "                        printer; without it, the spooler's port of the\r\n"
    "                        printer named by the settings value \"Printer\"\r\n"
    "  --once                ask once, report, and exit\r\n"
    "  --accept-self-signed  accept the printer's own certificate for ipps://,\r\n"
    "                        the first one it shows: another one later is\r\n"
    "                        refused (\"Printer certificate changed\")\r\n"
    "  --forget-certificate  forget the certificate accepted for PRINTER-URI\r\n"
    "  --proxy HOST:PORT     use this HTTP proxy (default: the system's WinHTTP\r\n"
    "                        proxy setting, which printers on the LAN skip)\r\n"
    "  --help                show this text\r\n"
    "\r\n"
    "Without them on the command line, [IppStatus] Uri=, AcceptSelfSigned=1 and\r\n"
    "Proxy= of the profile give the printer URI and the options. A resident\r\n"
    "source also writes what it says to the Application event log.\r\n"
    "\r\n"
    "A command prompt does not wait for it: use start /wait DadaViziIpp ... (or\r\n"
    "Start-Process -Wait in PowerShell) for its exit code. Batch files wait.\r\n"
    "\r\n"
    "Exit codes:\r\n"
    "  0  done (--once: written and taken by the monitor)\r\n"
    "  1  usage error\r\n"
    "  2  the settings key or its value \"Monitor\" is missing, or no printer URI\r\n"
    "     could be found\r\n"
    "  3  no monitor is running (the status data was written)\r\n"
    "  4  writing the status data failed\r\n"
    "  5  the monitor did not answer\r\n"
    "  6  the printer is not reachable (its status was still written and sent)\r\n"
    "  7  the printer refused the request (nothing was written)\r\n"
    "  8  another DadaViziIpp already watches this printer\r\n";

struct Options {
    bool once = false;
    bool forget = false;
    HttpOptions http;
    const char *uri = NULL;
};

int Usage(const char *what, const char *detail)
{
    char line[400];
    wsprintfA(line, "%.150s%.200s (try DadaViziIpp --help)", what, detail ? detail : "");
    Warn(line);
    return IPP_EXIT_USAGE;
}

// IPP_EXIT_DONE, IPP_EXIT_USAGE, or -1 for --help.
int ParseArguments(int argc, char **argv, Options *options)
{
    for (int index = 1; index < argc; ++index) {
        const char *argument = argv[index];
        if (AsksForUsage(argument))
            return -1;
        if (lstrcmpA(argument, "--once") == 0)
            options->once = true;
        else if (lstrcmpA(argument, "--forget-certificate") == 0)
            options->forget = true;
        else if (lstrcmpA(argument, "--accept-self-signed") == 0)
            options->http.acceptSelfSigned = true;
        else if (lstrcmpA(argument, "--proxy") == 0) {
            if (++index >= argc || !argv[index][0])
                return Usage("--proxy needs HOST:PORT", NULL);
            options->http.proxy = argv[index];
        } else if (argument[0] == '-')
            return Usage("unknown option ", argument);
        else if (options->uri)
            return Usage("only one PRINTER-URI, not also ", argument);
        else
            options->uri = argument;
    }
    if (options->forget && (options->once || !options->uri))
        return Usage("--forget-certificate takes a PRINTER-URI alone", NULL);
    return IPP_EXIT_DONE;
}

HANDLE g_stop = NULL;
HANDLE g_resumed = NULL;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_POWERBROADCAST) {
        // Back from sleep: the network may take a moment; failures until
        // then are no outage.
        if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
            SetEvent(g_resumed);
        return TRUE;
    }
    if (message == WM_CLOSE) {
        SetEvent(g_stop);
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Watch {
    HttpClient *http;
    const PrinterUri *uri;
};

DWORD WINAPI WatchThread(void *parameter)
{
    Watch *watch = static_cast<Watch *>(parameter);
    // This machine's queue for the printer is followed where the spooler
    // tells its changes.
    LocalQueue queue;
    queue.Open();
    WatchPrinter(*watch->http, *watch->uri, MonitorReports(), &queue, g_stop, g_resumed);
    return 0;
}

// One instance per printer: a mutex named after the URI ('\' is not
// allowed in the name, and case does not tell printers apart). The name
// lives in this session's namespace, not "Global\": the status message
// reaches only the monitor of the watcher's own session.
HANDLE ClaimPrinter(const PrinterUri &uri)
{
    char name[MAX_PATH];
    wsprintfA(name, "DadaViziIpp %.200s", uri.uri);
    for (char *c = name; *c; ++c) {
        if (*c == '\\')
            *c = '/';
        else if (*c >= 'A' && *c <= 'Z')
            *c = (char)(*c - 'A' + 'a');
    }
    HANDLE mutex = CreateMutexA(NULL, FALSE, name);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return NULL;
    }
    return mutex;
}

// The printer shows a new certificate, and the user trusts it.
int ForgetCertificate(const PrinterUri &uri)
{
    char line[URI_SIZE + 80];
    LONG result = ForgetPin(uri.uri);
    if (result == ERROR_FILE_NOT_FOUND) {
        wsprintfA(line, "no certificate was kept for %.1000s", uri.uri);
    } else if (result != ERROR_SUCCESS) {
        wsprintfA(line, "cannot forget the certificate of %.1000s: error %ld", uri.uri, result);
        Say(line);
        return IPP_EXIT_WRITE_FAILED;
    } else {
        wsprintfA(line, "forgot the certificate of %.1000s", uri.uri);
    }
    Say(line);
    return IPP_EXIT_DONE;
}

// --once: asks the printer, reports what it says the way DadaViziStatus
// does (status data key first, then WM_BIDISTATUS), and says with its exit
// code what went wrong.
int RunOnce(HttpClient &http, const PrinterUri &uri)
{
    IppExchange exchange;
    StatusReport report;
    BeginExchange(&exchange, http, uri);
    char why[600];
    Outcome result = QueryPrinter(&exchange, why, sizeof why);
    if (Refused(result) || result == OUTCOME_UNTRUSTED || result == OUTCOME_TLS_FAILED) {
        Say(why);
        return IPP_EXIT_REFUSED;
    }
    bool unreachable = result != OUTCOME_DONE;
    if (unreachable) {
        // Asked once, the user gets the answer at once: no waiting for a
        // second failure as the resident watch does.
        char line[800];
        wsprintfA(line, "printer not reachable at %.400s: %.300s", uri.uri, why);
        Say(line);
        MapUnreachable(uri.uri, ProfileCodeLookup, &report);
    } else {
        MapPrinterStatus(exchange.status, uri.uri, ProfileCodeLookup, &report);
    }
    int written = WriteReport(report);
    if (written != IPP_EXIT_DONE)
        return written;
    int sent = SendReport(report);
    SayReport(report, sent);
    return unreachable ? IPP_EXIT_UNREACHABLE : sent;
}

int RunResident(HttpClient &http, const PrinterUri &uri)
{
    // From here on it only talks to handles it was given: attached to a
    // console, it would end with that console's window. A GUI program has
    // none unless it asks for one; should it have one all the same, it
    // lets go of it.
    SayToParentConsole(false);
    FreeConsole();
    HANDLE claim = ClaimPrinter(uri);
    if (!claim) {
        Warn("another DadaViziIpp already watches this printer");
        return IPP_EXIT_ALREADY_RUNNING;
    }
    g_stop = CreateEventA(NULL, TRUE, FALSE, NULL);
    g_resumed = CreateEventA(NULL, FALSE, FALSE, NULL);
    HWND window = CreateNamedWindow(IPP_WINDOW_NAME, WindowProc);
    if (!g_stop || !g_resumed || !window) {
        Warn("cannot create the hidden window");
        return IPP_EXIT_USAGE;
    }
    Watch watch = {&http, &uri};
    HANDLE thread = CreateThread(NULL, 0, WatchThread, &watch, 0, NULL);
    if (!thread) {
        Warn("cannot start watching");
        return IPP_EXIT_USAGE;
    }
    char line[URI_SIZE + 40];
    wsprintfA(line, "watching %.1000s", uri.uri);
    Say(line);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // The stop ends a request under way at once; the cancel of the
    // subscription takes WATCH_CANCEL_MS at most. A watch still not done
    // (a name lookup cannot be stopped) ends with the process, at once:
    // returning would destroy the client and the URI it still uses.
    SetEvent(g_stop);
    if (WaitForSingleObject(thread, WATCH_CANCEL_MS + 1500) != WAIT_OBJECT_0)
        ExitProcess(IPP_EXIT_DONE);
    CloseHandle(thread);
    CloseHandle(claim);
    return IPP_EXIT_DONE;
}

// Whether the arguments ask for a resident source: it writes what it says
// to the event log, a bad option at logon included.
bool Resident(int argc, char **argv)
{
    for (int index = 1; index < argc; ++index)
        if (lstrcmpA(argv[index], "--once") == 0 || AsksForUsage(argv[index]) ||
            lstrcmpA(argv[index], "--forget-certificate") == 0)
            return false;
    return true;
}

int Main(int givenCount, char **given)
{
    SayToParentConsole(true);
    // The package's Run value gives IPPSOURCE as one argument, options and
    // URI alike.
    static char words[8192];
    static char *argv[64];
    int argc = SplitArguments(givenCount, given, words, sizeof words, argv, 64);
    if (argc < 0) {
        LogEvents(Resident(givenCount, given));
        return Usage("too many arguments, or too long", NULL);
    }
    LogEvents(Resident(argc, argv));
    Options options;
    int result = ParseArguments(argc, argv, &options);
    if (result < 0) {
        Print(USAGE);
        return IPP_EXIT_DONE;
    }
    if (result != IPP_EXIT_DONE)
        return result;

    // The profile of the monitor's system directory holds [IppStatus].
    char directory[MAX_PATH] = "";
    InitMonitorPaths(directory, GetSystemDirectoryA(directory, sizeof directory));

    // What the command line does not give, the profile may: an
    // administrator's one setting for the whole floor.
    static ProfileOptions profile;
    ReadProfileOptions(&profile);
    if (!options.uri && profile.uri[0])
        options.uri = profile.uri;
    if (!options.http.proxy && profile.proxy[0])
        options.http.proxy = profile.proxy;
    if (profile.acceptSelfSigned)
        options.http.acceptSelfSigned = true;

    char found[URI_SIZE];
    const char *text = options.uri;
    if (!text) {
        char why[600];
        if (!FindPrinterUri(found, sizeof found, why, sizeof why)) {
            Warn(why);
            return IPP_EXIT_NO_SETTINGS;
        }
        text = found;
    }
    static PrinterUri uri;
    if (!ParsePrinterUri(text, &uri))
        return Usage("not an ipp://, ipps://, http:// or https:// printer URI: ", text);
    if (options.forget)
        return ForgetCertificate(uri);

    // Read through the program's manifest, which declares Windows 10 and 11,
    // so Windows 8.1 and later tell their own version.
    WindowsVersion windows = ReadWindowsVersion();
    options.http.windowsMajor = windows.major;
    options.http.windowsMinor = windows.minor;
    HttpClient http(options.http);
    if (!http.Ready()) {
        Warn("WinHTTP cannot start (is the proxy HOST:PORT right?)");
        return IPP_EXIT_USAGE;
    }
    return options.once ? RunOnce(http, uri) : RunResident(http, uri);
}

}  // namespace

// The C runtime's arguments, as main() would get them.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return Main(__argc, __argv);
}
