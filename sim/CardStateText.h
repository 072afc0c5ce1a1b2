// The simulated card's state as a text file, so a card can live on from one
// run to the next: mode, firmware (flash and version text), poll list, node
// statuses, poll pointer, packet counters, the messages that wait for the
// host, node 12's reading count, and the display's pages, stored images,
// cursor, font and text. The first line names the format; a text without it
// is not a card's state. The card's clock at saving is kept, so the time
// between two runs can be told.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "link/Clock.h"
#include "sim/SimulatedCard.h"

namespace kovex {

inline constexpr std::string_view CARD_STATE_FIRST_LINE = "KOVEX simulated card state 1";

// The state of `card` as text, its clock reading `savedAt`.
std::string CardStateText(SimulatedCard& card, Nanos savedAt);

// Whether the text starts as a card's state does.
bool IsCardStateText(std::string_view text);

struct CardStateRead {
    // Why the text cannot be used ("line 7: ..."); empty when it was.
    std::string error;
    // The card's clock when the state was saved.
    std::optional<Nanos> savedAt;
};

// Sets `card` to the state in the text. A text that cannot be used in full
// leaves the card as it was.
CardStateRead ReadCardState(SimulatedCard& card, std::string_view text);

}  // namespace kovex
