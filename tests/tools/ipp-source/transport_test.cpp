// The HTTP side and the watch loop against a scripted printer on loopback:
// chunked answers, HTTP errors, answers too large or not IPP, a printer
// that holds Get-Notifications until something happens, and one without
// notifications, which is polled.
#include "scripted_printer.h"

#include <gtest/gtest.h>

#include "app/shared.h"
#include "installation.h"
#include "process.h"
#include "testing.h"
#include "tools/common/resident.h"
#include "tools/ipp-source/watcher.h"

#include <memory>
#include <string>

namespace {

class Transport : public ::testing::Test {
protected:
    void SetUp() override
    {
        install.WriteSettings();
        install.UseProfile("");
        statusKey = install.statusKey;
    }

    static Outcome Query(const std::string &uriText, ipp::PrinterStatus *status, std::string *why,
                         const HttpOptions &options = HttpOptions())
    {
        PrinterUri uri;
        EXPECT_TRUE(ParsePrinterUri(uriText.c_str(), &uri));
        HttpClient http(options);
        std::unique_ptr<IppExchange> exchange(new IppExchange);
        BeginExchange(exchange.get(), http, uri);
        char text[600] = "";
        Outcome result = QueryPrinter(exchange.get(), text, sizeof text);
        *status = exchange->status;
        *why = text;
        return result;
    }

    static std::string StoredCode()
    {
        std::string data;
        if (!GetRegValue(statusKey.c_str(), "Code", &data))
            return "<missing>";
        return data.c_str();
    }

    Installation install{"Transport"};
    static std::string statusKey;
};

std::string Transport::statusKey;

TEST_F(Transport, AnswersArriveWholeOrAreRefusedWithAReason)
{
    Reply reply;
    ScriptedPrinter printer([&](int) { return reply; });
    ipp::PrinterStatus status;
    std::string why;

    reply.body = PrinterAnswer(4, "media-empty-error").bytes;
    reply.chunked = true;
    ASSERT_EQ(OUTCOME_DONE, Query(printer.Uri(), &status, &why)) << why;
    EXPECT_EQ(4, status.state);
    EXPECT_STREQ("media-empty-error", status.reasons[0]);

    reply.chunked = false;
    reply.httpStatus = 404;
    EXPECT_EQ(OUTCOME_REFUSED, Query(printer.Uri(), &status, &why));
    EXPECT_NE(std::string::npos, why.find("HTTP status 404")) << why;

    reply.httpStatus = 200;
    reply.body = "<html>not a printer</html>";
    EXPECT_EQ(OUTCOME_REFUSED, Query(printer.Uri(), &status, &why));
    EXPECT_NE(std::string::npos, why.find("not a valid IPP message")) << why;

    reply.body = PrinterAnswer(3, std::string(70000, 'x')).bytes;
    reply.chunked = true;
    EXPECT_EQ(OUTCOME_REFUSED, Query(printer.Uri(), &status, &why));
    EXPECT_NE(std::string::npos, why.find("larger")) << why;

    int port = printer.port;
    {
        ScriptedPrinter gone([](int) { return Reply(); });
        port = gone.port;
    }
    EXPECT_EQ(OUTCOME_UNREACHABLE,
              Query("ipp://127.0.0.1:" + std::to_string(port) + "/", &status, &why));
}

TEST_F(Transport, AProxyCarriesRequestsForOtherHostsButNotForLoopback)
{
    ScriptedPrinter proxy([](int) {
        Reply reply;
        reply.body = PrinterAnswer(3, "none").bytes;
        return reply;
    });
    ipp::PrinterStatus status;
    std::string why;
    HttpOptions options;
    std::string address = "127.0.0.1:" + std::to_string(proxy.port);
    options.proxy = address.c_str();
    // The name is never looked up: the proxy gets the request.
    EXPECT_EQ(OUTCOME_DONE, Query("ipp://printer.invalid/ipp/print", &status, &why, options))
        << why;
    EXPECT_EQ(1, proxy.Count(ipp::OP_GET_PRINTER_ATTRIBUTES));
    // A LAN address goes direct only past the machine's proxy, not --proxy.
    EXPECT_EQ(OUTCOME_DONE, Query("ipp://192.168.0.5/ipp/print", &status, &why, options)) << why;
    EXPECT_EQ(2, proxy.Count(ipp::OP_GET_PRINTER_ATTRIBUTES));

    // A loopback printer is asked directly, whatever the proxy.
    options.proxy = "127.0.0.1:9";
    EXPECT_EQ(OUTCOME_DONE, Query(proxy.Uri(), &status, &why, options)) << why;
    EXPECT_EQ(3, proxy.Count(ipp::OP_GET_PRINTER_ATTRIBUTES));
}

// Runs the watch loop on a thread of its own until the object goes.
struct Watching {
    explicit Watching(const std::string &uriText)
    {
        ParsePrinterUri(uriText.c_str(), &uri);
        stop = CreateEventA(NULL, TRUE, FALSE, NULL);
        thread = CreateThread(NULL, 0, &Watching::Run, this, 0, NULL);
    }
    ~Watching() { Stop(); }
    void Stop()
    {
        if (!thread)
            return;
        SetEvent(stop);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 20000)) << "the watch did not stop";
        CloseHandle(thread);
        CloseHandle(stop);
        thread = NULL;
    }
    static DWORD WINAPI Run(void *parameter)
    {
        Watching *self = static_cast<Watching *>(parameter);
        HttpClient http{HttpOptions()};
        LocalQueue queue;
        queue.Open();
        WatchPrinter(http, self->uri, MonitorReports(), &queue, self->stop);
        return 0;
    }
    PrinterUri uri;
    HANDLE stop, thread;
};

