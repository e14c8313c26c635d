// The fixture of the status help tests (status_help_test.cpp and
// nested_status_test.cpp): the monitor's window on an installation "LASER",
// the help engine observed at WinHelpA and played from inside the call.
// Outside any unnamed namespace, so that both files' tests share it.
#ifndef DADAVIZI_STATUS_HELP_FIXTURE_H
#define DADAVIZI_STATUS_HELP_FIXTURE_H

#include "app/monitor.h"
#include "help/status_help.h"
#include "installation.h"
#include "monitor_test.h"
#include "popup.h"
#include "registry/settings.h"
#include "sequence.h"
#include "testing.h"

#include <climits>
#include <functional>
#include <string>
#include <vector>

inline constexpr char FULL_PROFILE[] =
    "[HelpMap]\r\n40000=17\r\n40077=23\r\n10000=3\r\n"
    "[OTHER]\r\nTimeCloseWindow=0\r\n"
    "[LASER]\r\nTimeCloseWindow=500\r\n";

class StatusHelpTest : public MonitorWindowTest {
protected:
    void SetUp() override
    {
        ResetMonitor();
        install.UseProfile(FULL_PROFILE);
        install.Write();
        // No "Code" yet, so creating the window dispatches nothing.
        install.SetStatus("Text", "Paper jam");

        // The help engine: popup topics show a popup, then the test's hook runs.
        fake::onHelp = [this](const HelpCall &call) {
            if (call.command == HELP_CONTEXTPOPUP && !hookBeforePopup)
                popup::Show();
            if (duringHelp)
                duringHelp(call);
            if (call.command == HELP_CONTEXTPOPUP && hookBeforePopup)
                popup::Show();
        };
        CreateMonitor();
        ASSERT_TRUE(fake::helpCalls.empty());
        fake::trayCalls.clear();
    }

    void UseProfile(const std::string &text) { install.UseProfile(text); }

    // A help map, a code, and the context the monitor finds for it there.
    struct MapCase {
        const char *map;
        LONG code;
        UINT context;
    };
    // Each case's map as the whole [HelpMap] section of a profile of its own.
    template <size_t N> void ExpectLookUps(const MapCase (&cases)[N])
    {
        for (const MapCase &row : cases) {
            UseProfile(std::string("[HelpMap]\r\n") + row.map + "\r\n");
            EXPECT_EQ(row.context, LookUpHelpContext(row.code)) << row.code << " in " << row.map;
        }
    }

    std::string HelpValue(const char *name, DWORD *type = nullptr)
    {
        std::string data;
        if (!GetRegValue(HELP_WINDOW_KEY, name, &data, type))
            return "<missing>";
        return data;
    }

    // The help calls so far, and the lines they are expected to be.
    std::string Help() const { return HelpSequence(fake::helpCalls, window); }
    std::string Position() const { return "HELP_SETPOPUP_POS " + ScreenCorner() + " " + install.helpFile; }
    std::string Popup(int context) const
    {
        return "HELP_CONTEXTPOPUP " + std::to_string(context) + " " + install.helpFile;
    }
    std::string Secondary(int context) const
    {
        return "HELP_CONTEXT " + std::to_string(context) + " " + install.helpFile + ">SEC";
    }
    std::string LastTip() const
    {
        for (auto call = fake::trayCalls.rbegin(); call != fake::trayCalls.rend(); ++call)
            if (call->record.uFlags & NIF_TIP)
                return call->record.szTip;
        return std::string();
    }

    // Pumps until `shown` has been sent WM_CLOSE; the milliseconds since
    // `start`, or -1 when it was not closed in time.
    static long WaitForClose(HWND shown, DWORD start, DWORD limit = 10000)
    {
        PumpUntil([&] { return popup::Closes(shown) > 0; }, limit);
        return popup::Closes(shown) ? static_cast<long>(popup::ClosedAt(shown) - start) : -1;
    }

    Installation install{"LASER"};
    bool hookBeforePopup = false;
    std::function<void(const HelpCall &)> duringHelp;
};

#endif
