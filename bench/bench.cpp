// DadaVizi's benchmark: every figure is measured next to a floor taken in the
// same run, and judged by its ratio to that floor, so that a slow machine or
// a busy Wine does not move the verdict.
//
//   DadaViziBench [--runs N] [--idle SECONDS] [--quick] [--csv FILE]
//
// Exit code 0 when every ratio stays within its bar, 1 when one passes it,
// 2 when a measurement could not be made.
#include <windows.h>
#include <shellapi.h>

#include "app/monitor.h"
#include "fakes.h"
#include "res/resource.h"
#include "testing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char SETTINGS[] = "SOFTWARE\\Halvik\\Zive Dozorod";
const char MONITOR[] = "SOFTWARE\\Halvik\\Bench Monitor";
const char STATUS_DATA[] = "SOFTWARE\\Halvik\\Bench Monitor\\BidiData";
const char HELP_WINDOW[] = "SOFTWARE\\Halvik\\Help Embedded Window";
const char PRINTER[] = "Bench Printer";
const char PRINTER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Bench Printer";
const char DRIVER_DATA[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Bench Printer\\PrinterDriverData";
const char DRIVER[] = "BenchDriver";
const char FLOOR_PROGRAM_WINDOW[] = "DadaViziFloor";
const char FLOOR_WINDOW[] = "DadaViziBenchFloor";

// ---------------------------------------------------------------- figures

struct Figure {
    std::string name;
    std::string unit;
    std::vector<double> product;  // one value per run
    std::vector<double> floor;
    double bar;  // the median ratio must not pass this
    // Idle figures are near zero: one clock tick (or one wake-up) is added
    // to both sides, so that nothing against nothing compares as 1.
    double smoothing;
};

std::vector<Figure> g_figures;

struct Spread {
    double median;
    double low;
    double high;
};

Spread Summarise(std::vector<double> values)
{
    Spread spread = {0, 0, 0};
    if (values.empty())
        return spread;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    spread.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    spread.low = values.front();
    spread.high = values.back();
    return spread;
}

std::vector<double> Ratios(const Figure &figure)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < figure.product.size() && i < figure.floor.size(); ++i)
        ratios.push_back((figure.product[i] + figure.smoothing) /
                         (figure.floor[i] + figure.smoothing));
    return ratios;
}

Figure &AddFigure(const std::string &name, const std::string &unit, double bar,
                  double smoothing = 0)
{
    Figure figure;
    figure.name = name;
    figure.unit = unit;
    figure.bar = bar;
    figure.smoothing = smoothing;
    g_figures.push_back(figure);
    return g_figures.back();
}

// ---------------------------------------------------------------- clocks

double Microseconds()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

double CpuMilliseconds(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return -1;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return static_cast<double>(k.QuadPart + u.QuadPart) / 1e4;
}

// psapi's counters, declared here: the program's headers are those of the
// oldest target and hide the extended record.
struct MemoryCounters {
    DWORD cb;
    DWORD PageFaultCount;
    SIZE_T PeakWorkingSetSize;
    SIZE_T WorkingSetSize;
    SIZE_T QuotaPeakPagedPoolUsage;
    SIZE_T QuotaPagedPoolUsage;
    SIZE_T QuotaPeakNonPagedPoolUsage;
    SIZE_T QuotaNonPagedPoolUsage;
    SIZE_T PagefileUsage;
    SIZE_T PeakPagefileUsage;
    SIZE_T PrivateUsage;
};

bool ReadMemory(HANDLE process, double *peakWorkingSetKiB, double *privateKiB)
{
    typedef BOOL(WINAPI * MemoryInfoCall)(HANDLE, MemoryCounters *, DWORD);
    static MemoryInfoCall memoryInfo = NULL;
    if (!memoryInfo) {
        HMODULE psapi = LoadLibraryA("psapi.dll");
        if (psapi)
            memoryInfo = reinterpret_cast<MemoryInfoCall>(
                reinterpret_cast<void *>(GetProcAddress(psapi, "GetProcessMemoryInfo")));
    }
    MemoryCounters counters;
    ZeroMemory(&counters, sizeof counters);
    counters.cb = sizeof counters;
    if (!memoryInfo || !memoryInfo(process, &counters, sizeof counters))
        return false;
    *peakWorkingSetKiB = static_cast<double>(counters.PeakWorkingSetSize) / 1024;
    *privateKiB = static_cast<double>(counters.PrivateUsage ? counters.PrivateUsage
                                                            : counters.PagefileUsage) /
                  1024;
    return true;
}