TEST_F(Transport, APrinterThatHoldsGetNotificationsIsAskedOnlyWhenSomethingHappens)
{
    std::atomic<int> state{3};
    HANDLE event = CreateEventA(NULL, FALSE, FALSE, NULL);
    HANDLE stopping = CreateEventA(NULL, TRUE, FALSE, NULL);
    std::atomic<long> sequence{1};
    {
        ScriptedPrinter printer([&](int operation) {
            Reply reply;
            if (operation == ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS) {
                reply.body = Message(0).Group(0x01).Value(0x47, "attributes-charset", "utf-8")
                                 .Group(0x06).Integer(0x21, "notify-subscription-id", 5)
                                 .End().bytes;
            } else if (operation == ipp::OP_GET_NOTIFICATIONS) {
                // Held until an event, as a printer that honours notify-wait does.
                HANDLE both[] = {event, stopping};
                Message answer(0);
                answer.Group(0x01).Value(0x47, "attributes-charset", "utf-8");
                if (WaitForMultipleObjects(2, both, FALSE, 30000) == WAIT_OBJECT_0)
                    answer.Group(0x07).Integer(0x21, "notify-sequence-number", sequence++);
                reply.body = answer.End().bytes;
                reply.chunked = true;
            } else {
                reply.body =
                    PrinterAnswer(state, state == 3 ? "none" : "media-jam-error").bytes;
            }
            return reply;
        });
        Watching watching(printer.Uri());
        ASSERT_TRUE(PumpUntil([] { return StoredCode() == "10001"; }, 10000));

        // Nothing happens: the held request is all there is.
        PumpMessages(3000);
        EXPECT_EQ(1, printer.Count(ipp::OP_GET_NOTIFICATIONS));
        EXPECT_EQ(1, printer.Count(ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS));
        int asked = printer.Count(ipp::OP_GET_PRINTER_ATTRIBUTES);
        EXPECT_LE(asked, 2);

        state = 5;
        SetEvent(event);
        DWORD start = GetTickCount();
        ASSERT_TRUE(PumpUntil([] { return StoredCode() == "40077"; }, 10000));
        // An event brings the change at once (tens of milliseconds here); the
        // bound only allows for a loaded machine.
        EXPECT_LT(GetTickCount() - start, 5000u);
        EXPECT_EQ(asked + 1, printer.Count(ipp::OP_GET_PRINTER_ATTRIBUTES));
        SetEvent(stopping);  // ends the printer's hold, so it can go with the test
        watching.Stop();
        EXPECT_EQ(1, printer.Count(ipp::OP_CANCEL_SUBSCRIPTION)) << "left subscribed";
    }
    CloseHandle(event);
    CloseHandle(stopping);
}

