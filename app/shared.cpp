// The monitor's shared state and the paths start-up works out. Kept apart
// from start-up so that the tools, which read settings through the same
// code, need not link the window procedure.
#include "app/shared.h"

#include "app/text.h"

HINSTANCE g_hInstance = NULL;
char g_systemDir[MAX_PATH] = "";
char g_profilePath[MAX_PATH] = "";
LONG g_currentStatus = 0;
HWND g_popupWindow = NULL;
bool g_helpAskedFor = false;

void InitMonitorPaths(const char *text, UINT length)
{
    // 0 is a failed read; a length that does not fit the buffer is the size
    // GetSystemDirectoryA wanted, and then it wrote nothing.
    if (length == 0 || length >= sizeof g_systemDir)
        g_systemDir[0] = '\0';
    else
        lstrcpynA(g_systemDir, text, (int)length + 1);

    // A root directory comes back as "C:\"; keep only the drive so that
    // appending "\name" still gives a valid path.
    if (length == 3)
        g_systemDir[2] = '\0';

    // A system directory too long for the path leaves it empty, and profile
    // reads then fall back to their defaults.
    FormatBounded(g_profilePath, sizeof g_profilePath, "%s\\%s", g_systemDir, "DODOZOD.INI");
}
