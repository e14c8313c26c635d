// The help engine stand-in as a process, and its log.
#include "help_stub.h"

#include "installation.h"
#include "process.h"
#include "testing.h"

#include <sstream>

HelpStub::HelpStub()
    : logPath(TempDirectory() + "\\dadavizi-help-" + std::to_string(GetCurrentProcessId()) +
              ".log")
{
    DeleteFileA(logPath.c_str());
}

HelpStub::~HelpStub()
{
    if (HWND window = Window())
        PostMessageA(window, WM_CLOSE, 0, 0);
    EndProgram(process);
    DeleteFileA(logPath.c_str());
}

bool HelpStub::Start()
{
    process = StartProgram("DadaViziHelpStub.exe", "--log \"" + logPath + "\"", &processId);
    return process && PumpUntil([&] { return Window() != NULL; }, 20000);
}

HWND HelpStub::Window() const
{
    HWND window = NULL;
    while (processId && (window = FindWindowExA(NULL, window, "MS_WINHELP", NULL)) != NULL) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return window;
    }
    return NULL;
}

std::vector<HelpStub::Event> HelpStub::Events() const
{
    std::vector<Event> events;
    std::string text;
    if (!ReadWholeFile(logPath, &text))
        return events;
    std::istringstream in(text);
    std::string row;
    while (std::getline(in, row)) {
        if (!row.empty() && row.back() == '\r')
            row.pop_back();
        std::istringstream fields(row);
        Event event;
        unsigned long tick = 0;
        fields >> tick >> event.event;
        event.tick = tick;
        if (event.event.compare(0, 6, "popup-") == 0)
            fields >> event.handle;
        fields >> std::ws;
        std::getline(fields, event.request);
        events.push_back(event);
    }
    return events;
}

std::string HelpStub::Requests() const
{
    const std::string position = std::to_string(HELP_SETPOPUP_POS) + " ";
    std::string requests;
    for (const Event &event : Events())
        if (event.event == "help" && event.request.compare(0, position.size(), position) != 0)
            requests += event.request + "\n";
    return requests;
}

std::string HelpRequest(UINT command, int context, const std::string &file)
{
    return std::to_string(command) + " " + std::to_string(context) + " " + file + "\n";
}
