// The benchmark's measurements.
#include "bench/runs.h"

#include "app/monitor.h"
#include "bench/figures.h"
#include "bench/floor_window.h"
#include "bench/system.h"
#include "fakes.h"
#include "installation.h"
#include "process.h"
#include "registry/settings.h"
#include "testing.h"
#include "tools/relay/relay.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

const char MONITOR_EXE[] = "DadaVizi.exe";
const char FLOOR_EXE[] = "BenchFloor.exe";
const char FLOOR_PROGRAM_WINDOW[] = "DadaViziFloor";
const char RELAY_EXE[] = "DadaViziRelay.exe";

std::unique_ptr<Installation> g_install;

// What the status source and the installation leave behind. Without the
// printer's driver data no help file is found, so DadaVizi.exe never starts
// the real help engine; the in-process runs add it for the help figures.
void WriteConfiguration(bool withHelp)
{
    if (!g_install)
        g_install.reset(new Installation("Bench"));
    g_install->RemoveKeys();
    g_install->WriteSettings();
    g_install->SetStatus("Code", "40021");
    if (withHelp)
        g_install->WriteDriverData("01Bench", "Bench,49:x");
    // A popup time far beyond any run, so that no popup timer fires in one.
    g_install->UseProfile("[Bench]\r\nTimeCloseWindow=600000\r\n"
                          "[HelpMap]\r\n40021=11\r\n40077=12\r\n40000=13\r\n");
}

// The status data key with `count` values, "Code" among them.
void WriteStatusData(int count)
{
    DeleteKeyTree(HKEY_LOCAL_MACHINE, g_install->statusKey.c_str());
    g_install->SetStatus("Code", "40021");
    for (int i = 1; i < count; ++i)
        g_install->SetStatus(("Value" + std::to_string(i)).c_str(),
                             "Status text number " + std::to_string(i));
}

struct Child {
    HANDLE process;
    HWND window;
    double startMilliseconds;
};

// From CreateProcess until the program's window exists and its message loop
// waits for input: by then the tray call is made.
bool Launch(const char *exe, const char *windowName, Child *child)
{
    child->window = NULL;
    double start = Microseconds();
    child->process = StartProgram(exe);
    if (!child->process) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", exe, GetLastError());
        return false;
    }
    while (!(child->window = FindWindowA(windowName, windowName))) {
        if (Microseconds() - start > 60e6 || WaitForSingleObject(child->process, 0) == WAIT_OBJECT_0)
            break;
        Sleep(1);
    }
    if (child->window)
        WaitForInputIdle(child->process, 30000);
    child->startMilliseconds = (Microseconds() - start) / 1000;
    if (!child->window)
        std::fprintf(stderr, "%s made no window\n", exe);
    return child->window != NULL;
}

// Our own child: ended by its handle if it does not go by itself.
void Close(Child *child)
{
    if (child->window)
        PostMessageA(child->window, WM_CLOSE, 0, 0);
    EndProgram(child->process, 10000);
}

// Microseconds per message over `count` messages sent to `window`, codes
// from `code(i)`.
template <typename Code>
double PerMessage(HWND window, WPARAM help, int count, Code code)
{
    double start = Microseconds();
    for (int i = 0; i < count; ++i)
        SendMessageA(window, WM_BIDISTATUS, help, static_cast<LPARAM>(code(i)));
    double elapsed = Microseconds() - start;
    fake::trayCalls.clear();
    fake::helpCalls.clear();
    return elapsed / count;
}

// One run of a figure: the monitor and the floor in turns, `rounds` batches
// of `count` messages each, so that a burst of load elsewhere falls on both.
template <typename Code>
void MeasureRun(Figure *figure, HWND monitor, HWND floor, WPARAM help, int rounds, int count,
                Code code)
{
    double product = 0, base = 0;
    for (int round = 0; round < rounds; ++round) {
        product += PerMessage(monitor, help, count, code);
        base += PerMessage(floor, help, count, code);
    }
    figure->product.push_back(product / rounds);
    figure->floor.push_back(base / rounds);
}

