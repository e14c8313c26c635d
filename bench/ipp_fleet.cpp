// A fleet of IPP status sources against one print server, in one process:
// N watchers of tools/ipp-source, each with its own WinHTTP session as on its
// own desktop, run as threads. Many Wine processes and their wineserver
// would compete with the scheduler for the same cores and blur what it
// costs; threads do not.
//
// The watchers are those of DadaViziIpp (the dadavizi_ipp library), given a
// sink that counts what they would have told the monitor instead of telling it.
//
//   DadaViziIppFleet URI N [SUBSCRIBE] [SPREAD-SECONDS]
//
// SUBSCRIBE is 1 (the default: every watcher asks for a subscription, so
// the server's limit on them is met) or 0 (the default for a server's queue:
// poll). The watchers start spread over SPREAD-SECONDS (10). The last of the
// N is the jam watcher: once the file "fleet-job" appears in the current
// folder it is told that this machine's queue holds a job, as the spooler
// would tell it, and the moment it reports a paper jam is kept. Once
// "fleet-stop" appears every watcher stops (cancelling its subscription) and
// the counts are written to "fleet-result", one "name value" a line.
// Exit code 0, 1 for bad arguments, 2 when the watchers could not start.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "help/help_engine.h"
#include "tools/ipp-source/watcher.h"

#ifndef STACK_SIZE_PARAM_IS_A_RESERVATION
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000
#endif