// ---------------------------------------------------------------- set-up

std::string ModuleDir()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string result(path, length);
    return result.substr(0, result.find_last_of('\\'));
}

std::string BenchDirectory()
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    std::string directory(temp, length);
    if (!directory.empty() && directory.back() == '\\')
        directory.pop_back();
    directory += "\\dadavizi-bench";
    CreateDirectoryA(directory.c_str(), NULL);
    return directory;
}

// What the status source and the installation leave behind. Without the
// printer's driver data no help file is found, so DadaVizi.exe never starts
// the real help engine; the in-process runs add it for the help figures.
void WriteConfiguration(bool withHelp)
{
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, PRINTER_KEY);
    SetRegString(SETTINGS, "Monitor", MONITOR);
    SetRegString(SETTINGS, "Printer", PRINTER);
    SetRegString(SETTINGS, "Driver", DRIVER);
    SetRegString(STATUS_DATA, "Code", "40021");
    if (withHelp) {
        SetRegString(DRIVER_DATA, "DrvlibIntl", "01Bench");
        SetRegString(DRIVER_DATA, "DrvlibIntl=Bench", "Bench,49:x");
    }
    // A popup time far beyond any run, so that no popup timer fires in one.
    WriteTextFile(BenchDirectory() + "\\DODOZOD.INI",
                  std::string("[") + DRIVER + "]\r\nTimeCloseWindow=600000\r\n" +
                      "[HelpMap]\r\n40021=11\r\n40077=12\r\n40000=13\r\n");
}

void RemoveConfiguration()
{
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, PRINTER_KEY);
    DeleteFileA((BenchDirectory() + "\\DODOZOD.INI").c_str());
}

// The status data key with `count` values, "Code" among them.
void WriteStatusData(int count)
{
    DeleteKeyTree(HKEY_LOCAL_MACHINE, STATUS_DATA);
    SetRegString(STATUS_DATA, "Code", "40021");
    for (int i = 1; i < count; ++i)
        SetRegString(STATUS_DATA, ("Value" + std::to_string(i)).c_str(),
                     "Status text number " + std::to_string(i));
}

// ---------------------------------------------------------------- processes

struct Child {
    PROCESS_INFORMATION process;
    HWND window;
    double startMilliseconds;
};

// From CreateProcess until the program's window exists and its message loop
// waits for input: by then the tray call is made.
bool Launch(const std::string &exe, const char *windowName, Child *child)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    child->window = NULL;
    double start = Microseconds();
    if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &child->process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
        return false;
    }
    while (!(child->window = FindWindowA(windowName, windowName))) {
        if (Microseconds() - start > 60e6 ||
            WaitForSingleObject(child->process.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(1);
    }
    if (child->window)
        WaitForInputIdle(child->process.hProcess, 30000);
    child->startMilliseconds = (Microseconds() - start) / 1000;
    if (!child->window)
        std::fprintf(stderr, "%s made no window\n", exe.c_str());
    return child->window != NULL;
}

void Close(Child *child)
{
    if (child->window)
        PostMessageA(child->window, WM_CLOSE, 0, 0);
    // Our own child: ended by its handle if it does not go by itself.
    if (WaitForSingleObject(child->process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(child->process.hProcess, 1);
    CloseHandle(child->process.hThread);
    CloseHandle(child->process.hProcess);
}

// Bytes of the file's sections other than its resources (the icons): the
// code and data the program carries.
double CodeAndDataBytes(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0,
                              NULL);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    std::vector<char> image(1 << 20);
    DWORD read = 0;
    ReadFile(file, image.data(), static_cast<DWORD>(image.size()), &read, NULL);
    CloseHandle(file);
    if (read < sizeof(IMAGE_DOS_HEADER))
        return -1;
    const IMAGE_DOS_HEADER *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(image.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0 ||
        static_cast<DWORD>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS) > read)
        return -1;
    const IMAGE_NT_HEADERS *nt =
        reinterpret_cast<const IMAGE_NT_HEADERS *>(image.data() + dos->e_lfanew);
    const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(nt);
    double bytes = 0;
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (reinterpret_cast<const char *>(section + 1) > image.data() + read)
            return -1;
        if (std::strncmp(reinterpret_cast<const char *>(section->Name), ".rsrc", 8) != 0)
            bytes += section->SizeOfRawData;
    }
    return bytes;
}

double FileBytes(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return static_cast<double>(data.nFileSizeLow) +
           static_cast<double>(data.nFileSizeHigh) * 4294967296.0;
}

