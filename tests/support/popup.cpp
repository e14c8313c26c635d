// The recording popup windows.
#include "popup.h"

#include "app/shared.h"

#include <vector>

namespace popup {

std::function<void(HWND)> onClose;

namespace {

struct Record {
    HWND window;
    int closes;
    DWORD closedAt;
};
std::vector<Record> g_records;
HWND g_shown = NULL;

Record *Find(HWND window)
{
    for (Record &record : g_records)
        if (record.window == window)
            return &record;
    return nullptr;
}

LRESULT CALLBACK PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_CLOSE)
        return DefWindowProcA(window, message, wParam, lParam);
    if (Record *record = Find(window)) {
        if (!record->closes++)
            record->closedAt = GetTickCount();
    }
    if (onClose) {
        std::function<void(HWND)> hook = onClose;
        hook(window);
    }
    if (IsWindow(window))
        DestroyWindow(window);
    return 0;
}

}  // namespace

HWND Open()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = PopupProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = HELP_POPUP_CLASS;
        registered = RegisterClassA(&windowClass) != 0;
    }
    HWND window = CreateWindowExA(0, HELP_POPUP_CLASS, "", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    // Long random runs open popups by the thousand: forget the oldest gone
    // ones, keeping enough history for any one test to look back on.
    if (g_records.size() > 1000) {
        size_t kept = 0;
        for (size_t i = 0; i < g_records.size(); ++i)
            if (i >= g_records.size() - 100 || IsWindow(g_records[i].window))
                g_records[kept++] = g_records[i];
        g_records.resize(kept);
    }
    if (window)
        g_records.push_back(Record{window, 0, 0});
    return window;
}

HWND Show()
{
    if (g_shown && IsWindow(g_shown))
        DestroyWindow(g_shown);
    g_shown = Open();
    return g_shown;
}

HWND Shown()
{
    return g_shown;
}

int Closes(HWND window)
{
    Record *record = Find(window);
    return record ? record->closes : 0;
}

DWORD ClosedAt(HWND window)
{
    Record *record = Find(window);
    return record ? record->closedAt : 0;
}

int ClosesInAll()
{
    int closes = 0;
    for (const Record &record : g_records)
        closes += record.closes;
    return closes;
}

int Live()
{
    int live = 0;
    for (const Record &record : g_records)
        live += IsWindow(record.window) ? 1 : 0;
    return live;
}

void Reset()
{
    onClose = nullptr;
    for (const Record &record : g_records)
        if (IsWindow(record.window))
            DestroyWindow(record.window);
    g_records.clear();
    g_shown = NULL;
}

}  // namespace popup
