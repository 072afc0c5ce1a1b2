#include "sim/ToolCard.h"

#include <array>
#include <cstdint>

namespace kovex {

void SetUpToolCard(SimulatedCard& card) {
    using namespace std::chrono_literals;
    card.Timing().replyDelay = 2ms;
    card.Timing().txBusyHold = 20us;
    card.SetPollPeriod(250ms);
    card.SetNodeChatter(6s);
    // A short list of the network's nodes, so Get Poll List shows a real list.
    constexpr std::array<std::uint8_t, 2> networkNodes{10, 12};
    card.SetPollList(networkNodes);
    card.SetStartupChatter({'K', 'O', 'V', 'E', 'X', ' ', 'b', 'o', 'o', 't', '\r', '\n'});
}

}  // namespace kovex