// ---------------------------------------------------------------- in-process floor

// The in-process floor: a window whose procedure makes the platform calls
// a status needs, directly and nothing more, to the same shell and help
// engine stand-ins the monitor's window talks to.
enum class FloorWork { Nothing, Tip, IconAndTip, IconTipAndHelp };
FloorWork g_floorWork = FloorWork::Nothing;

void FloorRecord(NOTIFYICONDATAA &record, HWND window, UINT flags)
{
    ZeroMemory(&record, sizeof record);
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = TRAY_ICON_ID;
    record.uFlags = flags;
}

void FloorTip(HWND window, LONG code)
{
    NOTIFYICONDATAA record;
    FloorRecord(record, window, NIF_TIP);
    wsprintfA(record.szTip, "Status %ld", (long)code);
    Shell_NotifyIconA(NIM_MODIFY, &record);
}

void FloorIcon(HWND window, LONG code)
{
    NOTIFYICONDATAA record;
    FloorRecord(record, window, NIF_ICON);
    record.hIcon = (HICON)LoadImageA(GetModuleHandleA(NULL),
                                     MAKEINTRESOURCEA(code == 40021 ? IDI_PRINTER_STROKE
                                                                    : IDI_PRINTER_CROSSED),
                                     IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                     GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR);
    Shell_NotifyIconA(NIM_MODIFY, &record);
    DestroyIcon(record.hIcon);
}

void FloorQuery(HKEY root, const char *path, const char *name, char *buffer, DWORD size)
{
    HKEY key;
    buffer[0] = '\0';
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE *>(buffer), &size);
    RegCloseKey(key);
}

// The same reads, profile lookups, copy and help calls as the monitor's
// help sequence, each made once, with the help window key opened once for
// the whole copy.
void FloorHelp(HWND window, LONG code)
{
    char printer[256], driver[256], text[256], path[512], file[MAX_PATH];
    FloorQuery(HKEY_LOCAL_MACHINE, SETTINGS, "Printer", printer, sizeof printer);
    wsprintfA(path, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\%s\\PrinterDriverData",
              printer);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD size = sizeof text;
        RegQueryValueExA(key, "DrvlibIntl", NULL, NULL, reinterpret_cast<BYTE *>(text), &size);
        size = sizeof text;
        RegQueryValueExA(key, "DrvlibIntl=Bench", NULL, NULL, reinterpret_cast<BYTE *>(text),
                         &size);
        RegCloseKey(key);
    }
    wsprintfA(file, "%s\\DOZID%03d.HLP", g_systemDir, 49);
    WinHelpA(window, file, HELP_SETPOPUP_POS,
             MAKELONG(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    FloorQuery(HKEY_LOCAL_MACHINE, SETTINGS, "Driver", driver, sizeof driver);
    int popupTime = (int)GetPrivateProfileIntA(driver, "TimeCloseWindow", 3000, g_profilePath);
    char keyText[20];
    wsprintfA(keyText, "%ld", (long)code);
    UINT context = GetPrivateProfileIntA("HelpMap", keyText, 0, g_profilePath);

    HKEY status, help;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, STATUS_DATA, 0, KEY_READ, &status) == ERROR_SUCCESS) {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, HELP_WINDOW, 0, NULL, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE, NULL, &help, NULL) == ERROR_SUCCESS) {
            char name[256];
            BYTE data[257];
            for (DWORD index = 0;; ++index) {
                DWORD nameSize = sizeof name;
                DWORD dataSize = 256;
                if (RegEnumValueA(status, index, name, &nameSize, NULL, NULL, data, &dataSize) !=
                    ERROR_SUCCESS)
                    break;
                data[dataSize] = 0;
                RegSetValueExA(help, name, 0, REG_SZ, data,
                               (DWORD)lstrlenA(reinterpret_cast<char *>(data)) + 1);
            }
            RegCloseKey(help);
        }
        RegCloseKey(status);
    }
    WinHelpA(window, file, HELP_CONTEXTPOPUP, context);
    FindWindowA("MS_WINNOTE", "");
    SetTimer(window, POPUP_TIMER_ID, (UINT)popupTime, NULL);
}

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_BIDISTATUS)
        return DefWindowProcA(window, message, wParam, lParam);
    LONG code = (LONG)lParam;
    switch (g_floorWork) {
    case FloorWork::Nothing:
        break;
    case FloorWork::Tip:
        FloorTip(window, code);
        break;
    case FloorWork::IconAndTip:
        FloorIcon(window, code);
        FloorTip(window, code);
        break;
    case FloorWork::IconTipAndHelp:
        FloorIcon(window, code);
        FloorTip(window, code);
        FloorHelp(window, code);
        break;
    }
    return 0;
}

