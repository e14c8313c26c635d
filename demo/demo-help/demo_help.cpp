// DadaViziDemoHelp: a stand-in for the Windows help engine, for the demo.
//
// Wine's WinHelpA does not start a help engine of its own when a window of
// class "MS_WINHELP" exists: it hands each request to that window as
// WM_COPYDATA. This program owns such a window and shows the demo topics the
// way the printer's help file would: a popup of class "MS_WINNOTE" without a
// title for HELP_CONTEXTPOPUP, a secondary window "Printer help" for
// HELP_CONTEXT. Every request is written to a log file, so scripts can see
// what the monitor asked for.
//
//   DadaViziDemoHelp.exe [LOGFILE]
//
// It runs until its hidden window is closed or the Wine session ends.
#include "wine_help_request.h"

#include <windows.h>

namespace {

const char ENGINE_CLASS[] = "MS_WINHELP";
const char POPUP_CLASS[] = "MS_WINNOTE";
const char SECONDARY_CLASS[] = "DadaViziDemoHelpWindow";
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

// "\x97" is the dash of code page 1252, the one the demo runs in.
const Topic TOPICS[] = {
    {5, "Ready \x97 the printer is ready to print."},
    {17, "Paper jam \x97 open the front cover, take out the jammed sheet and "
         "close the cover again. Printing goes on by itself."},
    {23, "Printer error \x97 switch the printer off and on. If the error "
         "comes back, call your service partner."},
};

char g_logPath[MAX_PATH] = "";
HINSTANCE g_instance = NULL;
HWND g_engine = NULL;
HWND g_popup = NULL;
HWND g_secondary = NULL;
// The text each window paints; one popup and one secondary window at a time.
char g_popupText[2048] = "";
char g_secondaryText[2048] = "";

// Appends text to the end of a bounded buffer; what does not fit is cut.
void Append(char *buffer, size_t size, const char *text)
{
    size_t used = (size_t)lstrlenA(buffer);
    if (used + 1 >= size)
        return;
    lstrcpynA(buffer + used, text, (int)(size - used));
}

void Log(const char *line)
{
    if (!g_logPath[0])
        return;
    HANDLE file = CreateFileA(g_logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, line, (DWORD)lstrlenA(line), &written, NULL);
    WriteFile(file, "\r\n", 2, &written, NULL);
    CloseHandle(file);
}

// The topic's text, then the status data the monitor copied for the help
// file, one "Name: value" line each.
void FormatTopic(char *text, size_t size, LONG context)
{
    text[0] = '\0';
    for (const Topic &topic : TOPICS) {
        if (topic.context == context)
            Append(text, size, topic.text);
    }
    if (!text[0]) {
        char line[64];
        wsprintfA(line, "Help topic %ld", (long)context);  // at most 22 characters
        Append(text, size, line);
    }

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, HELP_WINDOW_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    bool first = true;
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
        Append(text, size, first ? "\r\n\r\n" : "\r\n");
        first = false;
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
    if (g_popup)
        DestroyWindow(g_popup);
    FormatTopic(g_popupText, sizeof g_popupText, context);

    int textWidth = POPUP_WIDTH - 2 * MARGIN;
    int height = TextHeight(g_popupText, textWidth) + 2 * MARGIN + 2;
    POINT corner = FreeCorner();
    int x = corner.x - POPUP_WIDTH - MARGIN;
    int y = corner.y - height - MARGIN;
    // The popup exists before WinHelpA returns: the monitor looks for it
    // right after the call. Owned by the hidden window, it gets no taskbar button.
    g_popup = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, POPUP_CLASS, "",
                              WS_POPUP | WS_BORDER, x, y, POPUP_WIDTH, height, g_engine, NULL,
                              g_instance, NULL);
    if (!g_popup) {
        Log("popup failed");
        return;
    }
    ShowWindow(g_popup, SW_SHOWNOACTIVATE);
    UpdateWindow(g_popup);

