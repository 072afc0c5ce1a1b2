// Where node messages written as text go: the main window's SendString. The
// graphic window and the test sequence send through it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "seam/Outcome.h"

namespace kovex {

// What a run of messages leaves when it ends part way, for the line that
// says so: when ("while the picture was being sent") and what it leaves.
struct PartWay {
    std::string_view when;
    std::string_view left;
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Sends one line of numbers (node device command parameters...) as one
    // node message. A refusal (no card, busy port, a line that cannot travel,
    // a card that stopped taking bytes) is logged, and its line is the
    // outcome's text; a text too short to be a message is refused unlogged,
    // with an empty text.
    virtual Outcome SendString(std::string_view text) = 0;
    // Runs `messages` as one exchange: every SendString inside it goes out
    // with no other command cutting in between. Not Done, running nothing,
    // when no card is open or another exchange holds the port; ended early,
    // it says what `partWay` left.
    virtual Outcome SendAsOneExchange(const std::function<void()>& messages,
                                      const PartWay& partWay) = 0;
    // Runs a click of the sending window that needs the card: at once, or,
    // while the poll list refresh holds the card, as soon as it gave way.
    virtual void ServeClick(const std::function<void()>& click) { click(); }
};

}  // namespace kovex
