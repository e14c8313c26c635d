// Which numbered help file belongs to the monitored printer.
#ifndef DADAVIZI_HELP_FILE_H
#define DADAVIZI_HELP_FILE_H

#include <windows.h>

extern char g_helpFilePath[MAX_PATH];

// "<system directory>\DOZIDnnn.HLP" with the number from the printer
// driver's data, in g_helpFilePath; NULL when it cannot be determined.
// Whether the file exists is not looked at.
const char *FindHelpFile();

#endif
