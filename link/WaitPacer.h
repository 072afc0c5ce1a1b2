// How a polling loop on the card spends the passes that found nothing to do,
// and how much of the time it has itself watched the card stay silent.
#pragma once

#include "link/Clock.h"

namespace kovex {

using namespace std::chrono_literals;

// A few passes at full speed (a card that answers in microseconds is served
// at once), then sleeps that grow to the status poll interval. Every wake-up
// costs CPU time of its own (about 20 us on a virtual machine), so the
// interval is as long as a notice delay under 1 ms allows. The window is
// pumped at most every pumpEvery while the card is idle: pumping costs more
// than reading the status, and the window still answers well within 50 ms.
struct WaitPacing {
    int spinPasses = 32;
    Nanos firstSleep = 5us;
    Nanos longestSleep = 800us;
    // 0: pump on every idle pass.
    Nanos pumpEvery = 5ms;
};

// The window must never wait longer than this for a pump during a wait.
inline constexpr Nanos LONGEST_PUMP_GAP = 50ms;
static_assert(WaitPacing{}.pumpEvery + WaitPacing{}.longestSleep < LONGEST_PUMP_GAP);

// The pacing the waits had first: pump on every idle pass, sleeps growing to
// half a millisecond. Kept to compare against in the wait benchmark.
inline constexpr WaitPacing PUMP_EVERY_PASS_PACING{32, 5us, 500us, Nanos{0}};

class WaitPacer {
public:
    // A pump that took longer than this ran a nested window or handler: it
    // counts as only this long towards the silence the wait watched.
    static constexpr Nanos LONGEST_COUNTED_PUMP = 50ms;

    explicit WaitPacer(MonotonicClock& clock, const WaitPacing& pacing = {});

    // Whether an idle pass should pump, given when the window was last pumped.
    bool PumpDue(Nanos lastPump) const;
    // The wait pumped from pumpStart until now.
    void CountPump(Nanos pumpStart);
    // Called after a pass that found nothing to do: spins or sleeps.
    void Idle();
    // Time this wait has watched the card, without what nested windows took.
    Nanos SilenceWatched() const;

private:
    MonotonicClock& clock_;
    WaitPacing pacing_;
    int passes_ = 0;
    Nanos nextSleep_;
    Nanos silence_{0};
    Nanos countedUntil_;
};

}  // namespace kovex
