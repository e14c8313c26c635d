// Help file resolution from the printer driver data the spooler keeps.
#include "help/help_file.h"

#include "app/shared.h"
#include "app/text.h"
#include "registry/reg_key_reader.h"
#include "registry/settings.h"

char g_helpFilePath[MAX_PATH] = "";

bool FormatDriverDataKeyPath(char *out, int capacity, const char *printer)
{
    return FormatBounded(
        out, capacity, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\%s\\PrinterDriverData",
        printer);
}

bool FormatHelpEntryName(char *out, int capacity, const char *drvlibIntl)
{
    // Two leading characters, then the entry's name; a shorter value names
    // the empty entry.
    const char *entryName = lstrlenA(drvlibIntl) >= 2 ? drvlibIntl + 2 : "";
    return FormatBounded(out, capacity, "DrvlibIntl=%s", entryName);
}

bool ParseHelpFileNumber(char *entry, LONG *number)
{
    char *cursor = entry;
    if (!NextToken(cursor, ","))
        return false;
    const char *text = NextToken(cursor, ",:");
    if (!text)
        return false;
    *number = ParseDecimal(text);
    return true;
}

const char *FindHelpFile()
{
    // One buffer holds first the key path, then the entry's value name.
    char work[256];
    if (!FormatDriverDataKeyPath(work, sizeof work, ReadMonitorSetting("Printer")))
        return NULL;

    RegKeyReader driverData(HKEY_LOCAL_MACHINE, work);
    const char *language = driverData.ReadValue("DrvlibIntl");
    if (!language || !FormatHelpEntryName(work, sizeof work, language))
        return NULL;

    // The reader's buffer is ours until the next read, so split it in place.
    char *entry = const_cast<char *>(driverData.ReadValue(work));
    LONG number = 0;
    if (!entry || !ParseHelpFileNumber(entry, &number))
        return NULL;

    if (!FormatBounded(g_helpFilePath, sizeof g_helpFilePath, "%s\\DOZID%03d.HLP", g_systemDir,
                       (int)number))
        return NULL;
    return g_helpFilePath;
}
