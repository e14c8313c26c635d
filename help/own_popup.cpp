// The program's own help popup. It is shown without activation so that it
// never takes the keyboard from what the person is doing, sized to its text
// in the message font, and closed by the popup timer or a click. It is a
// Unicode window, so that a short text in any language shows whole.
#include "help/own_popup.h"

#include "app/shared.h"
#include "help/desktop.h"
#include "help/html_help.h"
#include "help/live_region.h"

// Older headers show these to Windows 2000 and later only; Windows NT 4.0
// ignores the style it does not know.
#ifndef WS_EX_NOACTIVATE
#define WS_EX_NOACTIVATE 0x08000000L
#endif

namespace {

const DWORD POPUP_STYLE = WS_POPUP | WS_BORDER;
const DWORD POPUP_EX_STYLE = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
const WCHAR POPUP_CLASS_W[] = L"DadaViziHelpPopup";  // OWN_POPUP_CLASS
// The text wraps at this many average characters.
const int TEXT_WIDTH_CHARS = 36;
const int TEXT_ID = 1;
const int CLOSE_ID = 2;
// While the pointer rests on the popup, a close is held; it is looked at
// this often, and the popup goes once it has been away this many times.
const UINT_PTR HOLD_TIMER_ID = 1;
const UINT HOLD_POLL_MS = 200;
const int HOLD_POLLS_AWAY = 5;

HWND g_ownPopup = NULL;
HFONT g_popupFont = NULL;
// What a click opens: empty for nothing.
char g_clickChm[MAX_PATH];
UINT g_clickContext = 0;
int g_pollsAway = 0;

// Appends `text` at `length` within `capacity`, cutting it if need be.
int Append(WCHAR *out, int capacity, int length, const WCHAR *text)
{
    while (*text && length < capacity - 1)
        out[length++] = *text++;
    out[length] = L'\0';
    return length;
}

HFONT CreateMessageFont()
{
    // The record as Windows NT 4.0 knows it: later Windows accept that size.
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        if (HFONT font = CreateFontIndirectW(&metrics.lfMessageFont))
            return font;
    return NULL;
}

// The popup's layout in client coordinates: the text, and below it, for
// an untimed popup, the close button at the right.
struct Layout {
    RECT text;
    RECT button;
    RECT client;
};

Layout Measure(const WCHAR *text, const WCHAR *closeLabel)
{
    Layout layout = {};
    int margin = 0;
    if (HDC dc = GetDC(NULL)) {
        HGDIOBJ old = SelectObject(dc, g_popupFont ? static_cast<HGDIOBJ>(g_popupFont)
                                                   : GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICW metrics = {};
        GetTextMetricsW(dc, &metrics);
        margin = metrics.tmAveCharWidth;
        RECT &rect = layout.text;
        rect.right = TEXT_WIDTH_CHARS * metrics.tmAveCharWidth;
        DrawTextW(dc, text, -1, &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        if (closeLabel) {
            RECT label = {0, 0, 0, 0};
            DrawTextW(dc, closeLabel, -1, &label, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
            LONG width = label.right + 4 * margin, height = metrics.tmHeight + margin;
            SetRect(&layout.button, 0, rect.bottom + margin, width, rect.bottom + margin + height);
        }
        SelectObject(dc, old);
        ReleaseDC(NULL, dc);
    }
    LONG right = layout.text.right > layout.button.right ? layout.text.right : layout.button.right;
    OffsetRect(&layout.button, right - layout.button.right, 0);
    LONG bottom = closeLabel ? layout.button.bottom : layout.text.bottom;
    layout.text.right = right;
    OffsetRect(&layout.text, margin, margin);
    OffsetRect(&layout.button, margin, margin);
    SetRect(&layout.client, 0, 0, right + 2 * margin, bottom + 2 * margin);
    return layout;
}

// The window's rectangle for `client`, in the corner of the taskbar's
// monitor beside the notification area.
RECT PopupRect(RECT client)
{
    AdjustWindowRectEx(&client, POPUP_STYLE, FALSE, POPUP_EX_STYLE);
    RECT work, monitor;
    UINT edge;
    FindTaskbarMonitor(&work, &monitor, &edge);
    return PlacePopup(work, monitor, edge, client.right - client.left,
                      client.bottom - client.top);
}

bool PointerOver(HWND window)
{
    POINT pointer;
    RECT rect;
    return GetCursorPos(&pointer) && GetWindowRect(window, &rect) && PtInRect(&rect, pointer);
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

// The dispatcher's timer, or the next status, asks it to close. While the
// pointer rests on it, someone is reading: it stays until shortly after the
// pointer has left.
void OnClose(HWND window)
{
    if (!PointerOver(window)) {
        DestroyWindow(window);
        return;
    }
    g_pollsAway = 0;
    SetTimer(window, HOLD_TIMER_ID, HOLD_POLL_MS, NULL);
}

void OnHoldTimer(HWND window)
{
    g_pollsAway = PointerOver(window) ? 0 : g_pollsAway + 1;
    if (g_pollsAway >= HOLD_POLLS_AWAY)
        DestroyWindow(window);
}

LRESULT CALLBACK OwnPopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CTLCOLORSTATIC:
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_INFOTEXT));
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_INFOBK));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_INFOBK));
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_INFOBK));
        return 1;
    }
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_LBUTTONUP:
        OnClick(window);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == CLOSE_ID && HIWORD(wParam) == BN_CLICKED)
            DestroyWindow(window);
        return 0;
    case WM_CLOSE:
        OnClose(window);
        return 0;
    case WM_TIMER:
        if (wParam == HOLD_TIMER_ID)
            OnHoldTimer(window);
        return 0;
    case WM_DESTROY:
        ForgetLiveRegion(GetDlgItem(window, TEXT_ID));
        break;
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
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterPopupClass()
{
    WNDCLASSW popupClass = {};
    popupClass.lpfnWndProc = OwnPopupProc;
    popupClass.hInstance = g_hInstance;
    popupClass.hCursor = LoadCursorW(NULL, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    popupClass.lpszClassName = POPUP_CLASS_W;
    return RegisterClassW(&popupClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateChild(HWND popup, const WCHAR *className, const WCHAR *text, DWORD style, int id,
                 const RECT &rect)
{
    HWND child = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, rect.left,
                                 rect.top, rect.right - rect.left, rect.bottom - rect.top, popup,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_hInstance,
                                 NULL);
    if (child && g_popupFont)
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(g_popupFont), FALSE);
    return child;
}

}  // namespace

