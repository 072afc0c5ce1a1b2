#include "link/WaitPacer.h"

#include <algorithm>

namespace kovex {

TimerSlackFor::TimerSlackFor(MonotonicClock& clock, Nanos slack)
    : clock_(clock), previous_(clock.TimerSlack()) {
    clock_.SetTimerSlack(slack);
}

TimerSlackFor::~TimerSlackFor() {
    clock_.SetTimerSlack(previous_);
}

WaitPacer::WaitPacer(MonotonicClock& clock, const WaitPacing& pacing)
    : clock_(clock),
      pacing_(pacing),
      start_(clock.Now()),
      nextSleep_(pacing.fineSleep),
      countedUntil_(start_) {}

bool WaitPacer::PumpDue(Nanos lastPump) const {
    return pacing_.pumpEvery <= Nanos{0} || clock_.Now() - lastPump >= pacing_.pumpEvery;
}

void WaitPacer::CountPump(Nanos pumpStart) {
    const Nanos now = clock_.Now();
    silence_ += (pumpStart - countedUntil_) + std::min(now - pumpStart, LONGEST_COUNTED_PUMP);
    countedUntil_ = now;
}

void WaitPacer::Idle() {
    const Nanos waited = clock_.Now() - start_;
    if (waited < pacing_.spinFor) {
        clock_.SpinPass();
        return;
    }
    Sleep(waited);
}

void WaitPacer::Sleep(Nanos waited) {
    // Asked once, at the first sleep: a wait the spin ends costs no system call.
    if (!slack_ && pacing_.sleepSlack > Nanos{0}) slack_.emplace(clock_, pacing_.sleepSlack);
    if (waited < pacing_.fineFor) {
        clock_.SleepFor(pacing_.fineSleep);
        return;
    }
    clock_.SleepFor(nextSleep_);
    nextSleep_ = std::min(nextSleep_ * 2, pacing_.longestSleep);
}

Nanos WaitPacer::SilenceWatched() const {
    return silence_ + (clock_.Now() - countedUntil_);
}

}  // namespace kovex
