// This machine's own queue for the watched printer (the spooler's printer
// named by the settings value "Printer"): while it holds a job, the user
// waits for that printer, and the watcher asks it fast.
#ifndef DADAVIZI_IPP_LOCAL_QUEUE_H
#define DADAVIZI_IPP_LOCAL_QUEUE_H

#include <windows.h>

// What a watcher follows of this machine's jobs for the printer: the
// spooler's queue in DadaViziIpp (LocalQueue), a stand-in in the fleet
// benchmark and the tests. The watcher's caller gives it, open.
class LocalJobSource {
public:
    // Signalled when a job is added, changed or removed; NULL: nothing to follow.
    virtual HANDLE Event() const = 0;
    // After Event() fired: takes the change and says whether a job is queued.
    virtual bool Changed() = 0;
    // Whether the queue holds a job now.
    virtual bool HoldsAJob() const = 0;

protected:
    ~LocalJobSource() {}
};

class LocalQueue : public LocalJobSource {
public:
    LocalQueue();
    ~LocalQueue();

    // Asks the spooler to signal job changes of the settings' printer. False
    // when the settings name none, the spooler knows none by that name, or
    // it gives no change notifications (Wine's spooler does not).
    bool Open();
    // NULL when not open.
    HANDLE Event() const override { return change_; }
    bool Changed() override;
    bool HoldsAJob() const override;

private:
    LocalQueue(const LocalQueue &);
    LocalQueue &operator=(const LocalQueue &);

    HANDLE printer_;
    HANDLE change_;
};

#endif