TEST_F(Transport, AStopEndsAHeldRequestAtOnceAndCancelsTheSubscription)
{
    HANDLE released = CreateEventA(NULL, TRUE, FALSE, NULL);
    {
        // Get-Notifications is held far longer than a stop may take; the
        // cancel comes on a connection of its own meanwhile.
        ScriptedPrinter printer(
            [&](int operation) {
                Reply reply;
                if (operation == ipp::OP_GET_PRINTER_ATTRIBUTES) {
                    reply.body = PrinterAnswer(3, "none").bytes;
                    return reply;
                }
                Message answer(0);
                answer.Group(0x01).Value(0x47, "attributes-charset", "utf-8");
                if (operation == ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS)
                    answer.Group(0x06).Integer(0x21, "notify-subscription-id", 5);
                else if (operation == ipp::OP_GET_NOTIFICATIONS)
                    WaitForSingleObject(released, 60000);
                reply.body = answer.End().bytes;
                return reply;
            },
            true);
        auto held = [&](int count) {
            return PumpUntil([&] { return printer.Count(ipp::OP_GET_NOTIFICATIONS) == count; },
                             20000);
        };
        {
            Watching watching(printer.Uri());
            ASSERT_TRUE(held(1));
            DWORD start = GetTickCount();
            watching.Stop();
            EXPECT_LT(GetTickCount() - start, 5000u) << "the stop waited for the printer";
            EXPECT_EQ(1, printer.Count(ipp::OP_CANCEL_SUBSCRIPTION)) << "left subscribed";
        }

        // The program, closed the way the package's closer closes it.
        HANDLE source = StartProgram("DadaViziIpp.exe", printer.Uri());
        ASSERT_NE(nullptr, source);
        ASSERT_TRUE(held(2));
        HWND window = FindWindowA(IPP_WINDOW_NAME, IPP_WINDOW_NAME);
        ASSERT_NE(nullptr, window);
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, WaitForExitPumping(source, 5000)) << "not ended within 5 seconds";
        EndProgram(source, 0);
        EXPECT_EQ(2, printer.Count(ipp::OP_CANCEL_SUBSCRIPTION)) << "the program left it subscribed";
        SetEvent(released);
    }
    CloseHandle(released);
}

// A command prompt that runs the program without redirection: a process
// with a console of its own (this test program again, in a new console),
// which starts the program with no standard handles, as a GUI program
// started from a prompt has none, and reads the console back. Its exit
// code holds one bit per fault.
enum PromptFault {
    PROMPT_NOTHING_SHOWN = 1,       // --bogus said nothing on the console
    PROMPT_RESIDENT_ATTACHED = 2,   // a resident source attached to the console
    PROMPT_RESIDENT_SPOKE = 4,      // ... or wrote to it
    PROMPT_RESIDENT_STAYED = 8,     // ... or did not end within 5 s of WM_CLOSE
};

int ActAsPrompt()
{
    HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    auto shown = [&](const char *text) {
        CONSOLE_SCREEN_BUFFER_INFO info = {};
        GetConsoleScreenBufferInfo(screen, &info);
        std::string all(static_cast<size_t>(info.dwSize.X) * 25, ' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterA(screen, &all[0], static_cast<DWORD>(all.size()), COORD{0, 0},
                                    &read);
        return all.find(text) < read;
    };
    auto start = [](const char *arguments, DWORD *id) -> HANDLE {
        std::string line = "\"" + BuiltProgram("DadaViziIpp.exe") + "\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;  // all NULL
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
            return NULL;
        CloseHandle(process.hThread);
        *id = process.dwProcessId;
        return process.hProcess;
    };
    int faults = 0;
    DWORD id = 0;
    HANDLE once = start("--bogus", &id);
    WaitForExit(once, 20000);
    CloseHandle(once);
    if (!shown("unknown option --bogus"))
        faults |= PROMPT_NOTHING_SHOWN;

    HANDLE resident = start("ipp://127.0.0.1:9/ipp/print", &id);
    HWND window = NULL;
    for (int tries = 0; tries < 200 && !window; ++tries, Sleep(100))
        window = FindWindowA(IPP_WINDOW_NAME, IPP_WINDOW_NAME);
    Sleep(1000);
    DWORD attached[16];
    DWORD count = GetConsoleProcessList(attached, 16);
    for (DWORD index = 0; index < count && index < 16; ++index)
        if (attached[index] == id)
            faults |= PROMPT_RESIDENT_ATTACHED;
    if (shown("watching"))
        faults |= PROMPT_RESIDENT_SPOKE;
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForExit(resident, 5000) != 0)
        faults |= PROMPT_RESIDENT_STAYED;
    CloseHandle(resident);
    return faults;
}

