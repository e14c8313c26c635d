// The event log a resident source writes (event_log.cpp): each line once
// an hour, from a bounded table, through the event source's one message.
#include <gtest/gtest.h>

#include "installation.h"
#include "ipp_events.h"
#include "process.h"
#include "tools/ipp-source/event_log.h"
#include "tools/ipp-source/reporting.h"

#include <string>
#include <vector>

namespace {

const DWORD HOUR = 60 * 60 * 1000;

TEST(EventLog, EachLineOnceAnHourFromABoundedTable)
{
    static EventTable table;
    EXPECT_TRUE(EventDue(&table, "printer not reachable", 1000));
    EXPECT_FALSE(EventDue(&table, "printer not reachable", 2000));
    EXPECT_TRUE(EventDue(&table, "status 10001", 2000)) << "another line is its own";
    EXPECT_FALSE(EventDue(&table, "printer not reachable", 1000 + HOUR - 1));
    EXPECT_TRUE(EventDue(&table, "printer not reachable", 1000 + HOUR));
    // Across the tick count's wrap.
    EXPECT_TRUE(EventDue(&table, "wrap", 0xFFFFF000));
    EXPECT_FALSE(EventDue(&table, "wrap", 0x00001000));

    // Many more lines than the table holds: it stays bounded, and a new
    // line takes the place of the one taken in first.
    for (int index = 0; index < 3 * EVENT_TABLE_SIZE; ++index)
        EXPECT_TRUE(EventDue(&table, ("line " + std::to_string(index)).c_str(), 5000));
    EXPECT_EQ(EVENT_TABLE_SIZE, table.used);
    EXPECT_FALSE(EventDue(&table, ("line " + std::to_string(3 * EVENT_TABLE_SIZE - 1)).c_str(),
                          6000));
    EXPECT_TRUE(EventDue(&table, "line 0", 6000)) << "forgotten, so logged again";
    // Only so much of a line counts.
    std::string longer(2 * EVENT_TEXT_SIZE, 'x');
    EXPECT_TRUE(EventDue(&table, longer.c_str(), 7000));
    EXPECT_FALSE(EventDue(&table, (longer + "y").c_str(), 7000));
}

std::vector<std::pair<WORD, std::string>> g_events;
void Sink(WORD type, const char *text)
{
    g_events.push_back({type, text});
}

TEST(EventLog, AResidentSourceLogsWhatItSays)
{
    SetEventSink(Sink);
    g_events.clear();
    Say("before the source is resident");
    EXPECT_TRUE(g_events.empty());
    LogEvents(true);
    Say("watching ipp://printer.example/ipp/print");
    Warn("no answer: error 12029");
    Warn("no answer: error 12029");
    LogEvents(false);
    Say("after");
    SetEventSink(NULL);
    ASSERT_EQ(2u, g_events.size());
    EXPECT_EQ(EVENTLOG_INFORMATION_TYPE, g_events[0].first);
    EXPECT_EQ("watching ipp://printer.example/ipp/print", g_events[0].second);
    EXPECT_EQ(EVENTLOG_WARNING_TYPE, g_events[1].first);
    EXPECT_EQ("no answer: error 12029", g_events[1].second);
}

// The program's message table, read as the event log's viewer reads an
// EventMessageFile: FormatMessage from the module, the event's strings as
// its inserts (learn.microsoft.com/windows/win32/eventlog/message-files).
TEST(EventLog, TheProgramHoldsTheOneMessage)
{
    HMODULE program = LoadLibraryExA(BuiltProgram("DadaViziIpp.exe").c_str(), NULL,
                                     LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    const char *inserts[1] = {"Printer certificate changed"};
    char text[256] = "";
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, program, IPP_EVENT_TEXT,
        MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, sizeof text,
        reinterpret_cast<va_list *>(const_cast<char **>(inserts)));
    FreeLibrary(program);
    EXPECT_EQ("Printer certificate changed\r\n", std::string(text, length));
}

}  // namespace
