#include "cli/CardWait.h"

#include <algorithm>

#include "cli/Interrupt.h"

namespace kovex {
namespace {

using namespace std::chrono_literals;

// Between two tries: a new job gets the card soon after the last one ends,
// and the holder's process is not disturbed.
constexpr Nanos RETRY_AFTER = 200ms;
// How soon a sleeping wait sees Ctrl-C.
constexpr Nanos SLEEP_STEP = 10ms;

// Sleeps until `until` or Ctrl-C; false on Ctrl-C.
bool SleepUntil(MonotonicClock& clock, Nanos until) {
    for (Nanos now = clock.Now(); now < until; now = clock.Now()) {
        if (Interrupted()) return false;
        clock.SleepFor(std::min(SLEEP_STEP, until - now));
    }
    return !Interrupted();
}

}  // namespace

OpenResult OpenWhenFree(const std::function<OpenResult()>& open,
                        const std::function<void()>& noteWaiting, const CardWaitLimit& wait,
                        MonotonicClock& clock) {
    const Nanos deadline = wait.limit ? clock.Now() + *wait.limit : Nanos::max();
    OpenResult result = open();
    if (result == OpenResult::InUse) noteWaiting();
    // The last try comes when the time allowed runs out.
    while (result == OpenResult::InUse && clock.Now() < deadline) {
        if (!SleepUntil(clock, std::min(clock.Now() + RETRY_AFTER, deadline))) break;
        result = open();
    }
    return result;
}

}  // namespace kovex
