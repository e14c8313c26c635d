// DadaViziHelpStub: stands in for the Windows help engine under Wine, for the
// end-to-end tests and the demo alike, so that both see which topics the
// monitor asks for without a real help viewer.
//
// Wine's WinHelpA looks for a window of class "MS_WINHELP" (starting its own
// viewer only when there is none) and hands it each request as WM_COPYDATA.
// That transport is Wine's own, not the Windows one. The stub answers it the
// way the printer's help file would: a popup of the class a Windows help
// popup has ("MS_WINNOTE", no title) at the bottom-right corner for
// HELP_CONTEXTPOPUP, so that the monitor finds and later closes it, and a
// window "Printer help" for HELP_CONTEXT. Each shows the topic's text and
// the status data the monitor copied for the help file.
//
//   DadaViziHelpStub --log PATH
//
// Log lines (appended, CR LF; TICK is GetTickCount in decimal):
//   TICK start
//   TICK help COMMAND DATA FILE        a request; FILE is the rest of the line
//   TICK popup-open HWND CONTEXT       HWND in hex
//   TICK popup-close HWND              the popup received WM_CLOSE
//   TICK popup-destroy HWND
//   TICK secondary-open CONTEXT SEC    or "main" when the file named no window
//   TICK secondary-close
//   TICK quit
// It ends when its main window receives WM_CLOSE, or with the Wine session.
// Exit codes: 0 ended, 1 usage or another engine runs, 2 no window.
#include "tools/help-stub/wine_help_request.h"

#include <windows.h>

#include <stdarg.h>

namespace {

const char ENGINE_CLASS[] = "MS_WINHELP";
const char POPUP_CLASS[] = "MS_WINNOTE";
const char SECONDARY_CLASS[] = "DadaViziHelpStubWindow";
const char SECONDARY_TITLE[] = "Printer help";
const char HELP_WINDOW_KEY[] = "SOFTWARE\\Halvik\\Help Embedded Window";

const int POPUP_WIDTH = 320;
const int SECONDARY_WIDTH = 440;
const int SECONDARY_HEIGHT = 240;
const int MARGIN = 10;
const COLORREF POPUP_BACKGROUND = RGB(255, 255, 225);

struct Topic {
    LONG context;
    const char *text;
};

// The demo's help map names these; "\x97" is the dash of code page 1252.
const Topic TOPICS[] = {
    {5, "Ready \x97 the printer is ready to print."},
    {17, "Paper jam \x97 open the front cover, take out the jammed sheet and "
         "close the cover again. Printing goes on by itself."},
    {23, "Printer error \x97 switch the printer off and on. If the error "
         "comes back, call your service partner."},
    {24, "Attention soon \x97 toner or paper is running low. Have a new "
         "cartridge or paper ready."},
    {25, "Stopped \x97 the printer has stopped or cannot be reached. The "
         "message below says why: remove a jam, close a door, load paper, or "
         "check its power and cable."},
};

char g_logPath[MAX_PATH] = "";
HINSTANCE g_instance = NULL;
HWND g_engine = NULL;
HWND g_popup = NULL;
HWND g_secondary = NULL;
// The text each window paints; one popup and one secondary window at a time.
char g_popupText[2048] = "";
char g_secondaryText[2048] = "";

// One log line; wvsprintfA writes at most 1024 characters, which the
// buffer holds with the tick in front and the line end behind.
void Log(const char *format, ...)
{
    char line[1100];
    int length = wsprintfA(line, "%lu ", (unsigned long)GetTickCount());
    va_list args;
    va_start(args, format);
    length += wvsprintfA(line + length, format, args);
    va_end(args);
    lstrcpyA(line + length, "\r\n");

    // Opened per line and shared, so a test can read the log while we run.
    HANDLE file = CreateFileA(g_logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, line, (DWORD)lstrlenA(line), &written, NULL);
    CloseHandle(file);
}

void WriteError(const char *text)
{
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, (DWORD)lstrlenA(text), &written, NULL);
}

// Appends text to the end of a bounded buffer; what does not fit is cut.
void Append(char *buffer, int size, const char *text)
{
    int used = lstrlenA(buffer);
    if (used + 1 < size)
        lstrcpynA(buffer + used, text, size - used);
}

// The topic's text, then the status data the monitor copied for the help
// file, one "Name: value" line each.
void FormatTopic(char *text, int size, LONG context)
{
    text[0] = '\0';
    for (const Topic &topic : TOPICS) {
        if (topic.context == context)
            Append(text, size, topic.text);
    }
    if (!text[0]) {
        char line[32];
        wsprintfA(line, "Help topic %ld", (long)context);  // at most 22 characters
        Append(text, size, line);
    }

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, HELP_WINDOW_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        char name[128];
        BYTE data[256 + 1];
        DWORD nameSize = sizeof name;
        DWORD dataSize = sizeof data - 1;
        DWORD type;
        LONG result = RegEnumValueA(key, index, name, &nameSize, NULL, &type, data, &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS || type != REG_SZ)
            continue;
        data[dataSize] = '\0';
        Append(text, size, index ? "\r\n" : "\r\n\r\n");
        Append(text, size, name);
        Append(text, size, ": ");
        Append(text, size, reinterpret_cast<const char *>(data));
    }
    RegCloseKey(key);
}

