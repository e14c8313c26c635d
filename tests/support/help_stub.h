// The help engine stand-in, DadaViziHelpStub.exe, as a process of the test,
// and what its log says the monitor asked for (tools/help-stub).
#ifndef DADAVIZI_TEST_HELP_STUB_H
#define DADAVIZI_TEST_HELP_STUB_H

#include <windows.h>

#include <string>
#include <vector>

class HelpStub {
public:
    HelpStub();
    // Closes its window and ends the process.
    ~HelpStub();
    HelpStub(const HelpStub &) = delete;
    HelpStub &operator=(const HelpStub &) = delete;

    // Starts it and waits for its window; false when that does not appear.
    bool Start();
    // Its "MS_WINHELP" window, which Wine's WinHelpA talks to.
    HWND Window() const;

    // One line of the log: "TICK EVENT ...".
    struct Event {
        DWORD tick = 0;
        std::string event;
        std::string handle;   // popup events: the popup window
        std::string request;  // help: "COMMAND DATA FILE"
    };
    std::vector<Event> Events() const;
    // The help requests, one "COMMAND DATA FILE" a line. HELP_SETPOPUP_POS
    // is left out: Wine forwards it to no help window.
    std::string Requests() const;

    std::string logPath;
    HANDLE process = NULL;
    DWORD processId = 0;
};

// The line Requests() shows for a request.
std::string HelpRequest(UINT command, int context, const std::string &file);

#endif
