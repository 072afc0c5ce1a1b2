// The 100 ms tick of the main window: counts TickCountdown down and keeps Get
// Msg in step with the card's NO_MESSAGE bit while the card runs.
#pragma once

#include "link/CardPort.h"
#include "seam/WindowServices.h"

namespace kovex {

void Timer1Timer(AppState& state, CardPort& port, WindowServices& window);

}  // namespace kovex
