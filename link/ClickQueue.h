// Clicks that come while the poll list refresh holds the port are served, not
// refused. Everything runs on the one window thread, so such a click runs
// nested inside the refresh's wait and cannot wait for it there: it is queued
// on the port instead, the refresh gives way before its next frame (never
// inside one, never between a question and its reply), and the click runs as
// soon as the refresh's exchange has ended, before the next tick. A click
// that comes while another click's command holds the port, or while a click
// already waits, runs at once and is refused with the busy line as before.
#pragma once

#include <functional>

#include "link/CardPort.h"
#include "seam/Outcome.h"
#include "seam/WindowServices.h"

namespace kovex {

// Runs a click that needs the card: now, or queued behind the refresh.
void ServeCardClick(CardPort& port, const std::function<void()>& click);

// The refresh's exchange: RunCardExchange, giving way to a click queued
// meanwhile, which then runs. Done when the work ran to its end.
Outcome RunGivingWay(CardPort& port, WindowServices& window,
                     const std::function<void(CardPort&)>& work);

}  // namespace kovex
