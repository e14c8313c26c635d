// DadaViziIpp.exe against a real, private CUPS scheduler (cups_scheduler.h):
// its queue "jam" has a backend that jams on a job and clears on the next
// one.
//
// The monitor is the product's own code in this process, with the tray and
// help engine stand-ins, or the real DadaVizi.exe with the help stub.
#include "cups_scheduler.h"
#include "fakes.h"
#include "help_stub.h"
#include "res/resource.h"
#include "tools/ipp-source/pinning.h"

#include <string>
#include <vector>

namespace {

// The product's monitor in this process: its tray and help calls are seen
// by the stand-ins.
class WithMonitor : public Scheduler {
protected:
    void SetUp() override
    {
        Scheduler::SetUp();
        if (HasFatalFailure())
            return;
        fake::Reset();
        g_currentStatus = 0;
        g_popupWindow = NULL;
        g_hInstance = GetModuleHandleA(NULL);
        InitMonitorPaths(install.directory.c_str(), static_cast<UINT>(install.directory.size()));
        window = CreateMonitorWindow(g_hInstance);
        ASSERT_NE(nullptr, window);
        monitorInProcess = true;
    }

    void TearDown() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
        MSG quit;
        while (PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        UnregisterClassA(MONITOR_WINDOW_NAME, g_hInstance);
        fake::Reset();
        Scheduler::TearDown();
    }

    // The help requests so far, as "command data file", HELP_SETPOPUP_POS
    // left out as the help stub's log leaves it.
    static std::vector<std::string> Help()
    {
        std::vector<std::string> requests;
        for (const HelpCall &call : fake::helpCalls)
            if (call.command != HELP_SETPOPUP_POS)
                requests.push_back(std::to_string(call.command) + " " + std::to_string(call.data) +
                                   " " + call.file);
        return requests;
    }

    std::string TopicRequest() const { return "1 17 " + install.helpFile + ">SEC"; }

    // The last icon the monitor gave the tray, as pixels.
    static std::string LastIcon()
    {
        for (auto call = fake::trayCalls.rbegin(); call != fake::trayCalls.rend(); ++call)
            if (call->record.uFlags & NIF_ICON)
                return call->iconPixels;
        return std::string();
    }

    static std::string LastTip()
    {
        for (auto call = fake::trayCalls.rbegin(); call != fake::trayCalls.rend(); ++call)
            if (call->record.uFlags & NIF_TIP)
                return call->record.szTip;
        return std::string();
    }

