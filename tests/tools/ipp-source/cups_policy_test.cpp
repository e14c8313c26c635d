// DadaViziIpp.exe against the private scheduler set up with Debian's stock
// cupsd.conf: its policies and limits, only Listen and the paths changed.
#include "cups_scheduler.h"

#include <iostream>
#include <string>

namespace {

// Debian's stock policies and limits. Under "default" the watcher may pull
// its events and cancels its one subscription at the end; under
// "authenticated" anyone may subscribe but only a login may pull, renew or
// cancel: the watcher polls instead, and its one subscription lapses with
// its lease. Either way it never spins.
TEST_F(Scheduler, StockPoliciesSeeOneSubscriptionAtMostAndNoSpinning)
{
    for (const char *policy : {"default", "authenticated"}) {
        SCOPED_TRACE(policy);
        ASSERT_EQ(0, Harness(std::string("stock-") + policy))
            << "the stock scheduler did not start";
        uri = "ipp://127.0.0.1:" + std::to_string(Number("port")) + "/printers/jam";
        std::string output = TempFile("dadavizi-ipp-stock.txt");
        DWORD sourceId = 0;
        HANDLE source = Start("DadaViziIpp.exe", uri, output, &sourceId);
        ASSERT_NE(nullptr, source);
        ASSERT_TRUE(WaitForCode("10001", 20000)) << "the first state was not reported";
        ASSERT_EQ(0, Harness("requests"));
        int before = Number("requests");
        PumpMessages(10000);
        ASSERT_EQ(0, Harness("requests"));
        int requests = Number("requests") - before;
        // About one a second (IntervalSeconds=1), a renewal or two; a loop
        // without a pause would send hundreds.
        EXPECT_LE(requests, 25) << "requests in 10 s";
        EXPECT_GE(requests, 3) << "it still asks";
        ASSERT_EQ(0, Harness("subscriptions"));
        int during = Number("subscriptions");
        int lease = Number("lease");
        // Its own (under "authenticated" the one it made before the refusal).
        EXPECT_EQ(1, during) << "one subscription per watcher";

        HWND sourceWindow = SourceWindow(sourceId);
        ASSERT_NE(nullptr, sourceWindow);
        PostMessageA(sourceWindow, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, WaitForExitPumping(source, 10000));
        ASSERT_EQ(0, Harness("subscriptions"));
        if (std::string(policy) == "default")
            EXPECT_EQ(0, Number("subscriptions")) << "cancelled at the end";
        else
            EXPECT_LE(Number("subscriptions"), 1) << "one, lapsing with its lease";
        if (Number("subscriptions") > 0) {
            EXPECT_LE(Number("lease"), 60) << "left with the short first lease";
        }
        std::string log;
        ReadWholeFile(output, &log);
        DeleteFileA(output.c_str());
        std::cout << policy << ": " << requests << " requests in 10 s, " << during
                  << " subscription(s) while watching (lease " << lease << " s), "
                  << Number("subscriptions") << " after\n"
                  << log;
        DeleteKeyTree(HKEY_LOCAL_MACHINE, install.statusKey.c_str());
    }
}

}  // namespace
