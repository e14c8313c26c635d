// This machine's own queue for the watched printer (the spooler's printer
// named by the settings value "Printer"): while it holds a job, the user
// waits for that printer, and the watcher asks it fast.
#ifndef DADAVIZI_IPP_LOCAL_QUEUE_H
#define DADAVIZI_IPP_LOCAL_QUEUE_H

#include <windows.h>

class LocalQueue {
public:
    LocalQueue();
    ~LocalQueue();

    // Asks the spooler to signal job changes of the settings' printer. False
    // when the settings name none, the spooler knows none by that name, or
    // it gives no change notifications (Wine's spooler does not).
    bool Open();
    // Signalled when a job is added, changed or removed; NULL when not open.
    HANDLE Event() const { return change_; }
    // After Event() fired: takes the change and says whether a job is queued.
    bool Changed();
    // Whether the queue holds a job now.
    bool HoldsAJob() const;

private:
    LocalQueue(const LocalQueue &);
    LocalQueue &operator=(const LocalQueue &);

    HANDLE printer_;
    HANDLE change_;
};

#endif