namespace {

const int MOST_WATCHERS = 2000;
// A watcher keeps its buffers on the heap: a small stack is enough, and 2000
// threads of the default megabyte would not fit a 32-bit process.
const DWORD WATCHER_STACK = 256 * 1024;
// How often the files that start the job and the stop are looked for.
const DWORD FILE_LOOK_MS = 100;

PrinterUri g_uri;
bool g_subscribe = true;
HttpOptions g_options;
HANDLE g_stop;
HANDLE g_job;  // auto-reset: signalled once, when "fleet-job" appears
DWORD g_jamThread;

CRITICAL_SECTION g_lock;
long g_reports;              // reports that would have gone to the monitor
long g_unreachable;          // of them: "not reachable"
long g_unreachableWatchers;  // watchers that reported it at least once
long g_said;                 // lines the watchers would have written
char g_firstSaid[600];
char g_lastSaid[600];
LONGLONG g_jamReportedMs;  // when the jam watcher reported the jam; 0: not yet
long g_started;

// Milliseconds since 1970, the clock the jamming backend writes.
LONGLONG UnixMs()
{
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return (LONGLONG)((value.QuadPart - 116444736000000000ULL) / 10000);
}

bool Exists(const char *name)
{
    return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
}

// What the watchers would tell the monitor, counted.
class CountingSink : public ReportSink {
public:
    void Warn(const char *text) override;
    bool Publish(const StatusReport &report, Published *last) override;
};

CountingSink g_sink;

// This machine's queue as the jam watcher sees it: empty until the file
// that says the job was sent appears, as the spooler would tell it.
class JobFile : public LocalJobSource {
public:
    HANDLE Event() const override { return g_job; }
    bool Changed() override { return true; }
    bool HoldsAJob() const override { return false; }
};

JobFile g_jobFile;

// One watcher as DadaViziIpp makes it, with its own HTTP session, until the
// stop; `jobs` is the jam watcher's JobFile, else NULL.
DWORD WINAPI FleetWatcher(LPVOID jobs)
{
    HttpClient http(g_options);
    if (!http.Ready())
        return 1;
    WatchSettings settings;
    ReadWatchSettings(g_uri, &settings);
    settings.subscribe = g_subscribe;
    Watcher *watcher = new Watcher(http, g_uri, settings, g_sink, GetTickCount());
    InterlockedIncrement(&g_started);
    watcher->Run(g_stop, NULL, static_cast<LocalJobSource *>(jobs));
    delete watcher;
    return 0;
}

bool WriteResult(int watchers)
{
    EnterCriticalSection(&g_lock);
    // wsprintf has no 64-bit format on old systems: the time is put in as text.
    char ms[32], digits[32];
    LONGLONG value = g_jamReportedMs;
    int length = 0;
    do {
        digits[length++] = (char)('0' + (int)(value % 10));
        value /= 10;
    } while (value > 0 && length < 30);
    for (int i = 0; i < length; ++i)
        ms[i] = digits[length - 1 - i];
    ms[length] = '\0';
    char out[2048];
    wsprintfA(out,
              "watchers %d\r\nstarted %ld\r\nreports %ld\r\nunreachable %ld\r\n"
              "unreachable-watchers %ld\r\nsaid %ld\r\njam-reported-ms %s\r\n"
              "first-said %.500s\r\nlast-said %.500s\r\n",
              watchers, g_started, g_reports, g_unreachable, g_unreachableWatchers, g_said, ms,
              g_firstSaid, g_lastSaid);
    LeaveCriticalSection(&g_lock);
    HANDLE file = CreateFileA("fleet-result.tmp", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL wrote = WriteFile(file, out, (DWORD)lstrlenA(out), &written, NULL);
    CloseHandle(file);
    DeleteFileA("fleet-result");
    return wrote && MoveFileA("fleet-result.tmp", "fleet-result");
}

// Says what went wrong with the arguments: the sink only counts.
int Usage()
{
    static const char TEXT[] =
        "usage: DadaViziIppFleet URI N [SUBSCRIBE] [SPREAD-SECONDS]\r\n"
        "  URI an ipp:// printer or queue, N 1 to 2000 watchers, SUBSCRIBE 1 or 0,\r\n"
        "  SPREAD-SECONDS 0 to 600\r\n";
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written;
    if (handle != NULL && handle != INVALID_HANDLE_VALUE)
        WriteFile(handle, TEXT, sizeof TEXT - 1, &written, NULL);
    return 1;
}

}  // namespace

void CountingSink::Warn(const char *text)
{
    EnterCriticalSection(&g_lock);
    if (!g_said++)
        lstrcpynA(g_firstSaid, text, sizeof g_firstSaid);
    lstrcpynA(g_lastSaid, text, sizeof g_lastSaid);
    LeaveCriticalSection(&g_lock);
}

bool CountingSink::Publish(const StatusReport &report, Published *last)
{
    if (last->any && !ReportChanged(last->report, report))
        return false;
    bool wasUnreachable = last->any && strcmp(last->report.text, "Printer not reachable") == 0;
    last->report = report;
    last->any = true;
    bool unreachable = strcmp(report.text, "Printer not reachable") == 0;
    EnterCriticalSection(&g_lock);
    ++g_reports;
    if (unreachable) {
        ++g_unreachable;
        if (!wasUnreachable)
            ++g_unreachableWatchers;
    }
    if (GetCurrentThreadId() == g_jamThread && !g_jamReportedMs &&
        strstr(report.reasons, "media-jam") != NULL)
        g_jamReportedMs = UnixMs();
    LeaveCriticalSection(&g_lock);
    return true;
}

int main(int argc, char **argv)
{
    if (argc < 3 || !ParsePrinterUri(argv[1], &g_uri))
        return Usage();
    int watchers = atoi(argv[2]);
    if (watchers < 1 || watchers > MOST_WATCHERS)
        return Usage();
    g_subscribe = argc < 4 || atoi(argv[3]) != 0;
    long spreadMs = argc < 5 ? 10000 : atoi(argv[4]) * 1000L;
    if (spreadMs < 0 || spreadMs > 600000)
        return Usage();
    // As DadaViziIpp tells its WinHTTP sessions.
    WindowsVersion windows = ReadWindowsVersion();
    g_options.windowsMajor = windows.major;
    g_options.windowsMinor = windows.minor;
    InitializeCriticalSection(&g_lock);
    g_stop = CreateEventA(NULL, TRUE, FALSE, NULL);
    g_job = CreateEventA(NULL, FALSE, FALSE, NULL);
    HANDLE *threads = new HANDLE[watchers];
    int running = 0;
    for (int i = 0; i < watchers; ++i) {
        bool jam = i == watchers - 1;
        LocalJobSource *jobs = jam ? &g_jobFile : NULL;
        DWORD id = 0;
        threads[running] = CreateThread(NULL, WATCHER_STACK, FleetWatcher, jobs,
                                        STACK_SIZE_PARAM_IS_A_RESERVATION | CREATE_SUSPENDED, &id);
        if (!threads[running])
            continue;
        if (jam)
            g_jamThread = id;
        ResumeThread(threads[running++]);
        Sleep((DWORD)(spreadMs / watchers));
    }
    bool job = false;
    while (!Exists("fleet-stop")) {
        if (!job && Exists("fleet-job")) {
            job = true;
            SetEvent(g_job);
        }
        Sleep(FILE_LOOK_MS);
    }
    SetEvent(g_stop);
    for (int i = 0; i < running; ++i) {
        WaitForSingleObject(threads[i], 60000);
        CloseHandle(threads[i]);
    }
    delete[] threads;
    bool written = WriteResult(watchers);
    return written && running == watchers ? 0 : 2;
}
