#include "support/CardRig.h"

#include <algorithm>
#include <utility>

#include "console/Timer1Rule.h"

namespace kovex::testing {

CardRig::CardRig() = default;

void CardRig::Open() {
    opener.Button1Click();
    window.log.clear();
    window.enableCalls.clear();
    pumps = 0;
}

void CardRig::At(Nanos when, std::function<void()> action) {
    scheduled_.push_back({when, std::move(action)});
}

void CardRig::Pump() {
    ++pumps;
    longestPumpGap = std::max(longestPumpGap, clock.Now() - lastPumpAt);
    lastPumpAt = clock.Now();
    while (clock.Now() >= nextTick_) {
        nextTick_ += 100ms;
        ++timer1Ticks;
        Timer1Timer(state, port, window);
        if (window.timer2Running && timer2) {
            ++timer2Ticks;
            timer2();
        }
    }
    // Actions may pump in turn (a nested handler waits): take each one out
    // before running it.
    for (std::size_t i = 0; i < scheduled_.size();) {
        if (clock.Now() >= scheduled_[i].when) {
            auto action = std::move(scheduled_[i].action);
            scheduled_.erase(scheduled_.begin() + static_cast<std::ptrdiff_t>(i));
            action();
        } else {
            ++i;
        }
    }
}

void CardRig::RunTicks(int ticks) {
    for (int i = 0; i < ticks; ++i) {
        clock.Advance(100ms);
        Pump();
    }
}

}  // namespace kovex::testing