TEST_F(Transport, RunFromACommandPromptItWritesToThatConsoleExceptWhenResident)
{
    char role[8] = "";
    if (GetEnvironmentVariableA("DADAVIZI_TEST_PROMPT", role, sizeof role))
        ExitProcess(static_cast<UINT>(ActAsPrompt()));

    std::string line = "\"" + BuiltProgram("ipp_unit_test.exe") +
                       "\" --gtest_filter=Transport.RunFromACommandPrompt*";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    SetEnvironmentVariableA("DADAVIZI_TEST_PROMPT", "1");
    BOOL started = CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, CREATE_NEW_CONSOLE, NULL,
                                  NULL, &startup, &process);
    SetEnvironmentVariableA("DADAVIZI_TEST_PROMPT", NULL);
    ASSERT_TRUE(started);
    CloseHandle(process.hThread);
    DWORD faults = WaitForExit(process.hProcess, 60000);
    CloseHandle(process.hProcess);
    EXPECT_EQ(0u, faults & PROMPT_NOTHING_SHOWN) << "--bogus said nothing on the prompt's console";
    EXPECT_EQ(0u, faults & PROMPT_RESIDENT_ATTACHED) << "the resident source took the console";
    EXPECT_EQ(0u, faults & PROMPT_RESIDENT_SPOKE) << "the resident source wrote to the console";
    EXPECT_EQ(0u, faults & PROMPT_RESIDENT_STAYED) << "the resident source did not end in 5 s";
    EXPECT_NE(static_cast<DWORD>(STILL_ACTIVE), faults) << "the prompt did not end";
}

TEST_F(Transport, APrinterWithoutNotificationsIsPolledAtPollSeconds)
{
    WriteTextFile(install.profilePath, "[IppStatus]\r\nPollSeconds=1\r\n");
    std::atomic<int> state{3};
    ScriptedPrinter printer([&](int operation) {
        Reply reply;
        if (operation == ipp::OP_GET_PRINTER_ATTRIBUTES)
            reply.body = PrinterAnswer(state, state == 3 ? "none" : "toner-low-warning").bytes;
        else
            reply.body = Message(0x0501).Group(0x01)
                             .Value(0x47, "attributes-charset", "utf-8").End().bytes;
        return reply;
    });
    Watching watching(printer.Uri());
    ASSERT_TRUE(PumpUntil([] { return StoredCode() == "10001"; }, 10000));
    state = 4;
    ASSERT_TRUE(PumpUntil([] { return StoredCode() == "40021"; }, 5000));
    EXPECT_EQ(1, printer.Count(ipp::OP_CREATE_PRINTER_SUBSCRIPTIONS)) << "asked once only";
    EXPECT_EQ(0, printer.Count(ipp::OP_GET_NOTIFICATIONS));
}

TEST_F(Transport, TheProfileGivesTheUriAndOneArgumentMayHoldOptionsAndUri)
{
    ScriptedPrinter printer([](int) {
        Reply reply;
        reply.body = PrinterAnswer(3, "none").bytes;
        return reply;
    });
    // What an administrator sets for the floor, read when the command line
    // names no printer (no monitor runs here: exit 3, the status written).
    install.WriteSystemProfile("[IppStatus]\r\nUri=" + printer.Uri() + "\r\n");
    std::string said;
    EXPECT_EQ(3u, RunProgram("DadaViziIpp.exe", "--once", &said)) << said;
    EXPECT_EQ("10001", StoredCode());
    EXPECT_EQ(1, printer.Count(ipp::OP_GET_PRINTER_ATTRIBUTES));
    // The package's Run value gives options and URI as one argument.
    install.WriteSystemProfile("");
    EXPECT_EQ(3u, RunProgram("DadaViziIpp.exe", "\"--once " + printer.Uri() + "\"", &said))
        << said;
    EXPECT_EQ(2, printer.Count(ipp::OP_GET_PRINTER_ATTRIBUTES));
    // A bad URI in the profile is a usage error that names it.
    install.WriteSystemProfile("[IppStatus]\r\nUri=ftp://printer/\r\n");
    EXPECT_EQ(1u, RunProgram("DadaViziIpp.exe", "--once", &said));
    EXPECT_NE(std::string::npos, said.find("ftp://printer/")) << said;
}

}  // namespace
