// Help file resolution from the printer driver data the spooler keeps.
#include "help_file.h"

#include "../app/monitor.h"
#include "../app/text.h"
#include "../registry/reg_key_reader.h"
#include "../registry/settings.h"

char g_helpFilePath[MAX_PATH] = "";

const char *FindHelpFile()
{
    // One buffer holds first the key path, then the entry's value name.
    char work[256];
    if (!FormatBounded(work, sizeof work,
                       "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\%s\\PrinterDriverData",
                       ReadMonitorSetting("Printer")))
        return NULL;

    RegKeyReader driverData(HKEY_LOCAL_MACHINE, work);
    const char *language = driverData.ReadValue("DrvlibIntl");
    if (!language)
        return NULL;

    // Two leading characters, then the entry's name; a shorter value names
    // the empty entry.
    const char *entryName = lstrlenA(language) >= 2 ? language + 2 : "";
    if (!FormatBounded(work, sizeof work, "DrvlibIntl=%s", entryName))
        return NULL;

    // The reader's buffer is ours until the next read, so tokenise in place.
    char *entry = const_cast<char *>(driverData.ReadValue(work));
    if (!entry)
        return NULL;
    char *cursor = entry;
    if (!NextToken(cursor, ","))
        return NULL;
    const char *number = NextToken(cursor, ",:");
    if (!number)
        return NULL;

    if (!FormatBounded(g_helpFilePath, sizeof g_helpFilePath, "%s\\DOZID%03d.HLP", g_systemDir,
                       (int)ParseDecimal(number)))
        return NULL;
    return g_helpFilePath;
}