    HWND window = NULL;
};

// Runs --once until the stored code is `code` (the backend takes a moment).
#define EXPECT_ONCE_REACHES(code, seconds)                                                  \
    do {                                                                                    \
        DWORD start = GetTickCount();                                                       \
        DWORD exitCode;                                                                     \
        while ((exitCode = Once(uri)) == 0 && Stored("Code") != (code) &&                   \
               GetTickCount() - start < (seconds) * 1000u)                                  \
            PumpMessages(200);                                                              \
        EXPECT_EQ(0u, exitCode);                                                            \
        ASSERT_EQ(code, Stored("Code"));                                                    \
    } while (0)

TEST_F(WithMonitor, OnceReportsTheJamItsClearingAndTheStoppedQueue)
{
    std::string said;
    EXPECT_EQ(0u, Once(uri, &said)) << said;
    EXPECT_EQ("10001", Stored("Code"));
    EXPECT_EQ("Ready", Stored("Text"));
    EXPECT_EQ("idle", Stored("State"));
    EXPECT_EQ("none", Stored("Reasons"));
    EXPECT_EQ("0", Stored("Jobs"));
    EXPECT_EQ(uri, Stored("Uri"));
    EXPECT_EQ(10001, g_currentStatus);
    EXPECT_TRUE(fake::helpCalls.empty()) << "ready asks for no help";

    // A job: the backend reports the jam while the job waits.
    ASSERT_EQ(0, Harness("print"));
    EXPECT_ONCE_REACHES("40077", 20);
    EXPECT_EQ("Paper jam in tray 2", Stored("Text"));
    EXPECT_EQ("media-jam-error", Stored("Reasons"));
    EXPECT_EQ("processing", Stored("State"));
    EXPECT_EQ("1", Stored("Jobs"));
    EXPECT_EQ(40077, g_currentStatus);
    EXPECT_EQ(ResourceIconPixels(IDI_PRINTER_CROSSED), LastIcon());
    EXPECT_EQ("Status 40077", LastTip());
    EXPECT_EQ(std::vector<std::string>({TopicRequest()}), Help());
    EXPECT_EQ("Paper jam in tray 2", StoredText(HELP_WINDOW_KEY, "Text")) << "the help sees it";

    // The next job clears the jam.
    ASSERT_EQ(0, Harness("print"));
    EXPECT_ONCE_REACHES("10001", 20);
    EXPECT_EQ("Ready", Stored("Text"));
    EXPECT_EQ(ResourceIconPixels(IDI_PRINTER), LastIcon());
    EXPECT_EQ(std::vector<std::string>({TopicRequest()}), Help()) << "ready asks for no help";

    // cupsdisable stops the queue.
    ASSERT_EQ(0, Harness("disable"));
    EXPECT_EQ(0u, Once(uri));
    EXPECT_EQ("40077", Stored("Code"));
    EXPECT_EQ("stopped", Stored("State"));
    EXPECT_EQ("Stopped by the test", Stored("Text"));
    EXPECT_EQ("paused", Stored("Reasons"));
    EXPECT_EQ(std::vector<std::string>({TopicRequest(), TopicRequest()}), Help());
}

// The fingerprint kept for a printer URI accepted on first use.
std::string KeptCertificate(const std::string &uri)
{
    char value[128] = "";
    DWORD size = sizeof value - 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PRINTER_CERTIFICATES_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    if (RegQueryValueExA(key, uri.c_str(), NULL, NULL, reinterpret_cast<BYTE *>(value), &size))
        value[0] = '\0';
    RegCloseKey(key);
    return value;
}

TEST_F(WithMonitor, OnceSaysWhatWentWrongWithItsExitCode)
{
    // A queue the scheduler does not have: refused, nothing written.
    std::string said;
    std::string wrong = uri.substr(0, uri.rfind('/')) + "/no-such-queue";
    EXPECT_EQ(7u, Once(wrong, &said));
    EXPECT_NE(std::string::npos, said.find("does not exist")) << said;
    EXPECT_FALSE(KeyExists(install.statusKey.c_str()));
    EXPECT_EQ(0, g_currentStatus);

    // The same printer over IPv6.
    std::string port = uri.substr(uri.rfind(':') + 1);
    port = port.substr(0, port.find('/'));
    EXPECT_EQ(0u, Once("ipp://[::1]:" + port + "/printers/jam", &said)) << said;
    EXPECT_EQ("10001", Stored("Code"));

    // ipps:// with the scheduler's own self-signed certificate: refused
    // until the user accepts such certificates.
    std::string tlsPort;
    ASSERT_TRUE(ReadWholeFile(WindowsPath(dir + "/tls-port"), &tlsPort));
    tlsPort.erase(tlsPort.find_last_not_of("\r\n") + 1);
    std::string secure = "ipps://127.0.0.1:" + tlsPort + "/printers/jam";
    DeleteKeyTree(HKEY_LOCAL_MACHINE, install.monitorKey.c_str());
    EXPECT_EQ(7u, Once(secure, &said));
    EXPECT_NE(std::string::npos, said.find("--accept-self-signed")) << said;
    EXPECT_FALSE(KeyExists(install.statusKey.c_str()));
    EXPECT_EQ(0u, RunSource("--forget-certificate " + secure, &said)) << said;
    // A certificate that cannot be kept is not taken, or every one would
    // be, every time: here no lasting key can be made under a volatile one.
    DeleteKeyTree(HKEY_CURRENT_USER, "SOFTWARE\\Halvik\\DadaVizi");
    HKEY volatileKey;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Halvik\\DadaVizi", 0, NULL,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &volatileKey, NULL));
    RegCloseKey(volatileKey);
    EXPECT_EQ(7u, Once("--accept-self-signed " + secure, &said));
    EXPECT_NE(std::string::npos, said.find("cannot be kept")) << said;
    EXPECT_FALSE(KeyExists(install.statusKey.c_str()));
    DeleteKeyTree(HKEY_CURRENT_USER, "SOFTWARE\\Halvik\\DadaVizi");
    EXPECT_EQ(0u, Once("--accept-self-signed " + secure, &said)) << said;
    EXPECT_EQ(secure, Stored("Uri"));
    // The certificate accepted first is kept for the URI, and a new one is
    // refused, nothing written, until the user forgets the old one.
    std::string kept = KeptCertificate(secure);
    EXPECT_EQ(64u, kept.size()) << kept;
    ASSERT_EQ(0, Harness("new-certificate"));
    DeleteKeyTree(HKEY_LOCAL_MACHINE, install.monitorKey.c_str());
    EXPECT_EQ(7u, Once("--accept-self-signed " + secure, &said));
    EXPECT_NE(std::string::npos, said.find("Printer certificate changed")) << said;
    EXPECT_FALSE(KeyExists(install.statusKey.c_str()));
    EXPECT_EQ(0u, RunSource("--forget-certificate " + secure, &said)) << said;
    EXPECT_EQ(0u, Once("--accept-self-signed " + secure, &said)) << said;
    EXPECT_NE(kept, KeptCertificate(secure));
    // A resident source tells the person at the printer at once, and a
    // WM_CLOSE ends it within 5 seconds.
    DeleteKeyTree(HKEY_LOCAL_MACHINE, install.monitorKey.c_str());
    DWORD sourceId = 0;
    HANDLE source = Start("DadaViziIpp.exe", "--accept-self-signed " + secure,
                          TempFile("dadavizi-ipp-pinned.txt"), &sourceId);
    ASSERT_TRUE(WaitForCode("10001", 20000));
    ASSERT_EQ(0, Harness("new-certificate"));
    EXPECT_TRUE(PumpUntil([&] { return Stored("Text") == "Printer certificate changed"; }, 20000));
    // It stays, past the failures that would report an outage (3, over 2 s).
    PumpMessages(4000);
    EXPECT_EQ("Printer certificate changed", Stored("Text"));
    EXPECT_EQ("40077", Stored("Code"));
    PostMessageA(SourceWindow(sourceId), WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExitPumping(source, 5000));
    // A certificate Windows refuses, for as long as an outage takes (no
    // time at all here): "not reachable", saying why, and no help.
    install.UseProfile("[IppStatus]\r\nUnreachableSeconds=0\r\n");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, install.monitorKey.c_str());
    size_t helped = fake::helpCalls.size();
    source = Start("DadaViziIpp.exe", secure, TempFile("dadavizi-ipp-tls.txt"), &sourceId);
    EXPECT_TRUE(PumpUntil(
        [&] { return Stored("Text").find("The printer's TLS was not accepted (") == 0; }, 20000))
        << Stored("Text");
    EXPECT_NE(std::string::npos, Stored("Text").find("error")) << Stored("Text");
    EXPECT_EQ("40077", Stored("Code"));
    EXPECT_EQ(helped, fake::helpCalls.size()) << "no help for it";
    PostMessageA(SourceWindow(sourceId), WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExitPumping(source, 5000));
    install.UseProfile("");

