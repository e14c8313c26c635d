// The settings key, the status data key and the refresh from the stored status.
#ifndef DADAVIZI_SETTINGS_H
#define DADAVIZI_SETTINGS_H

#include <windows.h>

// Under HKEY_LOCAL_MACHINE.
#define SETTINGS_KEY "SOFTWARE\\Halvik\\Zive Dozorod"
#define HELP_WINDOW_KEY "SOFTWARE\\Halvik\\Help Embedded Window"

extern char g_settingValue[256];
extern char g_statusDataPath[256];

// The settings value `name` as text, in a buffer shared by every call: use
// it at once. Never NULL; empty when the key or value is missing or the
// value does not fit.
const char *ReadMonitorSetting(const char *name);

// "<Monitor>\BidiData": the key the status source keeps the status data in.
// NULL when the path does not fit its buffer.
const char *StatusDataKeyPath();

// Sends the stored status code to `window` as a status with help.
void RefreshFromStoredStatus(HWND window);

// An integer from the profile file; `fallback` when the file has none.
int ReadProfileInt(const char *section, const char *key, int fallback);

#endif
