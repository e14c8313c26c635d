// The taskbar's monitor and the presentation state, each through calls that
// older Windows lack and are therefore looked up at run time.
#include "help/desktop.h"

#include <shellapi.h>

namespace {

// The record GetMonitorInfoA fills, as Windows 98 and 2000 define it; the
// headers show it only to programs that need those.
struct MonitorRecord {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
};
const DWORD MONITOR_DEFAULT_TO_PRIMARY = 1;

typedef HANDLE(WINAPI *MonitorFromRectFunction)(const RECT *, DWORD);
typedef BOOL(WINAPI *GetMonitorInfoFunction)(HANDLE, MonitorRecord *);
typedef HRESULT(WINAPI *QueryNotificationStateFunction)(int *);

// SHQueryUserNotificationState's answers that mean "not now".
const int QUNS_BUSY_STATE = 2;
const int QUNS_RUNNING_D3D_FULL_SCREEN_STATE = 3;
const int QUNS_PRESENTATION_MODE_STATE = 4;

FARPROC Look(const char *module, const char *name)
{
    HMODULE handle = GetModuleHandleA(module);
    return handle ? GetProcAddress(handle, name) : NULL;
}

template <typename Function>
Function LookUp(const char *module, const char *name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(Look(module, name)));
}

}  // namespace

RECT PlacePopup(const RECT &work, const RECT &monitor, UINT hiddenEdge, LONG width, LONG height)
{
    UINT edge = hiddenEdge;
    if (work.bottom < monitor.bottom)
        edge = ABE_BOTTOM;
    else if (work.top > monitor.top)
        edge = ABE_TOP;
    else if (work.left > monitor.left)
        edge = ABE_LEFT;
    else if (work.right < monitor.right)
        edge = ABE_RIGHT;

    if (width > work.right - work.left)
        width = work.right - work.left;
    if (height > work.bottom - work.top)
        height = work.bottom - work.top;
    LONG left = edge == ABE_LEFT ? work.left : work.right - width;
    LONG top = edge == ABE_TOP ? work.top : work.bottom - height;
    RECT rect = {left, top, left + width, top + height};
    return rect;
}

void FindTaskbarMonitor(RECT *work, RECT *monitor, UINT *edge)
{
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, work, 0))
        SetRect(work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SetRect(monitor, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));

    APPBARDATA taskbar = {};
    taskbar.cbSize = sizeof taskbar;
    bool known = SHAppBarMessage(ABM_GETTASKBARPOS, &taskbar) != 0;
    *edge = known && taskbar.uEdge <= ABE_BOTTOM ? taskbar.uEdge : ABE_BOTTOM;

    // SPI_GETWORKAREA is the primary monitor's, and in physical pixels
    // whatever the program's DPI awareness; the monitor calls answer in the
    // program's own coordinates, for the monitor the taskbar is on.
    MonitorFromRectFunction fromRect =
        LookUp<MonitorFromRectFunction>("user32.dll", "MonitorFromRect");
    GetMonitorInfoFunction info = LookUp<GetMonitorInfoFunction>("user32.dll", "GetMonitorInfoA");
    if (!fromRect || !info)
        return;
    RECT nowhere = {0, 0, 1, 1};
    HANDLE handle = fromRect(known ? &taskbar.rc : &nowhere, MONITOR_DEFAULT_TO_PRIMARY);
    MonitorRecord record = {};
    record.cbSize = sizeof record;
    if (!handle || !info(handle, &record))
        return;
    *work = record.rcWork;
    *monitor = record.rcMonitor;
}

bool UserIsPresenting()
{
    QueryNotificationStateFunction query =
        LookUp<QueryNotificationStateFunction>("shell32.dll", "SHQueryUserNotificationState");
    int state = 0;
    if (!query || FAILED(query(&state)))
        return false;
    return state == QUNS_BUSY_STATE || state == QUNS_RUNNING_D3D_FULL_SCREEN_STATE ||
           state == QUNS_PRESENTATION_MODE_STATE;
}