// The height the text needs at the given width, in the window's font.
int TextHeight(const char *text, int width)
{
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT rect = {0, 0, width, 0};
    DrawTextA(dc, text, -1, &rect, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    return rect.bottom;
}

// The bottom-right corner of the free screen: above the taskbar, wherever
// that is, even when it does not reserve the work area.
POINT FreeCorner()
{
    RECT area;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
        SetRect(&area, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    HWND tray = FindWindowA("Shell_TrayWnd", NULL);
    RECT trayRect;
    if (tray && IsWindowVisible(tray) && GetWindowRect(tray, &trayRect) &&
        trayRect.top > area.top && trayRect.top < area.bottom)
        area.bottom = trayRect.top;
    POINT corner = {area.right, area.bottom};
    return corner;
}

void ShowPopup(LONG context)
{
    // The engine shows one popup at a time.
    if (g_popup)
        DestroyWindow(g_popup);
    FormatTopic(g_popupText, sizeof g_popupText, context);

    int height = TextHeight(g_popupText, POPUP_WIDTH - 2 * MARGIN) + 2 * MARGIN + 2;
    POINT corner = FreeCorner();
    // The popup exists before WinHelpA returns: the monitor looks for it
    // right after the call. Owned by the hidden window, it gets no taskbar button.
    g_popup = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, POPUP_CLASS, "",
                              WS_POPUP | WS_BORDER, corner.x - POPUP_WIDTH - MARGIN,
                              corner.y - height - MARGIN, POPUP_WIDTH, height, g_engine, NULL,
                              g_instance, NULL);
    if (!g_popup)
        return;
    Log("popup-open %p %ld", (void *)g_popup, (long)context);
    ShowWindow(g_popup, SW_SHOWNOACTIVATE);
    UpdateWindow(g_popup);
}

// True when the file name ends with ">SEC": the topic goes to the secondary window.
bool NamesSecondaryWindow(const char *file)
{
    int length = lstrlenA(file);
    return length >= 4 && lstrcmpiA(file + length - 4, ">SEC") == 0;
}

void ShowSecondary(LONG context, const char *file)
{
    FormatTopic(g_secondaryText, sizeof g_secondaryText, context);
    if (!g_secondary) {
        g_secondary = CreateWindowExA(0, SECONDARY_CLASS, SECONDARY_TITLE, WS_OVERLAPPEDWINDOW,
                                      CW_USEDEFAULT, CW_USEDEFAULT, SECONDARY_WIDTH,
                                      SECONDARY_HEIGHT, NULL, NULL, g_instance, NULL);
        if (!g_secondary)
            return;
    }
    // One topic window serves both; the log says which one was asked for.
    Log("secondary-open %ld %s", (long)context, NamesSecondaryWindow(file) ? "SEC" : "main");
    InvalidateRect(g_secondary, NULL, TRUE);
    ShowWindow(g_secondary, SW_SHOWNORMAL);
    SetForegroundWindow(g_secondary);
    UpdateWindow(g_secondary);
}

LRESULT OnHelpRequest(const COPYDATASTRUCT *copy)
{
    UINT command;
    LONG data;
    char file[MAX_PATH * 2];
    if (!ReadWineHelpRequest(copy, &command, &data, file, sizeof file))
        return FALSE;
    Log("help %u %ld %s", command, (long)data, file);  // file: under 1000 characters

    switch (command) {
    case HELP_CONTEXTPOPUP:
        ShowPopup(data);
        break;
    case HELP_CONTEXT:
        ShowSecondary(data, file);
        break;
    case HELP_QUIT:
        if (g_popup)
            DestroyWindow(g_popup);
        if (g_secondary)
            DestroyWindow(g_secondary);
        break;
    }
    return TRUE;
}

void PaintText(HWND window, const char *text, COLORREF background)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT rect;
    GetClientRect(window, &rect);
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
    InflateRect(&rect, -MARGIN, -MARGIN);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextA(dc, text, -1, &rect, DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(window, &paint);
}

LRESULT CALLBACK EngineWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COPYDATA:
        return OnHelpRequest(reinterpret_cast<const COPYDATASTRUCT *>(lParam));
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK PopupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintText(window, g_popupText, POPUP_BACKGROUND);
        return 0;
    case WM_CLOSE:
        Log("popup-close %p", (void *)window);
        break;  // the default procedure destroys it
    case WM_LBUTTONDOWN:
        // As with the real engine, a click on a popup closes it.
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        Log("popup-destroy %p", (void *)window);
        if (window == g_popup)
            g_popup = NULL;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK SecondaryWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintText(window, g_secondaryText, GetSysColor(COLOR_WINDOW));
        return 0;
    case WM_DESTROY:
        if (window == g_secondary) {
            g_secondary = NULL;
            Log("secondary-close");
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool Register(const char *name, WNDPROC procedure, UINT style)
{
    WNDCLASSA windowClass = {};
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = g_instance;
    windowClass.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.lpszClassName = name;
    return RegisterClassA(&windowClass) != 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || lstrcmpA(argv[1], "--log") != 0 || lstrlenA(argv[2]) >= MAX_PATH) {
        WriteError("Usage: DadaViziHelpStub --log PATH\n");
        return 1;
    }
    lstrcpynA(g_logPath, argv[2], sizeof g_logPath);
    g_instance = GetModuleHandleA(NULL);
    if (FindWindowA(ENGINE_CLASS, NULL)) {
        WriteError("DadaViziHelpStub: another help engine is running\n");
        return 1;
    }
    if (!Register(ENGINE_CLASS, EngineWndProc, 0) ||
        !Register(POPUP_CLASS, PopupWndProc, CS_SAVEBITS) ||
        !Register(SECONDARY_CLASS, SecondaryWndProc, CS_HREDRAW | CS_VREDRAW))
        return 2;
    // Hidden: WinHelpA finds it by class, the user never sees it.
    g_engine = CreateWindowExA(0, ENGINE_CLASS, "DadaViziHelpStub", WS_OVERLAPPEDWINDOW, 0, 0, 0,
                               0, NULL, NULL, g_instance, NULL);
    if (!g_engine)
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