    // No scheduler: its status is still written and sent.
    ASSERT_EQ(0, Harness("stop"));
    EXPECT_EQ(6u, Once(uri, &said));
    EXPECT_NE(std::string::npos, said.find("not reachable")) << said;
    EXPECT_EQ("40077", Stored("Code"));
    EXPECT_EQ("Printer not reachable", Stored("Text"));
    EXPECT_EQ(40077, g_currentStatus);

    // No monitor: written all the same.
    DestroyWindow(window);
    monitorInProcess = false;
    ASSERT_EQ(0, Harness("restart"));
    EXPECT_EQ(3u, Once(uri));
    EXPECT_EQ("10001", Stored("Code"));

    // No settings: nothing to write to.
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
    EXPECT_EQ(2u, Once(uri, &said));
    EXPECT_NE(std::string::npos, said.find("Monitor")) << said;
    EXPECT_EQ(1u, Once("--bogus", &said));
    EXPECT_EQ(1u, Once("ftp://127.0.0.1/", &said));
}

TEST_F(WithMonitor, TheResidentSourceFollowsJamClearOutageAndRestart)
{
    std::string output = TempFile("dadavizi-ipp-resident.txt");
    DWORD sourceId = 0;
    HANDLE source = Start("DadaViziIpp.exe", uri, output, &sourceId);
    ASSERT_NE(nullptr, source);
    ASSERT_TRUE(WaitForCode("10001", 20000)) << "the first state was not reported";

    // One source per printer.
    HANDLE second = Start("DadaViziIpp.exe", uri);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(8u, WaitForExitPumping(second, 20000));

    ASSERT_EQ(0, Harness("print"));
    ASSERT_TRUE(WaitForCode("40077", 20000)) << "the jam was not reported";
    long long jamLatency = SinceBackend("jam-reported");
    EXPECT_EQ("Paper jam in tray 2", Stored("Text"));
    EXPECT_EQ(40077, g_currentStatus);
    EXPECT_EQ(ResourceIconPixels(IDI_PRINTER_CROSSED), LastIcon());
    EXPECT_EQ(std::vector<std::string>({TopicRequest()}), Help());

    ASSERT_EQ(0, Harness("print"));
    ASSERT_TRUE(WaitForCode("10001", 20000)) << "the clearing was not reported";
    long long clearLatency = SinceBackend("clear-reported");
    std::cout << "from the backend's report to the monitor's status: jam " << jamLatency
              << " ms, clear " << clearLatency << " ms\n";
    // Notifications bring a change within about 2 s; a loaded machine may
    // take longer, polling alone would take 30 s.
    EXPECT_LT(jamLatency, 8000);
    EXPECT_LT(clearLatency, 8000);

    // The scheduler dies: unreachable. It comes back: so does its state.
    ASSERT_EQ(0, Harness("kill"));
    ASSERT_TRUE(WaitForCode("40077", 30000)) << "the outage was not reported";
    EXPECT_EQ("Printer not reachable", Stored("Text"));
    ASSERT_EQ(0, Harness("restart"));
    // Failures back off (up to 16 s by now, jittered).
    ASSERT_TRUE(WaitForCode("10001", 60000)) << "the recovery was not reported";
    EXPECT_EQ("Ready", Stored("Text"));

    // Watching goes on after the restart.
    ASSERT_EQ(0, Harness("print"));
    ASSERT_TRUE(WaitForCode("40077", 20000)) << "a jam after the restart was not reported";
    EXPECT_LT(SinceBackend("jam-reported"), 8000);

    // WM_CLOSE to its own window ends it.
    HWND sourceWindow = SourceWindow(sourceId);
    ASSERT_NE(nullptr, sourceWindow);
    PostMessageA(sourceWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExitPumping(source, 10000));
    std::string log;
    ReadWholeFile(output, &log);
    EXPECT_NE(std::string::npos, log.find("watching " + uri)) << log;
    DeleteFileA(output.c_str());
}

