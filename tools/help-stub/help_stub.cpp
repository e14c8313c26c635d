// DadaViziHelpStub: stands in for the help engine under Wine, so that tests
// can see which topics the monitor asks for without a real help viewer.
//
// Wine's WinHelpA looks for a window of class "MS_WINHELP" (starting its own
// viewer only when there is none) and hands it the request as WM_COPYDATA.
// That transport is Wine's own, not the Windows one; this stub answers it,
// logs every request and, for popup requests, opens a window of the class a
// Windows help popup has ("MS_WINNOTE", no title), so that the monitor finds
// and later closes it.
//
//   DadaViziHelpStub --log PATH
//
// Log lines (appended, one per event; TICK is GetTickCount in decimal):
//   TICK start
//   TICK help COMMAND DATA FILE     a request; FILE is the rest of the line
//   TICK popup-open HWND            HWND in hex
//   TICK popup-close HWND           the popup received WM_CLOSE
//   TICK popup-destroy HWND
//   TICK quit
// It ends when its main window receives WM_CLOSE.
#include "wine_help_request.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

const char MAIN_CLASS[] = "MS_WINHELP";
const char POPUP_CLASS[] = "MS_WINNOTE";

char g_logPath[MAX_PATH];
HWND g_popup = NULL;

void Log(const char *format, ...)
{
    char line[2048];
    int length = snprintf(line, sizeof line, "%lu ", (unsigned long)GetTickCount());
    va_list args;
    va_start(args, format);
    vsnprintf(line + length, sizeof line - (size_t)length - 2, format, args);
    va_end(args);
    strcat(line, "\n");

    // Opened per line and shared, so a test can read the log while we run.
    HANDLE file = CreateFileA(g_logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
    CloseHandle(file);
}

LRESULT CALLBACK PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        Log("popup-close %p", (void *)window);
        break;  // the default procedure destroys it
    case WM_DESTROY:
        Log("popup-destroy %p", (void *)window);
        if (g_popup == window)
            g_popup = NULL;
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void OpenPopup(HINSTANCE instance)
{
    // The help engine shows one popup at a time.
    if (g_popup)
        DestroyWindow(g_popup);
    g_popup = CreateWindowExA(WS_EX_TOOLWINDOW, POPUP_CLASS, "", WS_POPUP, 0, 0, 100, 50, NULL,
                              NULL, instance, NULL);
    Log("popup-open %p", (void *)g_popup);
}

LRESULT HandleRequest(HWND window, const COPYDATASTRUCT *copy)
{
    UINT command;
    LONG data;
    char file[MAX_PATH * 2];
    if (!ReadWineHelpRequest(copy, &command, &data, file, sizeof file))
        return FALSE;
    Log("help %u %ld %s", command, (long)data, file);
    if (command == HELP_CONTEXTPOPUP)
        OpenPopup((HINSTANCE)GetWindowLongPtrA(window, GWLP_HINSTANCE));
    return TRUE;
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COPYDATA:
        return HandleRequest(window, reinterpret_cast<const COPYDATASTRUCT *>(lParam));
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || strcmp(argv[1], "--log") != 0 || strlen(argv[2]) >= sizeof g_logPath) {
        fputs("Usage: DadaViziHelpStub --log PATH\n", stderr);
        return 1;
    }
    strcpy(g_logPath, argv[2]);

    HINSTANCE instance = GetModuleHandleA(NULL);
    WNDCLASSA mainClass = {};
    mainClass.lpfnWndProc = MainProc;
    mainClass.hInstance = instance;
    mainClass.lpszClassName = MAIN_CLASS;
    WNDCLASSA popupClass = {};
    popupClass.lpfnWndProc = PopupProc;
    popupClass.hInstance = instance;
    popupClass.lpszClassName = POPUP_CLASS;
    if (!RegisterClassA(&mainClass) || !RegisterClassA(&popupClass))
        return 2;
    HWND window = CreateWindowExA(0, MAIN_CLASS, "DadaViziHelpStub", WS_OVERLAPPED, 0, 0, 0, 0,
                                  NULL, NULL, instance, NULL);
    if (!window)
        return 2;
    Log("start");

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (g_popup)
        DestroyWindow(g_popup);
    Log("quit");
    return 0;
}