void FormatOwnPopupText(WCHAR *out, int capacity, const WCHAR *shortText,
                        const WCHAR *statusText, LONG code)
{
    if (capacity <= 0)
        return;
    out[0] = L'\0';
    bool haveShort = shortText && shortText[0];
    bool haveStatus = statusText && statusText[0];
    if (!haveShort && !haveStatus) {
        WCHAR fallback[24];
        wsprintfW(fallback, L"Status %ld", (long)code);  // at most 18 characters
        Append(out, capacity, 0, fallback);
        return;
    }
    int length = 0;
    if (haveShort)
        length = Append(out, capacity, length, shortText);
    if (haveShort && haveStatus)
        length = Append(out, capacity, length, L"\r\n\r\n");
    if (haveStatus)
        Append(out, capacity, length, statusText);
}

HWND ShowOwnPopup(HWND owner, const WCHAR *text, const char *chm, UINT context,
                  const WCHAR *closeLabel)
{
    if (g_ownPopup)
        DestroyWindow(g_ownPopup);
    if (!RegisterPopupClass())
        return NULL;

    g_popupFont = CreateMessageFont();
    Layout layout = Measure(text, closeLabel);
    RECT rect = PopupRect(layout.client);
    HWND popup = CreateWindowExW(POPUP_EX_STYLE, POPUP_CLASS_W, text, POPUP_STYLE, rect.left,
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
    // The text in a control of its own, which screen readers know as a
    // status text; clicks go through it to the popup.
    HWND textControl = CreateChild(popup, L"STATIC", text, SS_LEFT | SS_NOPREFIX, TEXT_ID,
                                   layout.text);
    if (closeLabel)
        CreateChild(popup, L"BUTTON", closeLabel, BS_PUSHBUTTON, CLOSE_ID, layout.button);
    ShowWindow(popup, SW_SHOWNOACTIVATE);
    if (textControl)
        AnnounceLiveRegion(textControl);
    return popup;
}

HWND OwnPopupWindow()
{
    return g_ownPopup && IsWindow(g_ownPopup) ? g_ownPopup : NULL;
}