TEST_F(WithMonitor, TheResidentSourceReportsTonerLowEmptyAndRefilled)
{
    ASSERT_TRUE(Start("DadaViziIpp.exe", uri, TempFile("dadavizi-ipp-toner.txt")));
    ASSERT_TRUE(WaitForCode("10001", 20000));

    ASSERT_EQ(0, Harness("toner-5"));
    ASSERT_TRUE(WaitForCode("40021", 20000)) << "low toner was not reported";
    EXPECT_EQ("Ink or toner low", Stored("Text"));
    EXPECT_EQ("5%", Stored("Marker Black"));
    EXPECT_EQ(ResourceIconPixels(IDI_PRINTER_STROKE), LastIcon());
    EXPECT_EQ(std::vector<std::string>({TopicRequest()}), Help()) << "a warning asks for help";

    ASSERT_EQ(0, Harness("toner-0"));
    ASSERT_TRUE(WaitForCode("40077", 20000)) << "empty toner was not reported";
    EXPECT_EQ("Out of ink or toner", Stored("Text"));
    EXPECT_EQ("0%", Stored("Marker Black"));
    EXPECT_EQ("marker-supply-empty-error", Stored("Reasons"));

    ASSERT_EQ(0, Harness("toner-80"));
    ASSERT_TRUE(WaitForCode("10001", 20000)) << "the refill was not reported";
    EXPECT_EQ("80%", Stored("Marker Black"));
}

// The real DadaVizi.exe and the help stub as processes, as in tests/e2e.
class WithRealMonitor : public Scheduler {
protected:
    void TearDown() override
    {
        // The monitor first: without the stub, help would start Wine's viewer.
        for (const char *name : {MONITOR_WINDOW_NAME, "DadaViziIpp"}) {
            if (HWND window = FindWindowA(name, name))
                PostMessageA(window, WM_CLOSE, 0, 0);
        }
        for (HANDLE process : processes)
            WaitForExitPumping(process, 5000);
        Scheduler::TearDown();
    }

    HelpStub stub;
};

TEST_F(WithRealMonitor, AJamTurnsTheMonitorRedWithItsHelpAndTheClearingBringsItBack)
{
    ASSERT_TRUE(stub.Start()) << "no help stub";
    HANDLE monitor = Start("DadaVizi.exe", "");
    ASSERT_NE(nullptr, WaitForMonitorWindow(monitor)) << "no monitor";
    ASSERT_TRUE(Start("DadaViziIpp.exe", uri, TempFile("dadavizi-ipp-e2e.txt")));
    ASSERT_TRUE(WaitForCode("10001", 20000));

    ASSERT_EQ(0, Harness("print"));
    ASSERT_TRUE(WaitForCode("40077", 20000)) << "the jam was not reported";
    const std::string topic = HelpRequest(HELP_CONTEXT, 17, install.helpFile + ">SEC");
    ASSERT_TRUE(PumpUntil([&] { return !stub.Requests().empty(); }, 20000)) << "no help shown";
    EXPECT_EQ(topic, stub.Requests());
    EXPECT_EQ("Paper jam in tray 2", StoredText(HELP_WINDOW_KEY, "Text"))
        << "the help window gets the printer's words";
    EXPECT_EQ("media-jam-error", StoredText(HELP_WINDOW_KEY, "Reasons"));

    ASSERT_EQ(0, Harness("print"));
    ASSERT_TRUE(WaitForCode("10001", 20000)) << "the clearing was not reported";
    PumpMessages(500);
    EXPECT_EQ(topic, stub.Requests()) << "ready shows no help";
}

}  // namespace
