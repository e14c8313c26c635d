// Reporting a status the way every status source must: the status data key
// written (details first, "Code" last), then WM_BIDISTATUS sent to the
// running monitor. Shared by DadaViziStatus and DadaViziIpp, so both write
// the same key the same way and say the same things when that fails.
#ifndef DADAVIZI_TOOLS_REPORT_H
#define DADAVIZI_TOOLS_REPORT_H

#include <windows.h>

// Results, which are also the tools' exit codes where they overlap.
enum ReportResult {
    REPORT_DONE = 0,
    REPORT_NO_SETTINGS = 2,   // the settings key or its value "Monitor" is missing or too long
    REPORT_NO_MONITOR = 3,    // no monitor window
    REPORT_WRITE_FAILED = 4,  // the status data key could not be written
    REPORT_NO_ANSWER = 5,     // the monitor did not answer, or Windows kept the message from it
};

// Room for what went wrong, in a line or three.
const int REPORT_WHY_SIZE = 600;

// The status data key, open for writing while the object lives.
class StatusDataWriter {
public:
    StatusDataWriter();
    ~StatusDataWriter();
    StatusDataWriter(const StatusDataWriter &) = delete;
    StatusDataWriter &operator=(const StatusDataWriter &) = delete;

    // Creates or opens the key the monitor reads. REPORT_DONE, or
    // REPORT_NO_SETTINGS / REPORT_WRITE_FAILED with the reason in `why`.
    int Open(char *why);
    // A string value; after the first failure nothing more is written.
    void Set(const char *name, const char *text);
    // "Code" last, then the key is closed. REPORT_DONE, or
    // REPORT_WRITE_FAILED with the reason in `why`.
    int Finish(LONG code, char *why);

private:
    HKEY key_;
    LONG failure_;
    char path_[256];
};

// Sends the status and waits until the monitor has handled it (30 s at
// most; a monitor that seems hung is given up at once). REPORT_DONE,
// REPORT_NO_MONITOR or REPORT_NO_ANSWER with the reason in `why`.
int SendToMonitor(LONG code, bool help, char *why);

#endif
