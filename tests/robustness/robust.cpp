// Configuration, hostile contents and leak counters for the robustness tests.
#include "robust.h"

#include "app/monitor.h"
#include "fakes.h"
#include "import_slot.h"
#include "installation.h"
#include "popup.h"
#include "registry/settings.h"
#include "testing.h"

#include <utility>

namespace robust {

namespace {

// The registry half of the configuration, written the way every other test
// writes an installation; the names below are its names.
Installation g_installation("Robust");

}  // namespace

const char SETTINGS[] = SETTINGS_KEY;
const char *const MONITOR = g_installation.monitorKey.c_str();
const char *const STATUS_DATA = g_installation.statusKey.c_str();
const char HELP_WINDOW[] = HELP_WINDOW_KEY;
const char *const PRINTER = g_installation.printer.c_str();
const char *const PRINTER_KEY = g_installation.printerKey.c_str();
const char *const DRIVER_DATA = g_installation.driverDataKey.c_str();
const char *const DRIVER = g_installation.driver.c_str();

std::function<void()> onHelpWindowCreate;

std::string TestDirectory()
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    std::string directory(temp, length);
    if (!directory.empty() && directory.back() == '\\')
        directory.pop_back();
    directory += "\\dadavizi-robust";
    CreateDirectoryA(directory.c_str(), NULL);
    return directory;
}

std::string ProfilePath()
{
    return TestDirectory() + "\\DODOZOD.INI";
}

void WriteFullProfile(int popupTime)
{
    WriteProfile(Profile::Full, popupTime);
}

namespace {

std::string HelpMapSection()
{
    // Every table code, the thresholds and the roundings of random codes
    // all find a topic, so the copy runs for nearly every help request.
    return "[HelpMap]\r\n40021=11\r\n40077=12\r\n40000=13\r\n10001=14\r\n10049=15\r\n"
           "10000=16\r\n9999=17\r\n0=18\r\n-2147483648=19\r\n2147483000=20\r\n";
}

}  // namespace

void WriteProfile(Profile kind, int popupTime)
{
    std::string path = ProfilePath();
    std::string timeSection =
        std::string("[") + DRIVER + "]\r\nTimeCloseWindow=" + std::to_string(popupTime) + "\r\n";
    switch (kind) {
    case Profile::Full:
        WriteTextFile(path, timeSection + HelpMapSection());
        break;
    case Profile::Missing:
        DeleteFileA(path.c_str());
        break;
    case Profile::Empty:
        WriteTextFile(path, "");
        break;
    case Profile::Huge: {
        std::string text;
        text.reserve(1100000);
        for (int i = 0; text.size() < 1000000; ++i)
            text += "[Filler" + std::to_string(i % 50) + "]\r\nKey" + std::to_string(i) + "=" +
                    std::string(200, 'v') + "\r\n";
        text += timeSection + HelpMapSection();
        WriteTextFile(path, text);
        break;
    }
    case Profile::Garbage: {
        std::mt19937 rng(1234);
        std::string text(300000, '\0');
        for (char &c : text)
            c = static_cast<char>(rng());
        // Section and key text inside the noise, and a line far longer than
        // any buffer the profile reader might keep.
        text.insert(1000, "\r\n[HelpMap]\r\n40021=\xff\xfe\r\n=\r\n[\r\n");
        text.insert(5000, std::string(100000, '='));
        WriteTextFile(path, text);
        break;
    }
    }
}

void WriteFullConfiguration(int popupTime)
{
    g_installation.WriteSettings();
    g_installation.WriteDriverData("01Robust", "Robust,49:x");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, STATUS_DATA);
    g_installation.SetStatus("Code", "40021");
    g_installation.SetStatus("Text", "Paper jam");
    WriteFullProfile(popupTime);
}

void RemoveEverything()
{
    g_installation.RemoveKeys();
    DeleteFileA(ProfilePath().c_str());
}

namespace {

std::string Bytes(std::mt19937 &rng, size_t size, bool printable)
{
    std::string data(size, '\0');
    for (char &c : data)
        c = printable ? static_cast<char>('!' + rng() % 94) : static_cast<char>(rng());
    return data;
}

RawValue Text(DWORD type, std::string text, bool terminated)
{
    if (terminated)
        text.push_back('\0');
    return RawValue{type, text};
}

}  // namespace