void DrainQuit()
{
    MSG quit;
    while (PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

}  // namespace

void RemoveConfiguration()
{
    g_install.reset();
}


// One start of a program, read at the moment its loop waits for input.
struct StartSample {
    double milliseconds = 0, cpu = 0, peak = 0, privateBytes = 0;
    bool memory = false;
};

bool StartOnce(const char *exe, const char *windowName, StartSample *sample)
{
    Child child;
    if (!Launch(exe, windowName, &child))
        return false;
    sample->milliseconds = child.startMilliseconds;
    sample->memory = ReadMemory(child.process, &sample->peak, &sample->privateBytes);
    sample->cpu = CpuMilliseconds(child.process);
    Close(&child);
    return true;
}

bool MeasureProcesses(const BenchOptions &options)
{
    std::string monitorExe = BuiltProgram(MONITOR_EXE);
    std::string floorExe = BuiltProgram(FLOOR_EXE);

    Figure &size = AddFigure("executable size", "bytes", 12.0);
    size.product.push_back(FileBytes(monitorExe));
    size.floor.push_back(FileBytes(floorExe));
    Figure &code = AddFigure("executable code and data (all but resources)", "bytes", 3.0);
    code.product.push_back(CodeAndDataBytes(monitorExe));
    code.floor.push_back(CodeAndDataBytes(floorExe));
    if (g_figures[0].product[0] < 0 || g_figures[0].floor[0] < 0 || code.product[0] < 0 ||
        code.floor[0] < 0) {
        std::fprintf(stderr, "cannot find %s or %s\n", monitorExe.c_str(), floorExe.c_str());
        return false;
    }

    WriteConfiguration(false);
    Figure start = {"start to tray icon", "ms", {}, {}, 2.0, 0};
    Figure startCpu = {"CPU time to start", "ms", {}, {}, 3.0, 10};
    Figure peak = {"peak working set after start", "KiB", {}, {}, 2.0, 0};
    Figure privateBytes = {"private bytes after start", "KiB", {}, {}, 2.0, 0};
    // One start of each to warm the prefix's caches; not counted.
    for (int run = -1; run < options.runs; ++run) {
        StartSample monitor, floor;
        if (!StartOnce(MONITOR_EXE, MONITOR_WINDOW_NAME, &monitor) ||
            !StartOnce(FLOOR_EXE, FLOOR_PROGRAM_WINDOW, &floor))
            return false;
        if (run < 0)
            continue;
        start.product.push_back(monitor.milliseconds);
        start.floor.push_back(floor.milliseconds);
        startCpu.product.push_back(monitor.cpu);
        startCpu.floor.push_back(floor.cpu);
        if (monitor.memory && floor.memory) {
            peak.product.push_back(monitor.peak);
            peak.floor.push_back(floor.peak);
            privateBytes.product.push_back(monitor.privateBytes);
            privateBytes.floor.push_back(floor.privateBytes);
        }
    }
    g_figures.push_back(start);
    g_figures.push_back(startCpu);
    g_figures.push_back(peak);
    g_figures.push_back(privateBytes);
    return true;
}

bool MeasureMessages(const BenchOptions &options)
{
    WriteConfiguration(true);
    g_hInstance = GetModuleHandleA(NULL);
    g_currentStatus = 0;
    fake::Reset();
    HWND monitor = CreateMonitorWindow(g_hInstance);
    HWND floor = CreateFloorWindow(*g_install);
    if (!monitor || !floor) {
        std::fprintf(stderr, "cannot create the in-process windows\n");
        return false;
    }
    // An icon change every time: never the monitor's current code, whose
    // repeat would be ignored.
    auto alternate = [](int) { return g_currentStatus == 40021 ? 40077 : 40021; };

    Figure icon = {"status: icon change and tooltip", "us", {}, {}, 2.5, 0};
    Figure tip = {"status: tooltip only (code 5)", "us", {}, {}, 2.5, 0};
    Figure repeat = {"status: ignored repeat", "us", {}, {}, 2.5, 0};
    for (int run = 0; run < options.runs; ++run) {
        g_floorWork = FloorWork::IconAndTip;
        PerMessage(monitor, 0, 50, alternate);  // warm
        MeasureRun(&icon, monitor, floor, 0, 10, 200, alternate);

        g_floorWork = FloorWork::Tip;
        MeasureRun(&tip, monitor, floor, 0, 10, 500, [](int) { return 5; });

        g_floorWork = FloorWork::Nothing;
        SendMessageA(monitor, WM_BIDISTATUS, 0, 40021);
        MeasureRun(&repeat, monitor, floor, 0, 10, 5000, [](int) { return 40021; });
    }
    g_figures.push_back(icon);
    g_figures.push_back(tip);
    g_figures.push_back(repeat);

    g_floorWork = FloorWork::IconTipAndHelp;
    // The bars: about two and a half times the ratios measured when they
    // were set, which grow with the values because the copy opens and
    // closes the help window key for each one.
    const struct {
        int count;
        double bar;
    } sizes[] = {{1, 3.0}, {10, 4.0}, {100, 5.0}, {1000, 6.0}};
    for (const auto &size : sizes) {
        int count = size.count;
        WriteStatusData(count);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, HELP_WINDOW_KEY);
        int messages = count <= 10 ? 8 : count == 100 ? 2 : 1;
        int rounds = count <= 100 ? 5 : 2;
        Figure help = {"status with help, " + std::to_string(count) + " status value" +
                           (count == 1 ? "" : "s"),
                       "us", {}, {}, size.bar, 0};
        PerMessage(monitor, 1, 2, alternate);  // warm
        PerMessage(floor, 1, 2, alternate);
        for (int run = 0; run < options.runs; ++run)
            MeasureRun(&help, monitor, floor, 1, rounds, messages, alternate);
        g_figures.push_back(help);
    }

    KillTimer(monitor, POPUP_TIMER_ID);
    KillTimer(floor, POPUP_TIMER_ID);
    DestroyWindow(monitor);
    DestroyWindow(floor);
    DrainQuit();
    fake::Reset();
    return true;
}

// The session relay's own loop on a thread of this process, so that what
// wakes it can be counted: it watches the same keys as the relay process.
struct RelayRun {
    HANDLE ready;
    DWORD threadId;
    unsigned long wakeUps;
};