HWND CreateFloorWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = FloorProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = FLOOR_WINDOW;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, FLOOR_WINDOW, FLOOR_WINDOW, 0, 0, 0, 0, 0, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    // The stand-in shell modifies only icons it has: add the floor's once.
    NOTIFYICONDATAA record;
    FloorRecord(record, window, NIF_MESSAGE | NIF_TIP);
    Shell_NotifyIconA(NIM_ADD, &record);
    return window;
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

// ---------------------------------------------------------------- the runs

struct Options {
    int runs = 7;
    int idleSeconds = 60;
    std::string csv = "results.csv";
};

bool MeasureProcesses(const Options &options)
{
    std::string dir = ModuleDir();
    std::string monitorExe = dir + "\\DadaVizi.exe";
    std::string floorExe = dir + "\\BenchFloor.exe";

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
        Child monitor, floor;
        if (!Launch(monitorExe, MONITOR_WINDOW_NAME, &monitor))
            return false;
        double monitorPeak = 0, monitorPrivate = 0;
        bool monitorMemory = ReadMemory(monitor.process.hProcess, &monitorPeak, &monitorPrivate);
        double monitorCpu = CpuMilliseconds(monitor.process.hProcess);
        Close(&monitor);
        if (!Launch(floorExe, FLOOR_PROGRAM_WINDOW, &floor))
            return false;
        double floorPeak = 0, floorPrivate = 0;
        bool floorMemory = ReadMemory(floor.process.hProcess, &floorPeak, &floorPrivate);
        double floorCpu = CpuMilliseconds(floor.process.hProcess);
        Close(&floor);
        if (run < 0)
            continue;
        start.product.push_back(monitor.startMilliseconds);
        start.floor.push_back(floor.startMilliseconds);
        startCpu.product.push_back(monitorCpu);
        startCpu.floor.push_back(floorCpu);
        if (monitorMemory && floorMemory) {
            peak.product.push_back(monitorPeak);
            peak.floor.push_back(floorPeak);
            privateBytes.product.push_back(monitorPrivate);
            privateBytes.floor.push_back(floorPrivate);
        }
    }
    g_figures.push_back(start);
    g_figures.push_back(startCpu);
    g_figures.push_back(peak);
    g_figures.push_back(privateBytes);
    return true;
}