std::vector<RawValue> ValueCatalogue()
{
    std::mt19937 rng(99);
    std::vector<RawValue> values;
    const size_t sizes[] = {0, 1, 255, 256, 257, 65536};
    for (size_t size : sizes) {
        // Strings of that many bytes with and without a terminator, so the
        // data is exactly `size` bytes in the second case.
        values.push_back(Text(REG_SZ, std::string(size ? size - 1 : 0, 'a'), size != 0));
        values.push_back(Text(REG_SZ, std::string(size, 'b'), false));
        values.push_back(Text(REG_EXPAND_SZ, std::string(size, 'c'), false));
        values.push_back(RawValue{REG_BINARY, Bytes(rng, size, false)});
        values.push_back(RawValue{REG_NONE, Bytes(rng, size, false)});
        std::string multi = Bytes(rng, size, true);
        for (size_t i = 7; i < multi.size(); i += 8)
            multi[i] = '\0';
        values.push_back(RawValue{REG_MULTI_SZ, multi});
    }
    values.push_back(RawValue{REG_DWORD, std::string("\x05\x00\x00\x00", 4)});
    values.push_back(RawValue{REG_DWORD, std::string("\x31\x32\x33\x34", 4)});  // "1234", no end
    values.push_back(RawValue{REG_DWORD, std::string("\xff\xff\xff\x7f", 4)});
    values.push_back(RawValue{REG_MULTI_SZ, std::string("40021\0Deutsch\0\0", 15)});
    values.push_back(Text(REG_SZ, "-2147483648", true));
    values.push_back(Text(REG_SZ, "99999999999999999999", true));
    values.push_back(Text(REG_SZ, "  +40077xyz", true));
    values.push_back(Text(REG_SZ, "01", true));
    values.push_back(Text(REG_SZ, "0", true));
    values.push_back(Text(REG_SZ, ",,,::,", true));
    values.push_back(Text(REG_SZ, "Robust,", true));
    values.push_back(Text(REG_SZ, "Robust,49", false));
    values.push_back(Text(REG_SZ, std::string(300, 'p'), true));
    values.push_back(Text(REG_SZ, std::string(1100, 'q'), true));
    values.push_back(RawValue{REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)});
    values.push_back(RawValue{REG_LINK, std::string("l\0i\0n\0k\0", 8)});
    values.push_back(RawValue{0x7FFF1234, std::string(40, 'u')});
    // Unicode strings as the system stores them: an odd number of bytes,
    // characters outside the ANSI code page, no terminator, 256 of them.
    const char *const wideTexts[] = {"A\0B\0C", "\x3a\x26\x3b\x26\x00\x00", "\xac\x20\xff\xfe"};
    values.push_back(RawValue{REG_SZ, std::string(wideTexts[0], 5), true});
    values.push_back(RawValue{REG_SZ, std::string(wideTexts[1], 6), true});
    values.push_back(RawValue{REG_EXPAND_SZ, std::string(wideTexts[2], 4), true});
    std::string wide256;
    for (int i = 0; i < 256; ++i)
        wide256 += std::string(i % 2 ? "\x3a\x26" : "x\0", 2);
    values.push_back(RawValue{REG_SZ, wide256, true});
    values.push_back(RawValue{REG_MULTI_SZ, wide256 + std::string(2, '\0'), true});
    return values;
}

RawValue RandomValue(std::mt19937 &rng)
{
    static const std::vector<RawValue> catalogue = ValueCatalogue();
    if (rng() % 2)
        return catalogue[rng() % catalogue.size()];
    static const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD,
                                  REG_NONE};
    RawValue value;
    value.type = types[rng() % 6];
    size_t size = rng() % 300;
    bool printable = value.type != REG_BINARY && value.type != REG_NONE;
    value.data = Bytes(rng, size, printable);
    if (printable && size && rng() % 2)
        value.data[rng() % size] = '\0';
    return value;
}

std::string Describe(const RawValue &value)
{
    return "type " + std::to_string(value.type) + ", " + std::to_string(value.data.size()) +
           (value.wide ? " Unicode bytes" : " bytes");
}

void SetRaw(const char *path, const char *name, const RawValue &value)
{
    if (!value.wide) {
        SetRegBytes(path, name, value.type, value.data.data(),
                    static_cast<DWORD>(value.data.size()));
        return;
    }
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return;
    std::wstring wideName(name, name + lstrlenA(name));
    RegSetValueExW(key, wideName.c_str(), 0, value.type,
                   reinterpret_cast<const BYTE *>(value.data.data()),
                   static_cast<DWORD>(value.data.size()));
    RegCloseKey(key);
}

void RewriteStatusData(std::mt19937 &rng, int count)
{
    DeleteKeyTree(HKEY_LOCAL_MACHINE, STATUS_DATA);
    static const char *const codes[] = {"40021", "40077", "10001", "-2147483648", "2147483647",
                                        "0", "9999", "10000", "junk", ""};
    SetRegString(STATUS_DATA, "Code", codes[rng() % 10]);
    for (int i = 0; i < count; ++i) {
        std::string name;
        switch (rng() % 4) {
        case 0:
            name = "";  // the key's default value
            break;
        case 1:
            name = std::string(1 + rng() % 300, 'N');  // longer than any data buffer
            break;
        default:
            name = "Value" + std::to_string(rng() % 50);
        }
        SetRaw(STATUS_DATA, name.c_str(), RandomValue(rng));
    }
}

