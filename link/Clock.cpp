#include "link/Clock.h"

#include <sys/prctl.h>

#include <thread>

namespace kovex {

Nanos SteadyClock::Now() const {
    return std::chrono::duration_cast<Nanos>(std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyClock::SleepFor(Nanos duration) {
    std::this_thread::sleep_for(duration);
}

Nanos SteadyClock::TimerSlack() const {
    const int slack = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    return Nanos{slack < 0 ? 0 : slack};
}

void SteadyClock::SetTimerSlack(Nanos slack) {
    // 0 would mean the thread's default; a failure leaves the slack as it was,
    // which only makes sleeps a little longer.
    if (slack > Nanos{0})
        prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(slack.count()), 0, 0, 0);
}

}  // namespace kovex
