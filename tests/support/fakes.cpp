// Import-slot stand-ins for Shell_NotifyIconA and WinHelpA.
#include "fakes.h"

#include "import_slot.h"
#include "testing.h"

#include <utility>

namespace fake {

std::vector<TrayCall> trayCalls;
std::vector<HelpCall> helpCalls;
bool shellRefuses = false;
std::function<bool(const TrayCall &)> trayFilter;
std::function<void(const TrayCall &)> onTray;
std::function<void(const HelpCall &)> onHelp;

namespace {
std::vector<std::pair<HWND, UINT>> icons;

std::vector<std::pair<HWND, UINT>>::iterator FindIcon(HWND window, UINT id)
{
    for (auto it = icons.begin(); it != icons.end(); ++it)
        if (it->first == window && it->second == id)
            return it;
    return icons.end();
}
}  // namespace

void Reset()
{
    // The program imports shell32 and finds it loaded; the test executable
    // imports nothing of it, its calls all being stand-ins.
    LoadLibraryA("shell32.dll");
    trayCalls.clear();
    helpCalls.clear();
    icons.clear();
    shellRefuses = false;
    trayFilter = nullptr;
    onTray = nullptr;
    onHelp = nullptr;
    taskbarGiven = false;
    ZeroMemory(&taskbar, sizeof taskbar);
    taskbarQueries = 0;
    notificationState = 5;  // QUNS_ACCEPTS_NOTIFICATIONS
    notificationQueries = 0;
    winEvents.clear();
    accProps.clear();
}

bool TrayHasIcon(HWND window, UINT id)
{
    return FindIcon(window, id) != icons.end();
}

void ShellLosesIcons()
{
    icons.clear();
}

BOOL WINAPI ShellNotifyIcon(DWORD message, PNOTIFYICONDATAA data)
{
    TrayCall call;
    ZeroMemory(&call.record, sizeof call.record);
    call.message = message;
    call.result = FALSE;
    DWORD size = data->cbSize < sizeof call.record ? data->cbSize : sizeof call.record;
    CopyMemory(&call.record, data, size);
    call.iconValidDuringCall = IconIsLive(data->hIcon);
    call.iconPixels = IconPixels(data->hIcon);

    bool accepted = !shellRefuses && (!trayFilter || trayFilter(call));
    if (accepted) {
        auto found = FindIcon(data->hWnd, data->uID);
        switch (message) {
        case NIM_ADD:
            accepted = found == icons.end();
            if (accepted)
                icons.push_back(std::make_pair(data->hWnd, data->uID));
            break;
        case NIM_MODIFY:
            accepted = found != icons.end();
            break;
        case NIM_DELETE:
            accepted = found != icons.end();
            if (accepted)
                icons.erase(found);
            break;
        case NIM_SETVERSION:
        case NIM_SETFOCUS:
            // The shell answers for a present icon; the record's size
            // decides what it reads (DescribeTrayCall shows it).
            accepted = found != icons.end();
            break;
        default:
            accepted = false;
        }
    }
    call.result = accepted ? TRUE : FALSE;
    trayCalls.push_back(call);
    if (onTray)
        onTray(call);
    return call.result;
}

BOOL WINAPI WinHelp(HWND window, LPCSTR file, UINT command, ULONG_PTR data)
{
    HelpCall call = {window, file ? file : "", command, data};
    helpCalls.push_back(call);
    if (onHelp)
        onHelp(call);
    return TRUE;
}

}  // namespace fake

extern "C" {
void *shellNotifyIconSlot __asm__(IMPORT_SLOT(Shell_NotifyIconA, 8)) =
    reinterpret_cast<void *>(&fake::ShellNotifyIcon);
void *winHelpSlot __asm__(IMPORT_SLOT(WinHelpA, 16)) = reinterpret_cast<void *>(&fake::WinHelp);
}