bool ReadAllValues(const char *path, std::map<std::string, RawValue> *values)
{
    values->clear();
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    std::vector<char> name(32768);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(key, index, name.data(), &nameLength, NULL, &type, NULL, &size) !=
            ERROR_SUCCESS)
            break;
        RawValue value;
        value.type = type;
        value.data.assign(size, '\0');
        if (RegQueryValueExA(key, name.data(), NULL, &type,
                             reinterpret_cast<BYTE *>(&value.data[0]), &size) == ERROR_SUCCESS) {
            value.data.resize(size);
            (*values)[std::string(name.data(), nameLength)] = value;
        }
    }
    RegCloseKey(key);
    return true;
}

std::map<std::string, std::string> ExpectedCopy(const std::map<std::string, RawValue> &statusData)
{
    std::map<std::string, std::string> expected;
    for (const auto &entry : statusData) {
        const std::string &data = entry.second.data;
        if (data.size() > 256)
            continue;
        expected[entry.first] = data.substr(0, data.find('\0'));
    }
    return expected;
}

std::string CompareHelpWindow(const std::map<std::string, std::string> &expected)
{
    std::map<std::string, RawValue> actual;
    if (!ReadAllValues(HELP_WINDOW, &actual))
        return expected.empty() ? std::string() : "the help window key is missing";
    std::string differences;
    for (const auto &entry : expected) {
        auto found = actual.find(entry.first);
        if (found == actual.end()) {
            differences += "missing '" + entry.first.substr(0, 20) + "'; ";
            continue;
        }
        if (found->second.type != REG_SZ)
            differences += "'" + entry.first.substr(0, 20) + "' not REG_SZ; ";
        if (found->second.data != entry.second + std::string(1, '\0'))
            differences += "'" + entry.first.substr(0, 20) + "' holds " +
                           std::to_string(found->second.data.size()) + " bytes, not " +
                           std::to_string(entry.second.size() + 1) + "; ";
    }
    for (const auto &entry : actual)
        if (!expected.count(entry.first))
            differences += "extra '" + entry.first.substr(0, 20) + "'; ";
    return differences;
}

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<int *>(count);
    return TRUE;
}

}  // namespace

int ThreadWindowCount()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

uintptr_t HandleFootprint()
{
    typedef BOOL(WINAPI * HandleCountCall)(HANDLE, PDWORD);
    static HandleCountCall handleCount = reinterpret_cast<HandleCountCall>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                "GetProcessHandleCount")));
    DWORD count = 0;
    if (handleCount && handleCount(GetCurrentProcess(), &count) && count)
        return count;
    // Wine answers 0 there. Count the handle values that name an open
    // handle instead, widening the range while handles show near its top.
    uintptr_t open = 0;
    uintptr_t limit = 4096;
    uintptr_t highest = 0;
    for (uintptr_t value = 4; value < limit; value += 4) {
        DWORD flags;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++open;
            highest = value;
        }
        if (value + 4 == limit && highest > limit - 1024)
            limit *= 2;
    }
    return open;
}

bool HeapsAreValid()
{
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    if (count > 64)
        count = 64;
    bool valid = true;
    for (DWORD i = 0; i < count; ++i)
        if (!HeapValidate(heaps[i], 0, NULL))
            valid = false;
    return valid;
}

void PrepareFullConfiguration()
{
    onHelpWindowCreate = nullptr;
    RemoveEverything();
    std::string directory = TestDirectory();
    InitMonitorPaths(directory.c_str(), static_cast<UINT>(directory.size()));
    WriteFullConfiguration();
    fake::onHelp = [](const HelpCall &call) {
        if (call.command == HELP_CONTEXTPOPUP)
            popup::Show();
    };
}

void RobustTest::SetUp()
{
    ResetMonitor();
    PrepareFullConfiguration();
    CreateMonitor();
}

void RobustTest::TearDown()
{
    onHelpWindowCreate = nullptr;
    MonitorWindowTest::TearDown();
    RemoveEverything();
}

// RegCreateKeyExA's import slot, the same way the shell and help engine
// stand-ins take theirs: every caller in the test executable, the program
// included, comes through here and on to advapi32.
namespace {

typedef LONG(WINAPI *CreateKeyCall)(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM,
                                    LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);

LONG WINAPI CreateKeyHook(HKEY root, LPCSTR path, DWORD reserved, LPSTR keyClass, DWORD options,
                          REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                          LPDWORD disposition)
{
    static CreateKeyCall real = reinterpret_cast<CreateKeyCall>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegCreateKeyExA")));
    static bool inside = false;
    if (!inside && onHelpWindowCreate && root == HKEY_LOCAL_MACHINE && path &&
        lstrcmpiA(path, HELP_WINDOW) == 0) {
        inside = true;
        onHelpWindowCreate();
        inside = false;
    }
    return real(root, path, reserved, keyClass, options, access, security, result, disposition);
}

}  // namespace

}  // namespace robust

extern "C" {
void *robustCreateKeySlot __asm__(IMPORT_SLOT(RegCreateKeyExA, 36)) =
    reinterpret_cast<void *>(&robust::CreateKeyHook);
}
