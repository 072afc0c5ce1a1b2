// Where node messages written as text go: the main window's SendString. The
// graphic window and the test sequence send through it.
#pragma once

#include <functional>
#include <string_view>

namespace kovex {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Sends one line of numbers (node device command parameters...) as one
    // node message. Returns true when the frame went out; a refusal (no card,
    // busy port, a line that cannot travel) is logged and returns false.
    virtual bool SendString(std::string_view text) = 0;
    // Runs `messages` as one exchange: every SendString inside it goes out
    // with no other command cutting in between. Returns false, running
    // nothing, when no card is open or another exchange holds the port.
    virtual bool SendAsOneExchange(const std::function<void()>& messages) = 0;
};

}  // namespace kovex
