#include "link/Clock.h"

#include <thread>

namespace kovex {

Nanos SteadyClock::Now() const {
    return std::chrono::duration_cast<Nanos>(std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyClock::SleepFor(Nanos duration) {
    std::this_thread::sleep_for(duration);
}

}  // namespace kovex
