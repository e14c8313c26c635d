// The event log of a resident source; see event_log.h.
#include "tools/ipp-source/event_log.h"

#include "ipp_events.h"

namespace {

bool g_on = false;
EventSink g_sink = NULL;
EventTable g_table;
CRITICAL_SECTION g_lock;
bool g_lockMade = false;
HANDLE g_source = NULL;

void ToApplicationLog(WORD type, const char *text)
{
    if (!g_source)
        g_source = RegisterEventSourceA(NULL, IPP_EVENT_SOURCE);
    if (!g_source)
        return;  // nowhere to say it: the source goes on regardless
    const char *strings[1] = {text};
    ReportEventA(g_source, type, 0, IPP_EVENT_TEXT, NULL, 1, 0, strings, NULL);
}

}  // namespace

bool EventDue(EventTable *table, const char *text, DWORD now)
{
    char key[EVENT_TEXT_SIZE];
    lstrcpynA(key, text, sizeof key);
    for (int index = 0; index < table->used; ++index) {
        EventTable::Entry &entry = table->entries[index];
        if (lstrcmpA(entry.text, key) == 0) {
            if (now - entry.at < EVENT_REPEAT_MS)
                return false;
            entry.at = now;
            return true;
        }
    }
    // A full table lets go of the line it took in first.
    int slot = table->used < EVENT_TABLE_SIZE ? table->used++ : table->next;
    table->next = (slot + 1) % EVENT_TABLE_SIZE;
    table->entries[slot].at = now;
    lstrcpynA(table->entries[slot].text, key, EVENT_TEXT_SIZE);
    return true;
}

void SetEventSink(EventSink sink)
{
    g_sink = sink;
}

void LogEvents(bool on)
{
    if (!g_lockMade) {
        InitializeCriticalSection(&g_lock);
        g_lockMade = true;
    }
    g_on = on;
}

void LogEvent(WORD type, const char *text)
{
    if (!g_on)
        return;
    EnterCriticalSection(&g_lock);
    if (EventDue(&g_table, text, GetTickCount())) {
        char cut[EVENT_TEXT_SIZE];
        lstrcpynA(cut, text, sizeof cut);
        (g_sink ? g_sink : ToApplicationLog)(type, cut);
    }
    LeaveCriticalSection(&g_lock);
}
