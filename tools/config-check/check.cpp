// The configuration check, step by step in the monitor's order: settings,
// status data, printer driver data and help file, help map, display. Every
// value is read through the monitor's own code where it has a call for it,
// so the report shows what the monitor sees, not what it ought to see.
#include "tools/config-check/check.h"

#include "app/shared.h"
#include "app/text.h"
#include "help/help_engine.h"
#include "help/help_file.h"
#include "help/html_help.h"
#include "help/status_help.h"
#include "registry/reg_key_reader.h"
#include "registry/reg_value_enumerator.h"
#include "registry/settings.h"
#include "tools/common/console.h"
#include "tools/common/status_code.h"
#include "tools/config-check/check_report.h"
#include "tools/config-check/texts_file.h"
#include "tools/config-check/user_rights.h"

namespace {

const char USAGE[] =
    "Usage: DadaViziCheck [CODE]\n"
    "       DadaViziCheck --help\n"
    "\n"
    "Reads the DadaVizi configuration of this computer the way the monitor reads\n"
    "it, and says what the monitor would do with status CODE (a decimal number;\n"
    "default: the stored code, value \"Code\" of the status data key). It only\n"
    "reads: nothing is changed.\n"
    "\n"
    "It shows the settings (HKLM\\" SETTINGS_KEY "),\n"
    "the status data key and its values, the printer driver data and the help\n"
    "file it names, each HelpMap key tried for CODE in DODOZOD.INI and the help\n"
    "context found, the help engine this Windows would use and why, the popup\n"
    "time and display mode, and what this user may\n"
    "write: the help window key (for the monitor) and the status data key (for\n"
    "a status source), each opened for writing as its writer opens it, and for a\n"
    "key not there yet, the nearest key above it opened for creating sub-keys.\n"
    "Nothing is written and no key is created. It also says whether this\n"
    "program is subject to registry virtualization (Windows Vista and later).\n"
    "Each missing piece is on a line of its own starting with \"MISSING:\";\n"
    "list them with\n"
    "    DadaViziCheck | find \"MISSING\"\n"
    "A short texts file saved as UTF-8 gets a line starting with \"WARNING:\".\n"
    "Run the build that matches the monitor's (32-bit): on 64-bit Windows it\n"
    "then sees the same registry view and system directory as the monitor.\n"
    "\n"
    "Exit codes:\n"
    "  0  help for CODE would be shown\n"
    "  1  usage error\n"
    "  2  settings incomplete: no settings key or no \"Printer\" value; without\n"
    "     CODE also no \"Monitor\" value, status data key or \"Code\" value\n"
    "  3  no help file: printer driver data missing or incomplete, or the help\n"
    "     file the engine needs (DOZIDnnn.HLP for WinHelp) does not exist\n"
    "  4  no help topic: no profile file, or no HelpMap entry for CODE\n"
    "The first missing piece in that order decides. Missing pieces that do not\n"
    "stop the help (the \"Driver\" value, a key this user cannot write) are\n"
    "reported and leave the exit code alone.\n";

// One settings value: what the monitor's reader returns, copied into `copy`
// (256 bytes), with the reason when that is empty.
void CheckSetting(RegKeyReader &settings, const char *name, char *copy, int exitCode)
{
    lstrcpynA(copy, ReadMonitorSetting(name), 256);
    if (settings.state != ERROR_SUCCESS)
        return;
    const char *stored = settings.ReadValue(name);
    if (!stored) {
        Missing(exitCode, "value %s in HKLM\\%s", name, SETTINGS_KEY);
        return;
    }
    PrintValue("  %-8s ", name, stored, settings.length);
    if (copy[0])
        return;
    if (stored[0])
        Missing(exitCode, "value %s in HKLM\\%s that fits: %lu bytes, at most 255 characters",
                name, SETTINGS_KEY, settings.length);
    else
        Missing(exitCode, "value %s in HKLM\\%s (it is empty)", name, SETTINGS_KEY);
}

// The status data key and its values; the stored code when there is one.
bool CheckStatusData(const char *monitor, int exitCode, LONG *storedCode)
{
    // Reported with the settings already; the monitor would try "\BidiData".
    if (!monitor[0]) {
        Print("\nStatus data key  (none: no \"Monitor\" value)\n");
        Fail(exitCode);
        return false;
    }
    const char *path = StatusDataKeyPath();
    if (!path) {
        Print("\nStatus data key\n");
        Missing(exitCode, "status data key: \"<Monitor>\\BidiData\" is longer than 255 characters");
        return false;
    }
    char statusPath[256];
    lstrcpynA(statusPath, path, sizeof statusPath);
    Print("\nStatus data key  HKLM\\%s\n", statusPath);

    RegKeyReader reader(HKEY_LOCAL_MACHINE, statusPath);
    if (reader.state != ERROR_SUCCESS) {
        Missing(exitCode, "status data key HKLM\\%s", statusPath);
        return false;
    }
    RegValueEnumerator values(HKEY_LOCAL_MACHINE, statusPath);
    if (values.state == ERROR_NO_MORE_ITEMS)
        Print("  (no values)\n");
    else if (values.state != ERROR_SUCCESS)
        Print("  (values cannot be listed: error %ld)\n", values.state);
    for (; values.state == ERROR_SUCCESS; values.Next()) {
        const char *name = reinterpret_cast<const char *>(values.name.data);
        const char *data = reader.ReadValue(name);
        Print("  %s  ", name[0] ? name : "(default)");
        PrintQuoted(data ? data : "", data ? reader.length : 0);
        if (data && reader.length > 256)
            Print("  (%lu bytes: too long, not copied to the help window key)", reader.length);
        Print("\n");
    }

    const char *code = reader.ReadValue("Code");
    if (!code) {
        Missing(exitCode, "value Code in HKLM\\%s", statusPath);
        return false;
    }
    *storedCode = ParseDecimal(code);
    Print("  stored code %ld\n", (long)*storedCode);
    return true;
}

// The two driver data values and the help file number, as FindHelpFile
// reads them; a missing piece is reported by name.
void ExplainDriverData(const char *printer)
{
    if (!printer[0]) {
        Print("\nPrinter driver data key  (none: no \"Printer\" value)\n");
        return;
    }
    char path[256];
    if (!FormatDriverDataKeyPath(path, sizeof path, printer)) {
        Print("\nPrinter driver data key\n");
        Missing(CHECK_NO_HELP_FILE, "printer driver data key: the printer name is too long");
        return;
    }
    Print("\nPrinter driver data key  HKLM\\%s\n", path);
    RegKeyReader driverData(HKEY_LOCAL_MACHINE, path);
    if (driverData.state != ERROR_SUCCESS) {
        Missing(CHECK_NO_HELP_FILE, "printer driver data key HKLM\\%s", path);
        return;
    }
    const char *language = driverData.ReadValue("DrvlibIntl");
    if (!language) {
        Missing(CHECK_NO_HELP_FILE, "value DrvlibIntl in HKLM\\%s", path);
        return;
    }
    PrintValue("  %s  ", "DrvlibIntl", language, driverData.length);

    char entryName[256];
    if (!FormatHelpEntryName(entryName, sizeof entryName, language)) {
        Missing(CHECK_NO_HELP_FILE, "entry name: value DrvlibIntl is too long");
        return;
    }
    // The reader's buffer is ours until the next read: split it in place.
    char *entry = const_cast<char *>(driverData.ReadValue(entryName));
    if (!entry) {
        Missing(CHECK_NO_HELP_FILE, "value %s in HKLM\\%s", entryName, path);
        return;
    }
    PrintValue("  %s  ", entryName, entry, driverData.length);
    LONG number = 0;
    if (!ParseHelpFileNumber(entry, &number)) {
        Missing(CHECK_NO_HELP_FILE, "help file number: value %s needs \"<name>,<number>\"",
                entryName);
        return;
    }
    Print("  help file number %ld\n", (long)number);
}

const char *EngineName(HelpEngine engine)
{
    switch (engine) {
    case HELP_ENGINE_WINHELP:
        return "WinHelp";
    case HELP_ENGINE_HTMLHELP:
        return "HTML Help";
    default:
        return "the program's own popup";
    }
}

// Windows reads the texts file in the ANSI code page unless it begins with
// a UTF-16 byte-order mark: a UTF-8 file loses its letters in the popup.
// The popup still shows, so the exit code stays.
void CheckTextsEncoding(const char *texts)
{
    TextsEncoding encoding = ReadTextsEncoding(texts);
    Print("  encoding %s\n", encoding == TEXTS_UTF16      ? "UTF-16 (Unicode)"
                              : encoding == TEXTS_UTF8_BOM ? "UTF-8 with byte-order mark"
                              : encoding == TEXTS_UTF8     ? "UTF-8"
                                                           : "ANSI code page");
    if (encoding == TEXTS_UTF8_BOM || encoding == TEXTS_UTF8)
        Print("WARNING: short texts file %s is saved as UTF-8, which Windows reads as the ANSI "
              "code page: save it as UTF-16 (\"Unicode\") with its byte-order mark\n",
              texts);
}

// The engine the monitor would use for `file` on this Windows; with
// `explain`, also why, and which of the CHM and the texts file it would
// want but are missing. Neither is needed for help to be shown, so the
// exit code stays.
HelpEngine CheckEngine(const char *driver, const char *file, bool explain)
{
    if (!g_windowsVersion.major)
        g_windowsVersion = ReadWindowsVersion();
    const WindowsVersion &version = g_windowsVersion;
    int setting = ReadProfileInt(driver, "HelpEngine", HELP_ENGINE_AUTOMATIC);
    char chm[MAX_PATH], texts[MAX_PATH];
    bool haveChm = FormatHelpTwinPath(chm, sizeof chm, file, ".CHM") && IsExistingFile(chm);
    bool haveTexts = FormatHelpTwinPath(texts, sizeof texts, file, ".INI") && IsExistingFile(texts);
    const char *why = "";
    HelpEngine engine = ChooseHelpEngine(version, haveChm, HtmlHelpLoads, setting, &why);
    if (!explain)
        return engine;

    Print("\nHelp engine  %s\n", EngineName(engine));
    Print("  Windows %lu.%lu %s\n", (unsigned long)version.major, (unsigned long)version.minor,
          version.productType == VER_NT_WORKSTATION ? "workstation" : "server");
    Print("  HelpEngine in [%s] = %d%s\n", driver, setting,
          setting >= HELP_ENGINE_WINHELP && setting <= HELP_ENGINE_OWN_POPUP ? "" : " (automatic)");
    Print("  because %s\n", why);
    if (engine == HELP_ENGINE_WINHELP)
        return engine;
    Print("  CHM %s %s\n", chm, haveChm ? "exists" : "(missing)");
    if (!haveChm)
        Print("MISSING: HTML Help file %s: no topic window\n", chm);
    Print("  short texts %s %s\n", texts, haveTexts ? "exists" : "(missing)");
    if (!haveTexts)
        Print("MISSING: short texts file %s: the popup shows the status text alone\n", texts);
    else
        CheckTextsEncoding(texts);
    return engine;
}

// The help file the monitor would open, in `file` (MAX_PATH), if it exists.
// Where WinHelp is not the engine, only its name counts: the CHM and the
// texts file beside it are looked at instead.
bool CheckHelpFile(const char *printer, const char *driver, char *file)
{
    int before = g_missingCount;
    ExplainDriverData(printer);

    const char *found = FindHelpFile();
    if (!found) {
        Print("\nHelp file  (none)\n");
        if (g_missingCount == before && printer[0])
            Missing(CHECK_NO_HELP_FILE, "help file: the printer driver data names none");
        Fail(CHECK_NO_HELP_FILE);
        return false;
    }
    lstrcpynA(file, found, MAX_PATH);
    Print("\nHelp file  %s\n", file);
    bool winHelp = CheckEngine(driver, file, false) == HELP_ENGINE_WINHELP;
    bool exists = IsExistingFile(file);
    if (exists)
        Print("  exists\n");
    else if (winHelp)
        Missing(CHECK_NO_HELP_FILE, "help file %s", file);
    else
        Print("  (missing: not needed by this engine)\n");
    CheckEngine(driver, file, true);
    return exists || !winHelp;
}

// Each key tried in the help map, then the monitor's own lookup.
UINT CheckHelpMap(LONG code)
{
    Print("\nHelp map  code %ld in section [HelpMap] of %s\n", (long)code, g_profilePath);
    if (!g_profilePath[0]) {
        Missing(CHECK_NO_HELP_TOPIC, "profile file: the system directory is too long for its path");
        return 0;
    }
    if (!IsExistingFile(g_profilePath)) {
        Missing(CHECK_NO_HELP_TOPIC, "profile file %s", g_profilePath);
        return 0;
    }

    LONG keys[HELP_MAP_KEY_COUNT];
    HelpMapKeys(code, keys);
    char tried[HELP_MAP_KEY_COUNT * 13] = "";
    for (LONG key : keys) {
        char keyText[20];
        wsprintfA(keyText, "%ld", (long)key);  // at most 11 characters
        if (tried[0])
            lstrcatA(tried, ", ");
        lstrcatA(tried, keyText);
        UINT context = (UINT)ReadProfileInt("HelpMap", keyText, 0);
        Print("  %s = %u%s\n", keyText, context, context ? "" : " (none)");
        if (context)
            break;
    }

    UINT context = LookUpHelpContext(code);
    if (!context) {
        Missing(CHECK_NO_HELP_TOPIC, "HelpMap entry for %s in %s", tried, g_profilePath);
        return 0;
    }
    Print("  help context %u\n", context);
    return context;
}

// Popup time and display mode; returns the popup time.
int CheckDisplay(const char *driver, const char *file, bool haveFile)
{
    Print("\nDisplay\n");
    int time = ReadProfileInt(driver, "TimeCloseWindow", DEFAULT_POPUP_TIME);
    // A second read with another fallback tells a stored value from the default.
    bool stored = time == ReadProfileInt(driver, "TimeCloseWindow", DEFAULT_POPUP_TIME + 1);
    Print("  TimeCloseWindow in [%s] = %d%s\n", driver, time, stored ? "" : " (not set: default)");
    if (time > 0) {
        Print("  mode popup at the bottom-right corner (%d, %d), closed after %d ms\n",
              GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), time);
    } else {
        char target[256] = "";
        if (haveFile && !FormatBounded(target, sizeof target, "%s>SEC", file))
            Missing(CHECK_NO_HELP_FILE, "room for \">SEC\": help file path over 251 characters");
        Print("  mode secondary window \"SEC\": %s\n", target);
    }

