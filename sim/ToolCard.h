// The simulated card the programs offer with no card at hand: quick but not
// instant replies, a network of nodes 10 and 12 polled every 250 ms, a node
// message every 6 s and a start-up line after each reset. Its test aids, as
// kovexctl offers them with --sim, make it misbehave on purpose.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "sim/SimulatedCard.h"

namespace kovex {

void SetUpToolCard(SimulatedCard& card);

struct SimTestAid {
    std::string_view option;     // "--sim-fault"
    std::string_view valueName;  // "NAME"; empty when it takes no value
    std::string_view help;
    // Sets the aid up on the card; the reason when the value is not one it knows.
    std::string (*apply)(SimulatedCard& card, std::string_view value);
};

std::span<const SimTestAid> ToolCardTestAids();

// The aids that kovexctl applies to its own run, not to the card.
inline constexpr std::string_view HOLD_AFTER_OPTION = "--sim-hold-after";
inline constexpr std::string_view SIM_CARDS_OPTION = "--sim-cards";
inline constexpr std::string_view SIM_STATE_OPTION = "--sim-state";

}  // namespace kovex
