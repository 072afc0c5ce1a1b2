// A card whose registers went away under a command or a timer tick: one log
// line that names it and says what to do, the port closed, and the window
// told that the card is gone.
#pragma once

#include <string>

#include "link/BridgeApi.h"
#include "link/CardPort.h"
#include "seam/WindowServices.h"

namespace kovex {

std::string CardLostLine(const CardLost& lost);

// Returns the line; logs it only when the port was still open (otherwise the
// loss was told then).
std::string HandleCardLost(CardPort& port, WindowServices& window, const CardLost& lost);

}  // namespace kovex
