// The pacing rule as a table: what the watcher knows, and how long it waits
// from one request to the next at the lowest, middle and highest draw.
#include <gtest/gtest.h>

#include "tools/ipp-source/pacing.h"

#include <string>

namespace {

// The watcher of a subscribed printer that said nothing of its interval.
Pacing Quiet()
{
    Pacing pacing = {};
    pacing.sinceLocalJob = PACE_NEVER;
    pacing.untilUnreachable = PACE_NEVER;
    pacing.printerInterval = -1;
    pacing.idleInterval = -1;
    pacing.pollSeconds = PACE_POLL_SECONDS;
    return pacing;
}

struct Case {
    const char *what;
    Pacing pacing;
    DWORD lowest, middle, highest;  // at draws 0, PACE_DRAW_MAX / 2, PACE_DRAW_MAX
};

Pacing With(void (*change)(Pacing *))
{
    Pacing pacing = Quiet();
    change(&pacing);
    return pacing;
}

TEST(Pacing, TheRuleAsATable)
{
    const DWORD S = 1000;
    const Case cases[] = {
        // Normal: the printer's interval, jittered by 20 %, never under 10 s.
        {"the printer's interval", With([](Pacing *p) { p->printerInterval = 60; }),
         48 * S, 59999, 72 * S},
        {"a short interval stops at the floor", With([](Pacing *p) { p->printerInterval = 5; }),
         10 * S, 10 * S, 10 * S},
        {"a busy printer's shorter interval is not followed",
         With([](Pacing *p) { p->printerInterval = 30; p->idleInterval = 60; }),
         48 * S, 59999, 72 * S},
        {"a longer one is", With([](Pacing *p) { p->printerInterval = 120; p->idleInterval = 60; }),
         96 * S, 119999, 144 * S},
        {"a printer that holds: the floor from the previous request",
         With([](Pacing *p) { p->held = true; }), 10 * S, 10 * S, 10 * S},
        {"an absurd interval is a day at most",
         With([](Pacing *p) { p->printerInterval = 2000000000; }),
         69120 * S, 86399736, 103680 * S},
        // Without any interval: PollSeconds, the profile's choice, down to a second.
        {"PollSeconds by default", Quiet(), 48 * S, 59999, 72 * S},
        {"PollSeconds=1", With([](Pacing *p) { p->pollSeconds = 1; }), 1 * S, 1 * S, 1200},
        {"PollSeconds missing", With([](Pacing *p) { p->pollSeconds = 0; }),
         48 * S, 59999, 72 * S},
        {"IntervalSeconds beats the printer",
         With([](Pacing *p) { p->intervalSetting = 2; p->printerInterval = 60; }),
         1600, 1999, 2400},
        // Fast, 1 to 2 s, only for a job of this machine, now or in the last
        // five minutes. A jam of a queue no job of ours is in keeps the idle
        // pace: the watcher tells the rule nothing of the printer's errors.
        {"a job of this machine in the queue", With([](Pacing *p) {
             p->localJob = true;
             p->printerInterval = 60;
         }),
         1 * S, 1499, 2 * S},
        {"a job of this machine a minute ago", With([](Pacing *p) {
             p->sinceLocalJob = 60 * S;
             p->printerInterval = 60;
         }),
         1 * S, 1499, 2 * S},
        {"a job five minutes ago no longer", With([](Pacing *p) {
             p->sinceLocalJob = 300 * S;
             p->printerInterval = 60;
         }),
         48 * S, 59999, 72 * S},
        // Failures back off from 2 s to 300 s over the whole range, at least 1 s.
        {"one failure", With([](Pacing *p) { p->failures = 1; }), 1 * S, 1 * S, 2 * S},
        {"two failures", With([](Pacing *p) { p->failures = 2; }), 1 * S, 1999, 4 * S},
        {"three failures", With([](Pacing *p) { p->failures = 3; }), 1 * S, 3999, 8 * S},
        {"eight failures", With([](Pacing *p) { p->failures = 8; }), 1 * S, 127998, 256 * S},
        {"nine failures reach 300 s", With([](Pacing *p) { p->failures = 9; }),
         1 * S, 149997, 300 * S},
        {"a million failures stay at 300 s", With([](Pacing *p) { p->failures = 1000000; }),
         1 * S, 149997, 300 * S},
        {"failures beat a job of this machine", With([](Pacing *p) {
             p->failures = 2;
             p->localJob = true;
         }),
         1 * S, 1999, 4 * S},
        // Someone here waits for the printer: failures back off to 15 s at
        // most, also once "not reachable" has been reported.
        {"failures with a job of ours", With([](Pacing *p) {
             p->failures = 8;
             p->localJob = true;
         }),
         1 * S, 7499, 15 * S},
        {"failures with a job of ours a minute ago", With([](Pacing *p) {
             p->failures = 8;
             p->sinceLocalJob = 60 * S;
         }),
         1 * S, 7499, 15 * S},
        {"failures with a job of ours, reported not reachable", With([](Pacing *p) {
             p->failures = 8;
             p->localJob = true;
             p->reported = true;
         }),
         1 * S, 7499, 15 * S},
        // "Not reachable" is decided within 30 s once the failures have
        // lasted long enough, and its request goes when they have.
        {"failures long enough, not yet reported", With([](Pacing *p) {
             p->failures = 9;
             p->untilUnreachable = 0;
         }),
         1 * S, 14999, 30 * S},
        {"failures not yet long enough", With([](Pacing *p) {
             p->failures = 5;
             p->untilUnreachable = 5 * S;
         }),
         1 * S, 5 * S, 5 * S},
        {"failures long enough and reported", With([](Pacing *p) {
             p->failures = 9;
             p->untilUnreachable = 0;
             p->reported = true;
         }),
         1 * S, 149997, 300 * S},
    };
    for (const Case &test : cases) {
        Pacing pacing = test.pacing;
        pacing.draw = 0;
        EXPECT_EQ(test.lowest, PaceMs(pacing)) << test.what;
        pacing.draw = PACE_DRAW_MAX / 2;
        EXPECT_EQ(test.middle, PaceMs(pacing)) << test.what;
        pacing.draw = PACE_DRAW_MAX;
        EXPECT_EQ(test.highest, PaceMs(pacing)) << test.what;
        pacing.draw = PACE_DRAW_MAX + 1000;  // out of range: taken as the highest
        EXPECT_EQ(test.highest, PaceMs(pacing)) << test.what;
    }
}

TEST(Pacing, DrawsSpreadOverTheirRangeAndDifferBySeed)
{
    unsigned long seed = 12345, other = 12346;
    unsigned low = 0, high = 0, same = 0;
    for (int index = 0; index < 1000; ++index) {
        unsigned draw = NextDraw(&seed);
        ASSERT_LE(draw, PACE_DRAW_MAX);
        low += draw < PACE_DRAW_MAX / 4;
        high += draw > PACE_DRAW_MAX / 4 * 3;
        same += draw == NextDraw(&other);
    }
    // A quarter each way, give or take.
    EXPECT_GT(low, 150u);
    EXPECT_GT(high, 150u);
    EXPECT_LT(same, 10u) << "two machines started together must not ask together";
}

}  // namespace
