// How a polling loop on the card spends the passes that found nothing to do,
// and how much of the time it has itself watched the card stay silent.
#pragma once

#include <optional>

#include "link/Clock.h"

namespace kovex {

using namespace std::chrono_literals;

// A wait first spins by the clock (a card that answers within a byte's busy
// time is served at once, without a sleep's wake-up delay), then sleeps in
// fine steps while a reply is most likely (a line's acknowledgement, a
// command's answer: a few milliseconds), then in steps that grow to the
// status poll interval. Every wake-up costs CPU time of its own (about 20 us
// on a virtual machine), so a long wait polls as seldom as a notice delay
// under 1 ms allows. While it sleeps, the wait asks the kernel for fine timer
// slack: the default 50 us would add to every short sleep. The window is
// pumped at most every pumpEvery while the card is idle: pumping costs more
// than reading the status, and the window still answers well within 50 ms.
struct WaitPacing {
    Nanos spinFor = 100us;
    Nanos fineSleep = 50us;
    // Sleeps stay fine until the wait has lasted this long, then double.
    Nanos fineFor = 5ms;
    Nanos longestSleep = 800us;
    // 0: pump on every idle pass.
    Nanos pumpEvery = 5ms;
    // The timer slack while the wait sleeps; 0 leaves the thread's own.
    Nanos sleepSlack = 1us;
};

// The window must never wait longer than this for a pump during a wait.
inline constexpr Nanos LONGEST_PUMP_GAP = 50ms;
static_assert(WaitPacing{}.pumpEvery + WaitPacing{}.longestSleep < LONGEST_PUMP_GAP);

// The thread's timer slack set for as long as this lives, then put back.
class TimerSlackFor {
public:
    TimerSlackFor(MonotonicClock& clock, Nanos slack);
    ~TimerSlackFor();
    TimerSlackFor(const TimerSlackFor&) = delete;
    TimerSlackFor& operator=(const TimerSlackFor&) = delete;

private:
    MonotonicClock& clock_;
    Nanos previous_;
};

class WaitPacer {
public:
    // A pump that took longer than this ran a nested window or handler: it
    // counts as only this long towards the silence the wait watched.
    static constexpr Nanos LONGEST_COUNTED_PUMP = 50ms;

    explicit WaitPacer(MonotonicClock& clock, const WaitPacing& pacing = {});
    WaitPacer(const WaitPacer&) = delete;
    WaitPacer& operator=(const WaitPacer&) = delete;

    // Whether an idle pass should pump, given when the window was last pumped.
    bool PumpDue(Nanos lastPump) const;
    // The wait pumped from pumpStart until now.
    void CountPump(Nanos pumpStart);
    // Called after a pass that found nothing to do: spins or sleeps.
    void Idle();
    // Time this wait has watched the card, without what nested windows took.
    Nanos SilenceWatched() const;

private:
    void Sleep(Nanos waited);

    MonotonicClock& clock_;
    WaitPacing pacing_;
    Nanos start_;
    Nanos nextSleep_;
    Nanos silence_{0};
    Nanos countedUntil_;
    std::optional<TimerSlackFor> slack_;
};

}  // namespace kovex
