// The in-process floor: a window beside the monitor's own that makes the
// platform calls a status needs, directly and nothing more, to the same
// shell and help engine stand-ins the monitor's window talks to.
#ifndef DADAVIZI_BENCH_FLOOR_WINDOW_H
#define DADAVIZI_BENCH_FLOOR_WINDOW_H

#include <windows.h>

class Installation;

enum class FloorWork { Nothing, Tip, IconAndTip, IconTipAndHelp };
extern FloorWork g_floorWork;

// The floor window, with its tray icon added; the help work reads the
// status data of `installation`.
HWND CreateFloorWindow(const Installation &installation);

#endif
