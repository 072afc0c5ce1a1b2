#include "link/WaitPacer.h"

#include <algorithm>

namespace kovex {

WaitPacer::WaitPacer(MonotonicClock& clock, const WaitPacing& pacing)
    : clock_(clock), pacing_(pacing), nextSleep_(pacing.firstSleep), countedUntil_(clock.Now()) {}

bool WaitPacer::PumpDue(Nanos lastPump) const {
    return pacing_.pumpEvery <= Nanos{0} || clock_.Now() - lastPump >= pacing_.pumpEvery;
}

void WaitPacer::CountPump(Nanos pumpStart) {
    const Nanos now = clock_.Now();
    silence_ += (pumpStart - countedUntil_) + std::min(now - pumpStart, LONGEST_COUNTED_PUMP);
    countedUntil_ = now;
}

void WaitPacer::Idle() {
    if (passes_ < pacing_.spinPasses) {
        ++passes_;
        return;
    }
    clock_.SleepFor(nextSleep_);
    nextSleep_ = std::min(nextSleep_ * 2, pacing_.longestSleep);
}

Nanos WaitPacer::SilenceWatched() const {
    return silence_ + (clock_.Now() - countedUntil_);
}

}  // namespace kovex
