// The simulated card the programs offer with no card at hand: quick but not
// instant replies, a network of nodes 10 and 12 polled every 250 ms, a node
// message every 6 s and a start-up line after each reset.
#pragma once

#include "sim/SimulatedCard.h"

namespace kovex {

void SetUpToolCard(SimulatedCard& card);

}  // namespace kovex