bool MeasureMessages(const Options &options)
{
    WriteConfiguration(true);
    std::string directory = BenchDirectory();
    InitMonitorPaths(directory.c_str(), static_cast<UINT>(directory.size()));
    g_hInstance = GetModuleHandleA(NULL);
    g_currentStatus = 0;
    fake::Reset();
    HWND monitor = CreateMonitorWindow(g_hInstance);
    HWND floor = CreateFloorWindow();
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
        DeleteKeyTree(HKEY_LOCAL_MACHINE, HELP_WINDOW);
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

// Both programs idle side by side; meanwhile this thread runs the monitor's
// own window (with the same configuration) beside a floor window and counts
// what wakes each of them.
bool MeasureIdle(const Options &options)
{
    std::string dir = ModuleDir();
    WriteConfiguration(false);
    Child monitorProcess, floorProcess;
    if (!Launch(dir + "\\DadaVizi.exe", MONITOR_WINDOW_NAME, &monitorProcess))
        return false;
    if (!Launch(dir + "\\BenchFloor.exe", FLOOR_PROGRAM_WINDOW, &floorProcess)) {
        Close(&monitorProcess);
        return false;
    }

    std::string directory = BenchDirectory();
    InitMonitorPaths(directory.c_str(), static_cast<UINT>(directory.size()));
    g_currentStatus = 0;
    fake::Reset();
    HWND monitor = CreateMonitorWindow(g_hInstance);
    HWND floor = CreateFloorWindow();
    PumpMessages(200);  // what creation left queued is not idle time

    double monitorCpu = CpuMilliseconds(monitorProcess.process.hProcess);
    double floorCpu = CpuMilliseconds(floorProcess.process.hProcess);
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
    double monitorCpuAfter = CpuMilliseconds(monitorProcess.process.hProcess);
    double floorCpuAfter = CpuMilliseconds(floorProcess.process.hProcess);
    Close(&monitorProcess);
    Close(&floorProcess);
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
    return monitorCpu >= 0 && floorCpu >= 0;
}

// ---------------------------------------------------------------- report

std::string Number(double value)
{
    char text[64];
    if (value >= 100 || value == static_cast<long long>(value))
        std::snprintf(text, sizeof text, "%.0f", value);
    else if (value >= 10)
        std::snprintf(text, sizeof text, "%.1f", value);
    else
        std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The build measured: the figures differ between the two widths.
const char *const TARGET = sizeof(void *) == 8 ? "mingw64" : "mingw32";

int Report(const Options &options)
{
    int failures = 0;
    std::string table;
    char line[512];
    std::snprintf(line, sizeof line, "DadaVizi benchmark, target %s (%d-bit)\n\n", TARGET,
                  static_cast<int>(sizeof(void *) * 8));
    table += line;
    std::snprintf(line, sizeof line, "| %-44s | %-5s | %-26s | %-8s | %-22s | %-4s | %-3s |\n",
                  "figure", "unit", "DadaVizi median (min-max)", "floor", "ratio median (min-max)",
                  "bar", "ok");
    table += line;
    table += "|" + std::string(46, '-') + "|" + std::string(7, '-') + "|" + std::string(28, '-') +
             "|" + std::string(10, '-') + "|" + std::string(24, '-') + "|" + std::string(6, '-') +
             "|" + std::string(5, '-') + "|\n";

    FILE *csv = std::fopen(options.csv.c_str(), "w");
    if (csv)
        std::fprintf(csv, "target,figure,unit,runs,median,min,max,floor_median,ratio_median,"
                          "ratio_min,ratio_max,bar,pass\n");
    for (const Figure &figure : g_figures) {
        Spread product = Summarise(figure.product);
        Spread floor = Summarise(figure.floor);
        Spread ratio = Summarise(Ratios(figure));
        bool pass = !figure.product.empty() && ratio.median <= figure.bar;
        if (!pass)
            ++failures;
        std::string values = Number(product.median) + " (" + Number(product.low) + "-" +
                             Number(product.high) + ")";
        std::string ratios = Number(ratio.median) + " (" + Number(ratio.low) + "-" +
                             Number(ratio.high) + ")";
        if (figure.product.size() == 1) {
            values = Number(product.median);
            ratios = Number(ratio.median);
        }
        std::snprintf(line, sizeof line, "| %-44s | %-5s | %-26s | %-8s | %-22s | %-4s | %-3s |\n",
                      figure.name.c_str(), figure.unit.c_str(), values.c_str(),
                      Number(floor.median).c_str(), ratios.c_str(), Number(figure.bar).c_str(),
                      pass ? "yes" : "NO");
        table += line;
        if (csv)
            std::fprintf(csv, "%s,\"%s\",%s,%u,%.10g,%.10g,%.10g,%.10g,%.4f,%.4f,%.4f,%.4g,%s\n",
                         TARGET, figure.name.c_str(), figure.unit.c_str(),
                         static_cast<unsigned>(figure.product.size()), product.median,
                         product.low, product.high, floor.median, ratio.median, ratio.low,
                         ratio.high, figure.bar, pass ? "yes" : "no");
    }
    if (csv)
        std::fclose(csv);
    std::printf("%s", table.c_str());
    std::printf("\n%d run%s per figure; ratio = DadaVizi / floor, judged by its median; "
                "%s\n",
                options.runs, options.runs == 1 ? "" : "s",
                failures ? "SOME FIGURES PASSED THEIR BARS" : "every figure within its bar");
    if (!csv)
        std::printf("could not write %s\n", options.csv.c_str());
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--quick") {
            options.idleSeconds = 10;
        } else if (arg == "--runs" && i + 1 < argc) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--idle" && i + 1 < argc) {
            options.idleSeconds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--csv" && i + 1 < argc) {
            options.csv = argv[++i];
        } else {
            std::printf("usage: DadaViziBench [--runs N] [--idle SECONDS] [--quick] "
                        "[--csv FILE]\n");
            return arg == "--help" ? 0 : 2;
        }
    }
    if (FindWindowA(MONITOR_WINDOW_NAME, MONITOR_WINDOW_NAME)) {
        std::fprintf(stderr, "a DadaVizi monitor already runs in this prefix: end it first\n");
        return 2;
    }

    bool measured = MeasureProcesses(options) && MeasureMessages(options) && MeasureIdle(options);
    RemoveConfiguration();
    if (!measured) {
        std::fprintf(stderr, "a measurement failed\n");
        Report(options);
        return 2;
    }
    return Report(options);
}
