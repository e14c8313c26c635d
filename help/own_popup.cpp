// The program's own help popup. It is shown without activation so that it
// never takes the keyboard from what the person is doing, sized to its text
// in the message font, and closed by the popup timer or a click.
#include "help/own_popup.h"

#include "app/shared.h"
#include "help/html_help.h"

// Older headers show these to Windows 2000 and later only; Windows NT 4.0
// ignores the style it does not know.
#ifndef WS_EX_NOACTIVATE
#define WS_EX_NOACTIVATE 0x08000000L
#endif

namespace {

const DWORD POPUP_STYLE = WS_POPUP | WS_BORDER;
const DWORD POPUP_EX_STYLE = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
// The text wraps at this many average characters.
const int TEXT_WIDTH_CHARS = 36;

HWND g_ownPopup = NULL;
HFONT g_popupFont = NULL;
int g_popupMargin = 0;
// What a click opens: empty for nothing.
char g_clickChm[MAX_PATH];
UINT g_clickContext = 0;

// Appends `text` at `length` within `capacity`, cutting it if need be.
int Append(char *out, int capacity, int length, const char *text)
{
    while (*text && length < capacity - 1)
        out[length++] = *text++;
    out[length] = '\0';
    return length;
}

HFONT CreateMessageFont()
{
    // The record as Windows NT 4.0 knows it: later Windows accept that size.
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        if (HFONT font = CreateFontIndirectA(&metrics.lfMessageFont))
            return font;
    return NULL;
}

HGDIOBJ SelectPopupFont(HDC dc)
{
    return SelectObject(dc, g_popupFont ? static_cast<HGDIOBJ>(g_popupFont)
                                        : GetStockObject(DEFAULT_GUI_FONT));
}

// The window's rectangle for `text`: its bottom-right corner on the work
// area's, and no larger than the work area.
RECT PopupRect(const char *text)
{
    RECT work;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));

    RECT rect = {0, 0, 0, 0};
    if (HDC dc = GetDC(NULL)) {
        HGDIOBJ old = SelectPopupFont(dc);
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        g_popupMargin = metrics.tmAveCharWidth;
        rect.right = TEXT_WIDTH_CHARS * metrics.tmAveCharWidth;
        DrawTextA(dc, text, -1, &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(NULL, dc);
    }
    InflateRect(&rect, g_popupMargin, g_popupMargin);
    AdjustWindowRectEx(&rect, POPUP_STYLE, FALSE, POPUP_EX_STYLE);

    LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width > work.right - work.left)
        width = work.right - work.left;
    if (height > work.bottom - work.top)
        height = work.bottom - work.top;
    SetRect(&rect, work.right - width, work.bottom - height, work.right, work.bottom);
    return rect;
}

void Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!dc)
        return;
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_INFOBK));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    HGDIOBJ old = SelectPopupFont(dc);
    char text[OWN_POPUP_TEXT_SIZE];
    GetWindowTextA(window, text, sizeof text);
    InflateRect(&client, -g_popupMargin, -g_popupMargin);
    DrawTextA(dc, text, -1, &client, DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(window, &paint);
}

void OnClick(HWND window)
{
    // Taken before the window goes, which forgets them.
    char chm[MAX_PATH];
    lstrcpynA(chm, g_clickChm, sizeof chm);
    UINT context = g_clickContext;
    DestroyWindow(window);
    if (chm[0])
        ShowHtmlHelpTopic(chm, context);
}

LRESULT CALLBACK OwnPopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_LBUTTONUP:
        OnClick(window);
        return 0;
    case WM_NCDESTROY:
        // Whoever tracks this popup must not close a later window that
        // happens to get its handle.
        if (g_popupWindow == window)
            g_popupWindow = NULL;
        if (g_ownPopup == window) {
            g_ownPopup = NULL;
            g_clickChm[0] = '\0';
            if (g_popupFont)
                DeleteObject(g_popupFont);
            g_popupFont = NULL;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterPopupClass()
{
    WNDCLASSA popupClass = {};
    popupClass.lpfnWndProc = OwnPopupProc;
    popupClass.hInstance = g_hInstance;
    popupClass.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    popupClass.lpszClassName = OWN_POPUP_CLASS;
    return RegisterClassA(&popupClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

void FormatOwnPopupText(char *out, int capacity, const char *shortText, const char *statusText,
                        LONG code)
{
    if (capacity <= 0)
        return;
    out[0] = '\0';
    bool haveShort = shortText && shortText[0];
    bool haveStatus = statusText && statusText[0];
    if (!haveShort && !haveStatus) {
        char fallback[24];
        wsprintfA(fallback, "Status %ld", (long)code);  // at most 18 characters
        Append(out, capacity, 0, fallback);
        return;
    }
    int length = 0;
    if (haveShort)
        length = Append(out, capacity, length, shortText);
    if (haveShort && haveStatus)
        length = Append(out, capacity, length, "\r\n\r\n");
    if (haveStatus)
        Append(out, capacity, length, statusText);
}

HWND ShowOwnPopup(HWND owner, const char *text, const char *chm, UINT context)
{
    if (g_ownPopup)
        DestroyWindow(g_ownPopup);
    if (!RegisterPopupClass())
        return NULL;

    g_popupFont = CreateMessageFont();
    RECT rect = PopupRect(text);
    HWND popup = CreateWindowExA(POPUP_EX_STYLE, OWN_POPUP_CLASS, text, POPUP_STYLE, rect.left,
                                 rect.top, rect.right - rect.left, rect.bottom - rect.top, owner,
                                 NULL, g_hInstance, NULL);
    if (!popup) {
        if (g_popupFont)
            DeleteObject(g_popupFont);
        g_popupFont = NULL;
        return NULL;
    }
    g_ownPopup = popup;
    g_clickContext = context;
    lstrcpynA(g_clickChm, chm ? chm : "", sizeof g_clickChm);
    ShowWindow(popup, SW_SHOWNOACTIVATE);
    return popup;
}

HWND OwnPopupWindow()
{
    return g_ownPopup && IsWindow(g_ownPopup) ? g_ownPopup : NULL;
}
