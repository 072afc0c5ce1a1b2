// Where node messages written as text go: the main window's SendString. The
// graphic window and the test sequence send through it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kovex {

// Whether a node message (or an exchange of them) went out and, if not, why:
// the line that was logged for it (empty for a text too short to send).
struct SendOutcome {
    bool sent = false;
    std::string why;
    explicit operator bool() const { return sent; }
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Sends one line of numbers (node device command parameters...) as one
    // node message. A refusal (no card, busy port, a line that cannot travel,
    // a card that stopped taking bytes) is logged.
    virtual SendOutcome SendString(std::string_view text) = 0;
    // Runs `messages` as one exchange: every SendString inside it goes out
    // with no other command cutting in between. Not sent, running nothing,
    // when no card is open or another exchange holds the port.
    virtual SendOutcome SendAsOneExchange(const std::function<void()>& messages) = 0;
    // Runs a click of the sending window that needs the card: at once, or,
    // while the poll list refresh holds the card, as soon as it gave way.
    virtual void ServeClick(const std::function<void()>& click) { click(); }
};

}  // namespace kovex
