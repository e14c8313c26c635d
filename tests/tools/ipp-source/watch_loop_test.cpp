// The watch loop (watch_loop.cpp) through the seams its caller fills: the
// reports go to the sink it is given, not to the monitor, and this
// machine's jobs come from the source it is given.
#include "scripted_printer.h"

#include <gtest/gtest.h>

#include "installation.h"
#include "testing.h"
#include "tools/ipp-source/watcher.h"

#include <atomic>
#include <string>

namespace {

// Counts what the watcher would have told the monitor.
class CountingSink : public ReportSink {
public:
    void Warn(const char *) override { ++warnings; }
    bool Publish(const StatusReport &report, Published *last) override
    {
        last->report = report;
        last->any = true;
        ++reports;
        return true;
    }
    std::atomic<int> reports{0}, warnings{0};
};

// This machine's queue as the test tells it.
class StubJobs : public LocalJobSource {
public:
    HANDLE Event() const override { return event; }
    bool Changed() override
    {
        ++changes;
        return true;
    }
    bool HoldsAJob() const override
    {
        ++looks;
        return false;
    }
    HANDLE event = CreateEventA(NULL, FALSE, FALSE, NULL);
    std::atomic<int> changes{0};
    mutable std::atomic<int> looks{0};
};

struct Loop {
    Watcher *watcher;
    LocalJobSource *jobs;
    HANDLE stop;
    static DWORD WINAPI Run(void *parameter)
    {
        Loop *loop = static_cast<Loop *>(parameter);
        loop->watcher->Run(loop->stop, NULL, loop->jobs);
        return 0;
    }
};

TEST(WatchLoop, ReportsGoToTheCallersSinkAndAJobOfItsSourceIsAskedAboutFast)
{
    Installation install{"WatchLoop"};
    install.WriteSettings();
    install.UseProfile("");
    ScriptedPrinter printer([](int) {
        Reply reply;
        reply.body = PrinterAnswer(3, "none").bytes;
        return reply;
    });
    PrinterUri uri;
    ASSERT_TRUE(ParsePrinterUri(printer.Uri().c_str(), &uri));
    WatchSettings settings;
    ReadWatchSettings(uri, &settings);
    settings.subscribe = false;  // polled: without a job, asked again 10 s later at the soonest
    HttpClient http{HttpOptions()};
    CountingSink sink;
    StubJobs jobs;
    Watcher watcher(http, uri, settings, sink, GetTickCount());
    Loop loop = {&watcher, &jobs, CreateEventA(NULL, TRUE, FALSE, NULL)};
    HANDLE thread = CreateThread(NULL, 0, &Loop::Run, &loop, 0, NULL);

    EXPECT_TRUE(PumpUntil([&] { return sink.reports == 1; }, 10000)) << "the first answer";
    EXPECT_EQ(1, jobs.looks) << "the queue is looked at once, at the start";
    SetEvent(jobs.event);  // a job of this machine for the printer
    EXPECT_TRUE(PumpUntil([&] { return sink.reports == 2; }, 8000)) << "not asked at the fast pace";
    EXPECT_EQ(2, printer.Count(ipp::OP_GET_PRINTER_ATTRIBUTES)) << "each answer goes to the sink";
    EXPECT_EQ(1, jobs.changes);

    SetEvent(loop.stop);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000)) << "the loop did not stop";
    CloseHandle(thread);
    CloseHandle(loop.stop);
    CloseHandle(jobs.event);
    EXPECT_EQ(0, sink.warnings);
    EXPECT_EQ("<missing>", StoredValue(install.statusKey, "Code"))
        << "the monitor's key was written";
}

}  // namespace