DWORD WINAPI RunRelay(void *parameter)
{
    RelayRun *run = static_cast<RelayRun *>(parameter);
    StatusRelay relay;
    bool started = relay.Start();
    MSG message;
    PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE);  // the thread's queue, for WM_QUIT
    SetEvent(run->ready);
    return started ? static_cast<DWORD>(relay.Run(&run->wakeUps)) : 1;
}

unsigned long Count(const unsigned long &count)
{
    return *static_cast<const volatile unsigned long *>(&count);
}

// Both programs idle side by side; meanwhile this thread runs the monitor's
// own window (with the same configuration) beside a floor window and counts
// what wakes each of them.
bool MeasureIdle(const BenchOptions &options)
{
    WriteConfiguration(false);
    Child monitorProcess, floorProcess;
    if (!Launch(MONITOR_EXE, MONITOR_WINDOW_NAME, &monitorProcess))
        return false;
    if (!Launch(FLOOR_EXE, FLOOR_PROGRAM_WINDOW, &floorProcess)) {
        Close(&monitorProcess);
        return false;
    }
    Child relayProcess;
    if (!Launch(RELAY_EXE, RELAY_WINDOW_NAME, &relayProcess)) {
        Close(&monitorProcess);
        Close(&floorProcess);
        return false;
    }
    RelayRun relayRun = {CreateEventA(NULL, TRUE, FALSE, NULL), 0, 0};
    HANDLE relayThread = CreateThread(NULL, 0, RunRelay, &relayRun, 0, &relayRun.threadId);
    if (relayThread)
        WaitForSingleObject(relayRun.ready, 30000);

    g_currentStatus = 0;
    fake::Reset();
    HWND monitor = CreateMonitorWindow(g_hInstance);
    HWND floor = CreateFloorWindow(*g_install);
    PumpMessages(200);  // what creation left queued is not idle time

    double monitorCpu = CpuMilliseconds(monitorProcess.process);
    double floorCpu = CpuMilliseconds(floorProcess.process);
    double relayCpu = CpuMilliseconds(relayProcess.process);
    unsigned long relayWakeUps = Count(relayRun.wakeUps);
    double monitorWakeUps = 0, floorWakeUps = 0, monitorTimers = 0, floorTimers = 0;
    double end = Microseconds() + options.idleSeconds * 1e6;
    for (;;) {
        double left = end - Microseconds();
        if (left <= 0)
            break;
        MsgWaitForMultipleObjects(0, NULL, FALSE, static_cast<DWORD>(left / 1000) + 1,
                                  QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            bool timer = message.message == WM_TIMER;
            if (message.hwnd == monitor) {
                ++monitorWakeUps;
                monitorTimers += timer;
            } else if (message.hwnd == floor) {
                ++floorWakeUps;
                floorTimers += timer;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    double monitorCpuAfter = CpuMilliseconds(monitorProcess.process);
    double floorCpuAfter = CpuMilliseconds(floorProcess.process);
    double relayCpuAfter = CpuMilliseconds(relayProcess.process);
    relayWakeUps = Count(relayRun.wakeUps) - relayWakeUps;
    if (relayThread) {
        PostThreadMessageA(relayRun.threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(relayThread, 10000);
        CloseHandle(relayThread);
    }
    CloseHandle(relayRun.ready);
    Close(&monitorProcess);
    Close(&floorProcess);
    Close(&relayProcess);
    DestroyWindow(monitor);
    DestroyWindow(floor);
    DrainQuit();
    fake::Reset();

    std::string span = " over " + std::to_string(options.idleSeconds) + " s idle";
    Figure &cpu = AddFigure("CPU time" + span, "ms", 2.0, 10);
    cpu.product.push_back(monitorCpuAfter - monitorCpu);
    cpu.floor.push_back(floorCpuAfter - floorCpu);
    Figure &wakeUps = AddFigure("messages (wake-ups)" + span, "count", 2.0, 1);
    wakeUps.product.push_back(monitorWakeUps);
    wakeUps.floor.push_back(floorWakeUps);
    // None at all: the monitor sets a timer only for a help popup.
    Figure &timers = AddFigure("timer wake-ups" + span, "count", 1.0, 1);
    timers.product.push_back(monitorTimers);
    timers.floor.push_back(floorTimers);
    // The session relay against the same floor: it waits on its registry
    // events with no timeout, so idle it neither runs nor wakes.
    Figure &relayIdleCpu = AddFigure("session relay: CPU time" + span, "ms", 2.0, 10);
    relayIdleCpu.product.push_back(relayCpuAfter - relayCpu);
    relayIdleCpu.floor.push_back(floorCpuAfter - floorCpu);
    Figure &relayWakes = AddFigure("session relay: wake-ups" + span, "count", 1.0, 1);
    relayWakes.product.push_back(static_cast<double>(relayWakeUps));
    relayWakes.floor.push_back(floorWakeUps);
    return monitorCpu >= 0 && floorCpu >= 0 && relayCpu >= 0 && relayThread != NULL;
}
