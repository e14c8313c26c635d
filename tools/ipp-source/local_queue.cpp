// This machine's queue for the watched printer; see local_queue.h.
#include "tools/ipp-source/local_queue.h"

#include "registry/settings.h"

LocalQueue::LocalQueue() : printer_(NULL), change_(NULL)
{
}

LocalQueue::~LocalQueue()
{
    if (change_)
        FindClosePrinterChangeNotification(change_);
    if (printer_)
        ClosePrinter(printer_);
}

bool LocalQueue::Open()
{
    const char *setting = ReadMonitorSetting("Printer");
    if (!setting[0])
        return false;
    char name[256];
    lstrcpynA(name, setting, sizeof name);
    if (!OpenPrinterA(name, &printer_, NULL)) {
        printer_ = NULL;
        return false;
    }
    HANDLE change = FindFirstPrinterChangeNotification(printer_, PRINTER_CHANGE_JOB, 0, NULL);
    if (change == INVALID_HANDLE_VALUE || change == NULL)
        return false;
    change_ = change;
    return true;
}

bool LocalQueue::Changed()
{
    DWORD what = 0;
    if (change_)
        FindNextPrinterChangeNotification(change_, &what, NULL, NULL);
    return HoldsAJob();
}

bool LocalQueue::HoldsAJob() const
{
    if (!printer_)
        return false;
    // Asked for one job with no room for it: any job makes the spooler say
    // how much room it needs.
    DWORD needed = 0, count = 0;
    EnumJobsA(printer_, 0, 1, 1, NULL, 0, &needed, &count);
    return needed > 0 || count > 0;
}
