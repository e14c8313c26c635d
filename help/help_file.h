// Which numbered help file belongs to the monitored printer.
#ifndef DADAVIZI_HELP_FILE_H
#define DADAVIZI_HELP_FILE_H

#include <windows.h>

extern char g_helpFilePath[MAX_PATH];

// "<system directory>\DOZIDnnn.HLP" with the number from the printer
// driver's data, in g_helpFilePath; NULL when it cannot be determined.
// Whether the file exists is not looked at.
const char *FindHelpFile();

// The steps of FindHelpFile, for the configuration checker to explain.
// Each returns false, leaving `out` empty, when the result does not fit.
//
// The printer's driver data key under HKEY_LOCAL_MACHINE.
bool FormatDriverDataKeyPath(char *out, int capacity, const char *printer);
// The name of the entry value that "DrvlibIntl" points to: "DrvlibIntl="
// and the value's text after its two leading characters.
bool FormatHelpEntryName(char *out, int capacity, const char *drvlibIntl);
// The help file number in an entry "<name>,<number>[,:...]", split in place.
bool ParseHelpFileNumber(char *entry, LONG *number);

#endif
