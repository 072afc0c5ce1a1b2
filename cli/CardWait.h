// --wait-card: a production line queues behind the job that holds the card.
// Open is tried again every few hundred milliseconds while another program
// holds the card, with one note on standard error, until the card is free,
// the time allowed has passed, or Ctrl-C ends the wait at once.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "link/CardDiscovery.h"
#include "link/Clock.h"

namespace kovex {

struct CardWaitLimit {
    std::optional<Nanos> limit;  // none: as long as it takes
};

// Runs open until it gives anything but InUse, or the wait ends; the last
// result tells how. noteWaiting runs once, at the first InUse.
OpenResult OpenWhenFree(const std::function<OpenResult()>& open,
                        const std::function<void()>& noteWaiting, const CardWaitLimit& wait,
                        MonotonicClock& clock);

}  // namespace kovex
