// A card, a port and a window on a virtual clock. Pumping window messages
// fires Timer1 for every 100 ms of virtual time that has passed and runs any
// action scheduled for that time (a nested click, a card event).
#pragma once

#include <functional>
#include <vector>

#include "link/CardDiscovery.h"
#include "link/CardPort.h"
#include "link/Clock.h"
#include "seam/AppState.h"
#include "sim/SimulatedCard.h"
#include "support/FakeWindow.h"

namespace kovex::testing {

using namespace std::chrono_literals;

class CardRig {
public:
    CardRig();

    // Opens the card on the default simulated bus; clears what Open logged.
    void Open();
    // Runs action at the first pump at or after virtual time `when`.
    void At(Nanos when, std::function<void()> action);
    void Pump();
    // Advances virtual time by whole ticks, pumping between them.
    void RunTicks(int ticks);

    VirtualClock clock;
    SimulatedCard card{clock};
    AppState state;
    FakeWindow window;
    CardPort port{state, clock, [this] { Pump(); }};
    CardOpener opener{card, port, window};
    int pumps = 0;
    int timer1Ticks = 0;
    // Timer2Timer: run after Timer1 on every tick while window.timer2Running.
    std::function<void()> timer2;
    int timer2Ticks = 0;
    // When the window was last pumped, and the longest virtual time between
    // two pumps (a test may reset both before what it measures).
    Nanos lastPumpAt{0};
    Nanos longestPumpGap{0};

private:
    struct Scheduled {
        Nanos when;
        std::function<void()> action;
    };
    std::vector<Scheduled> scheduled_;
    Nanos nextTick_ = 100ms;
};

}  // namespace kovex::testing
