// Runs one handler's card work as one exchange: refused before Open and while
// another exchange holds the port; a card that stops answering, or one that
// keeps sending, ends it with one log line; the port is free again afterwards
// in every case.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "link/CardPort.h"
#include "seam/WindowServices.h"

namespace kovex {

inline constexpr std::string_view NO_CARD_OPEN_LINE = "No card is open: press Open first";
inline constexpr std::string_view PORT_TAKEN_LINE =
    "Card busy: another command is still waiting for the card";
std::string CardSilentLine();
// "KOVEX keeps sending: 4096 bytes thrown away; command abandoned"
std::string CardKeepsSendingLine(std::size_t thrownAway);

// Returns true when the work ran to its end.
bool RunCardExchange(CardPort& port, WindowServices& window,
                     const std::function<void(CardPort&)>& work);

}  // namespace kovex
