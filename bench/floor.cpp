// The floor the monitor's start-up, memory and idle figures are measured
// against: the least a resident tray program can do. One hidden window, one
// Shell_NotifyIconA(NIM_ADD), a message loop, and nothing else.
#include <windows.h>
#include <shellapi.h>

#define FLOOR_WINDOW_NAME "DadaViziFloor"

namespace {

const UINT FLOOR_ICON_ID = 100;

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        NOTIFYICONDATAA record;
        ZeroMemory(&record, sizeof record);
        record.cbSize = NOTIFYICONDATAA_V1_SIZE;
        record.hWnd = window;
        record.uID = FLOOR_ICON_ID;
        Shell_NotifyIconA(NIM_DELETE, &record);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = FloorProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = FLOOR_WINDOW_NAME;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, FLOOR_WINDOW_NAME, FLOOR_WINDOW_NAME, 0, 0, 0, 0, 0, NULL,
                                  NULL, instance, NULL);

    NOTIFYICONDATAA record;
    ZeroMemory(&record, sizeof record);
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = FLOOR_ICON_ID;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_USER + 10;
    record.hIcon = LoadIconA(NULL, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION, shared
    lstrcpynA(record.szTip, "Floor", sizeof record.szTip);
    Shell_NotifyIconA(NIM_ADD, &record);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
