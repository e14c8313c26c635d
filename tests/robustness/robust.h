// Shared pieces of the robustness tests: a full configuration for the help
// path, hostile registry and profile contents, re-entry hooks, and the
// counters that show nothing is left behind.
#ifndef DADAVIZI_ROBUST_H
#define DADAVIZI_ROBUST_H

#include <windows.h>

#include "monitor_test.h"

#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace robust {

// The names of the support layer's installation "Robust" (installation.h).
extern const char SETTINGS[];
extern const char *const MONITOR;      // the settings value "Monitor"
extern const char *const STATUS_DATA;  // MONITOR + "\\BidiData"
extern const char HELP_WINDOW[];
extern const char *const PRINTER;
extern const char *const PRINTER_KEY;  // the printer's key, parent of its driver data
extern const char *const DRIVER_DATA;
extern const char *const DRIVER;

// Test directory that stands in for the system directory (g_systemDir).
std::string TestDirectory();
std::string ProfilePath();

// Settings, driver data, status data and a profile whose help map names
// every code the tests send, in popup mode with `popupTime` milliseconds.
void WriteFullConfiguration(int popupTime = 20);
void WriteFullProfile(int popupTime);
void RemoveEverything();

// A fresh start for every robustness test: earlier keys and files gone, the
// test directory as the system directory, the full configuration written,
// and a help engine that shows popups.
void PrepareFullConfiguration();

// The monitor's window on the full configuration; everything goes at the end.
class RobustTest : public MonitorWindowTest {
protected:
    void SetUp() override;
    void TearDown() override;
};

// A value of every kind the tests throw at the program.
struct RawValue {
    DWORD type;
    std::string data;
    bool wide = false;  // stored through the Unicode call, `data` as its bytes
};
RawValue RandomValue(std::mt19937 &rng);
// The fixed catalogue: every type and the sizes 0, 1, 255, 256, 257 and
// 64 KiB, strings with and without their terminator, multi-strings, binary
// and 32-bit numbers.
std::vector<RawValue> ValueCatalogue();
std::string Describe(const RawValue &value);
void SetRaw(const char *path, const char *name, const RawValue &value);

// Replaces the status data key by `count` random values (and a Code).
void RewriteStatusData(std::mt19937 &rng, int count);

// Profiles: none, empty, about 1 MB with the help map at its end, garbage.
enum class Profile { Full, Missing, Empty, Huge, Garbage };
void WriteProfile(Profile kind, int popupTime);

// All values of a key as the ANSI calls read them; false when it cannot be opened.
bool ReadAllValues(const char *path, std::map<std::string, RawValue> *values);

// What the help window key must hold after a copy of `statusData`: each
// value of at most 256 bytes, as text ending at its first zero byte.
std::map<std::string, std::string> ExpectedCopy(const std::map<std::string, RawValue> &statusData);
// Empty when the help window key holds exactly `expected` as REG_SZ values;
// otherwise what differs.
std::string CompareHelpWindow(const std::map<std::string, std::string> &expected);

// Leak counters.
int ThreadWindowCount();
// The number of open handles of this process.
uintptr_t HandleFootprint();
// Every process heap passes its own validation (with Wine's heap checking
// on, this finds writes past the end of a block).
bool HeapsAreValid();

// Runs inside RegCreateKeyExA, which the copy calls between the values it
// walks: a test can change the status data under the copy's feet. Only
// calls for the help window key are reported.
extern std::function<void()> onHelpWindowCreate;

}  // namespace robust

#endif
