// Call sequences as text.
#include "sequence.h"

#include "app/shared.h"
#include "res/resource.h"
#include "testing.h"

namespace {

std::string Hex(unsigned long value)
{
    char text[16];
    wsprintfA(text, "0x%lX", value);
    return text;
}

std::string MessageName(DWORD message)
{
    switch (message) {
    case NIM_ADD:
        return "NIM_ADD";
    case NIM_MODIFY:
        return "NIM_MODIFY";
    case NIM_DELETE:
        return "NIM_DELETE";
    case NIM_SETFOCUS:
        return "NIM_SETFOCUS";
    case NIM_SETVERSION:
        return "NIM_SETVERSION";
    }
    return "NIM_" + std::to_string(message);
}

std::string FlagNames(UINT flags)
{
    if (!flags)
        return "0";
    std::string names;
    const struct {
        UINT flag;
        const char *name;
    } known[] = {{NIF_MESSAGE, "NIF_MESSAGE"}, {NIF_ICON, "NIF_ICON"}, {NIF_TIP, "NIF_TIP"}};
    for (const auto &entry : known) {
        if (flags & entry.flag) {
            names += (names.empty() ? "" : "|") + std::string(entry.name);
            flags &= ~entry.flag;
        }
    }
    if (flags)
        names += (names.empty() ? "" : "|") + Hex(flags);
    return names;
}

std::string IconName(const TrayCall &call)
{
    if (!call.record.hIcon)
        return "no icon";
    if (!call.iconValidDuringCall)
        return "dead icon";
    const struct {
        int id;
        const char *name;
    } icons[] = {{IDI_PRINTER, "IDI_PRINTER"},
                 {IDI_PRINTER_STROKE, "IDI_PRINTER_STROKE"},
                 {IDI_PRINTER_CROSSED, "IDI_PRINTER_CROSSED"},
                 {IDI_PRINTER_OFFLINE, "IDI_PRINTER_OFFLINE"},
                 {IDI_PRINTER_ATTENTION, "IDI_PRINTER_ATTENTION"}};
    for (const auto &icon : icons)
        if (call.iconPixels == ResourceIconPixels(icon.id))
            return icon.name;
    return "other icon";
}

std::string HelpCommandName(UINT command)
{
    switch (command) {
    case HELP_CONTEXT:
        return "HELP_CONTEXT";
    case HELP_CONTEXTPOPUP:
        return "HELP_CONTEXTPOPUP";
    case HELP_SETPOPUP_POS:
        return "HELP_SETPOPUP_POS";
    case HELP_QUIT:
        return "HELP_QUIT";
    }
    return "HELP_" + std::to_string(command);
}

std::string Join(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "\n";
    return text;
}

}  // namespace

std::string DescribeTrayCall(const TrayCall &call, HWND owner)
{
    const NOTIFYICONDATAA &record = call.record;
    std::string line = MessageName(call.message);
    // The Windows 2000 commands go with the Windows 2000 record, and the
    // version only the size that the shell reads it from.
    bool windows2000 = call.message == NIM_SETVERSION || call.message == NIM_SETFOCUS;
    if (windows2000) {
        if (record.cbSize != NOTIFYICONDATAA_V2_SIZE)
            line += " cbSize=" + std::to_string(record.cbSize);
        if (record.uFlags)
            line += " " + FlagNames(record.uFlags);
        if (call.message == NIM_SETVERSION)
            line += record.uVersion == NOTIFYICON_VERSION ? " NOTIFYICON_VERSION"
                                                          : " version " + std::to_string(record.uVersion);
    } else {
        line += " " + FlagNames(record.uFlags);
    }
    if (!windows2000 && record.cbSize != NOTIFYICONDATAA_V1_SIZE)
        line += " cbSize=" + std::to_string(record.cbSize);
    if (record.hWnd != owner)
        line += " hWnd=" + Hex(static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(record.hWnd)));
    if (record.uID != TRAY_ICON_ID)
        line += " uID=" + std::to_string(record.uID);
    if (record.uCallbackMessage || (record.uFlags & NIF_MESSAGE))
        line += record.uCallbackMessage == WM_TRAYNOTIFY ? " WM_TRAYNOTIFY"
                                                         : " callback " + Hex(record.uCallbackMessage);
    if (record.hIcon || (record.uFlags & NIF_ICON))
        line += " " + IconName(call);
    if (record.szTip[0] || (record.uFlags & NIF_TIP))
        line += " '" + std::string(record.szTip) + "'";
    return line + (call.result ? " -> TRUE" : " -> FALSE");
}

std::string TraySequence(const std::vector<TrayCall> &calls, HWND owner)
{
    std::vector<std::string> lines;
    for (const TrayCall &call : calls)
        lines.push_back(DescribeTrayCall(call, owner));
    return Join(lines);
}

std::string DescribeHelpCall(const HelpCall &call, HWND owner)
{
    std::string line = HelpCommandName(call.command) + " ";
    if (call.command == HELP_SETPOPUP_POS)
        line += "(" + std::to_string(LOWORD(call.data)) + "," + std::to_string(HIWORD(call.data)) +
                ")" + ((call.data >> 16 >> 16) ? " with high bits" : "");
    else
        line += std::to_string(call.data);
    line += " " + call.file;
    if (call.window != owner)
        line += " hwnd=" + Hex(static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(call.window)));
    return line;
}

std::string HelpSequence(const std::vector<HelpCall> &calls, HWND owner)
{
    std::vector<std::string> lines;
    for (const HelpCall &call : calls)
        lines.push_back(DescribeHelpCall(call, owner));
    return Join(lines);
}

std::string Lines(std::initializer_list<std::string> lines)
{
    return Join(std::vector<std::string>(lines));
}

std::string ScreenCorner()
{
    return "(" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "," +
           std::to_string(GetSystemMetrics(SM_CYSCREEN)) + ")";
}
