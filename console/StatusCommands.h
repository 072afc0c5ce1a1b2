// The short card exchanges of the main window: Version, Poll Speed, Run Mode,
// Boot Mode, Clear Buff, Get Msg and Loopback. Each drains the mailbox, sends
// one frame, reads its reply and logs one line; each returns how it ended
// and what it read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/CardPort.h"
#include "seam/Outcome.h"
#include "seam/WindowServices.h"

namespace kovex {

inline constexpr std::uint8_t GET_MESSAGE_TICKS = 5;
inline constexpr std::size_t GET_MESSAGE_MOST_BYTES = 255;

// "6 Bytes recieved:  0A 00 07 02 31 32"
std::string ReceivedMessageLine(std::span<const std::uint8_t> bytes);

struct LoopbackCounters {
    std::uint8_t sent = 0;
    std::uint8_t received = 0;
};

// Get Msg's read: the message's bytes, or nothing when none was waiting.
using WaitingMessage = std::optional<std::vector<std::uint8_t>>;

class StatusCommands {
public:
    StatusCommands(CardPort& port, WindowServices& window) : port_(port), window_(window) {}

    Reply<std::string> Button4Click();        // Version: the version text
    Reply<std::uint8_t> Button6Click();       // Poll Speed
    Reply<std::uint8_t> Button7Click();       // Run Mode: the card's answer
    Reply<std::uint8_t> Button8Click();       // Boot Mode: the card's answer
    Reply<WaitingMessage> Button11Click();    // Get Msg
    Reply<std::uint8_t> Button12Click();      // Clear Buff: the card's answer
    Reply<LoopbackCounters> Button15Click();  // Loopback
    // Reads the card's mode: "KOVEX Run Mode = " and two hex digits.
    Reply<std::uint8_t> GetMode();
    // Get Msg as one exchange, again while the card shows a message waiting,
    // at most `most` times (a status stuck showing one must not keep it
    // going); "No messages available" only when none was.
    Reply<std::vector<std::vector<std::uint8_t>>> GetMessages(std::size_t most);

private:
    // Drain, send a frame without payload, read the one reply byte.
    std::uint8_t AskOneByte(std::span<const std::uint8_t> frame);
    // "No messages available" is logged when none waits and sayNone.
    Outcome GetMessage(WaitingMessage& message, bool sayNone);
    std::vector<std::uint8_t> CollectMessage();

    CardPort& port_;
    WindowServices& window_;
};

}  // namespace kovex