    char line[128];
    wsprintfA(line, "popup shown context=%ld at %d,%d size %dx%d", (long)context, x, y,
              POPUP_WIDTH, height);  // numbers only: well under 128 characters
    Log(line);
}

void ShowSecondary(LONG context, bool secondary)
{
    FormatTopic(g_secondaryText, sizeof g_secondaryText, context);
    if (!g_secondary) {
        g_secondary = CreateWindowExA(0, SECONDARY_CLASS, SECONDARY_TITLE, WS_OVERLAPPEDWINDOW,
                                      CW_USEDEFAULT, CW_USEDEFAULT, SECONDARY_WIDTH,
                                      SECONDARY_HEIGHT, NULL, NULL, g_instance, NULL);
        if (!g_secondary) {
            Log("secondary window failed");
            return;
        }
    }
    InvalidateRect(g_secondary, NULL, TRUE);
    ShowWindow(g_secondary, SW_SHOWNORMAL);
    SetForegroundWindow(g_secondary);
    UpdateWindow(g_secondary);

    char line[64];
    wsprintfA(line, "%s shown context=%ld", secondary ? "secondary" : "main",
              (long)context);  // at most 39 characters
    Log(line);
}

// True when the file name ends with ">SEC": the topic goes to the secondary window.
bool NamesSecondaryWindow(const char *file)
{
    int length = lstrlenA(file);
    return length >= 4 && lstrcmpiA(file + length - 4, ">SEC") == 0;
}

LRESULT OnHelpRequest(const COPYDATASTRUCT *copy)
{
    UINT command;
    LONG data;
    char file[MAX_PATH];
    if (!ReadWineHelpRequest(copy, &command, &data, file, sizeof file))
        return FALSE;

    char line[MAX_PATH + 64];
    wsprintfA(line, "request command=%u data=%ld file=%s", command, (long)data, file);  // file is below MAX_PATH
    Log(line);

    switch (command) {
    case HELP_CONTEXTPOPUP:
        ShowPopup(data);
        break;
    case HELP_CONTEXT:
        // The demo has one topic window; the log says which one was asked for.
        ShowSecondary(data, NamesSecondaryWindow(file));
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
    case WM_LBUTTONDOWN:
        // As with the real engine, a click on a popup closes it.
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        if (window == g_popup) {
            g_popup = NULL;
            Log("popup closed");
        }
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
            Log("secondary closed");
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

// The log file: the command line, without surrounding quotes.
void ReadLogPath(const char *commandLine)
{
    while (*commandLine == ' ')
        ++commandLine;
    bool quoted = *commandLine == '"';
    if (quoted)
        ++commandLine;
    lstrcpynA(g_logPath, commandLine, sizeof g_logPath);
    int length = lstrlenA(g_logPath);
    while (length > 0 && (g_logPath[length - 1] == ' ' || (quoted && g_logPath[length - 1] == '"')))
        g_logPath[--length] = '\0';
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    g_instance = instance;
    ReadLogPath(commandLine);
    if (FindWindowA(ENGINE_CLASS, NULL)) {
        Log("another help engine is running");
        return 1;
    }
    if (!Register(ENGINE_CLASS, EngineWndProc, 0) ||
        !Register(POPUP_CLASS, PopupWndProc, CS_SAVEBITS) ||
        !Register(SECONDARY_CLASS, SecondaryWndProc, CS_HREDRAW | CS_VREDRAW)) {
        Log("class registration failed");
        return 2;
    }
    // Hidden: WinHelpA finds it by class, the user never sees it.
    g_engine = CreateWindowExA(0, ENGINE_CLASS, "DadaVizi demo help", WS_OVERLAPPEDWINDOW, 0, 0,
                               0, 0, NULL, NULL, instance, NULL);
    if (!g_engine) {
        Log("window creation failed");
        return 3;
    }
    Log("help engine ready");

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Log("help engine ended");
    return 0;
}
