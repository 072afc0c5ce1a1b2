#include "link/WaitPacer.h"

#include <gtest/gtest.h>

#include <vector>

namespace kovex::testing {
namespace {

using namespace std::chrono_literals;

// What one idle pass did, as the virtual clock saw it.
struct Pass {
    Nanos at;     // when the pass began, from the start of the wait
    Nanos took;   // how far it moved the clock
    Nanos slack;  // the timer slack during the pass
};

std::vector<Pass> IdlePasses(VirtualClock& clock, WaitPacer& pacer, Nanos until) {
    std::vector<Pass> passes;
    const Nanos start = clock.Now();
    while (clock.Now() - start < until) {
        const Nanos before = clock.Now();
        pacer.Idle();
        passes.push_back({before - start, clock.Now() - before, clock.TimerSlack()});
    }
    return passes;
}

// The passes that sleep, from the first: their length and when they began.
std::vector<Pass> Sleeps(const std::vector<Pass>& passes) {
    std::vector<Pass> sleeps;
    for (const Pass& pass : passes) {
        if (pass.took > VirtualClock::SPIN_PASS) sleeps.push_back(pass);
    }
    return sleeps;
}

TEST(WaitPacerTest, SpinsThenSleepsFineWhileAReplyIsLikelyThenGrowsToThePollInterval) {
    VirtualClock clock;
    const WaitPacing pacing;
    WaitPacer pacer(clock, pacing);
    const auto passes = IdlePasses(clock, pacer, 20ms);

    // Spinning by the clock, with the thread's slack left alone.
    const auto spins = static_cast<std::size_t>(pacing.spinFor / VirtualClock::SPIN_PASS);
    ASSERT_GT(passes.size(), spins);
    for (std::size_t i = 0; i < spins; ++i) {
        EXPECT_EQ(passes[i].took, VirtualClock::SPIN_PASS) << "pass " << i;
        EXPECT_EQ(passes[i].slack, VirtualClock::DEFAULT_SLACK) << "pass " << i;
    }
    // Then sleeps: fine until fineFor, then doubling up to the poll interval.
    const auto sleeps = Sleeps(passes);
    ASSERT_EQ(sleeps.size(), passes.size() - spins) << "no spin after the first sleep";
    EXPECT_EQ(sleeps.front().at, pacing.spinFor);
    std::vector<Nanos> lengthsAfterFine;
    for (const Pass& sleep : sleeps) {
        EXPECT_EQ(sleep.slack, pacing.sleepSlack) << "at " << sleep.at.count();
        if (sleep.at < pacing.fineFor) {
            EXPECT_EQ(sleep.took, pacing.fineSleep) << "at " << sleep.at.count();
        } else if (lengthsAfterFine.size() < 6) {
            lengthsAfterFine.push_back(sleep.took);
        }
    }
    EXPECT_EQ(lengthsAfterFine, (std::vector<Nanos>{50us, 100us, 200us, 400us, 800us, 800us}));
}

TEST(WaitPacerTest, TheSlackIsPutBackWhenTheWaitEndsAndNotTouchedByAWaitTheSpinEnds) {
    constexpr Nanos threadSlack = 30us;
    struct Case {
        const char* name;
        WaitPacing pacing;
        Nanos waited;
        Nanos slackDuring;
    };
    const Case cases[] = {
        {"ended while spinning", WaitPacing{}, 50us, threadSlack},
        {"ended while sleeping fine", WaitPacing{}, 2ms, WaitPacing{}.sleepSlack},
        {"ended after a long wait", WaitPacing{}, 2s, WaitPacing{}.sleepSlack},
        {"a pacing that leaves the slack", WaitPacing{.sleepSlack = 0ns}, 2ms, threadSlack},
    };
    for (const Case& c : cases) {
        VirtualClock clock;
        clock.SetTimerSlack(threadSlack);
        {
            WaitPacer pacer(clock, c.pacing);
            IdlePasses(clock, pacer, c.waited);
            EXPECT_EQ(clock.TimerSlack(), c.slackDuring) << c.name;
        }
        EXPECT_EQ(clock.TimerSlack(), threadSlack) << c.name;
    }
}

}  // namespace
}  // namespace kovex::testing