    return time;
}

int UsageError(const char *format, const char *argument)
{
    Print("DadaViziCheck: ");
    Print(format, argument);
    Print("\n\n");
    PrintLong(USAGE);
    return CHECK_USAGE;
}

}  // namespace

int RunConfigCheck(int argc, char **argv, HANDLE out)
{
    g_out = out;
    g_exitCode = CHECK_HELP_SHOWN;
    g_missingCount = 0;

    LONG code = 0;
    bool haveCode = false;
    if (argc > 1)
        return UsageError("one status code at most, not \"%s ...\"", argv[0]);
    if (argc == 1) {
        if (AsksForUsage(argv[0])) {
            PrintLong(USAGE);
            return CHECK_HELP_SHOWN;
        }
        if (!ParseStatusCode(argv[0], &code))
            return UsageError("\"%s\" is not a status code (a decimal number from "
                              "-2147483648 to 2147483647)", argv[0]);
        haveCode = true;
    }

    Print("DadaVizi configuration check\n\n");
    Print("System directory  %s\n", g_systemDir);
    Print("Profile file      %s\n", g_profilePath);
    Print("Monitor running   %s\n",
          FindWindowA(MONITOR_WINDOW_NAME, MONITOR_WINDOW_NAME) ? "yes" : "no");

    // Settings: without "Printer" there is no help file; without "Monitor"
    // no stored code; without "Driver" only the default popup time.
    char monitor[256], printer[256], driver[256];
    Print("\nSettings key  HKLM\\%s\n", SETTINGS_KEY);
    {
        RegKeyReader settings(HKEY_LOCAL_MACHINE, SETTINGS_KEY);
        if (settings.state != ERROR_SUCCESS)
            Missing(CHECK_SETTINGS_INCOMPLETE, "settings key HKLM\\%s", SETTINGS_KEY);
        CheckSetting(settings, "Monitor", monitor,
                     haveCode ? CHECK_HELP_SHOWN : CHECK_SETTINGS_INCOMPLETE);
        CheckSetting(settings, "Printer", printer, CHECK_SETTINGS_INCOMPLETE);
        CheckSetting(settings, "Driver", driver, CHECK_HELP_SHOWN);
    }

    LONG storedCode = 0;
    int storedCodeCost = haveCode ? CHECK_HELP_SHOWN : CHECK_SETTINGS_INCOMPLETE;
    bool haveStored = CheckStatusData(monitor, storedCodeCost, &storedCode);
    if (!haveCode && haveStored)
        code = storedCode;

    char file[MAX_PATH] = "";
    bool haveFile = CheckHelpFile(printer, driver, file);

    UINT context = 0;
    if (haveCode || haveStored)
        context = CheckHelpMap(code);
    else
        Print("\nHelp map  no code to look up: give one as CODE\n");

    int time = CheckDisplay(driver, file, haveFile);
    CheckThisUser(monitor);

    if (g_exitCode == CHECK_HELP_SHOWN)
        Print("\nResult: help topic %u of %s would be shown %s.\n", context, file,
              time > 0 ? "as a popup" : "in the secondary window \"SEC\"");
    else if (haveCode || haveStored)
        Print("\nResult: no help would be shown for code %ld (exit code %d).\n", (long)code,
              g_exitCode);
    else
        Print("\nResult: no help would be shown (exit code %d).\n", g_exitCode);
    return g_exitCode;
}
