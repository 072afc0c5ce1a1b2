// Turns a line of numbers (node device command parameters...) into the
// CMD_SEND_MESSAGE frame that carries it, and the log line that shows it.
//
// The line is read token by token: blanks (0x00 to 0x20) are trimmed from
// both ends and the text up to the first blank is one token, read with
// TextToInt as one byte (ReadTypedByte). This repeats while more than one
// character remains. Any blank separates numbers, so a pasted line break
// splits them as a space does.
//
// The frame is FRAME_HEADER, 0x0A, the length n + 2, the flag (1; 0 for node
// 0), node, device, command, the count n - 3, the parameters and FRAME_END:
// n + 8 bytes for n numbers.
//
// A line is refused, with a line for the log naming the reason, when it has
// fewer than 3 numbers, more than NODE_MESSAGE_MOST_NUMBERS, a token that is
// not a number from 0 to 254 (a typed 256 must not go out as 0), or a 255
// (it would end the frame early on the wire). A text shorter than 3
// characters is ignored: no frame and no line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "link/CommandFrames.h"

namespace kovex {

// The frame buffer holds 257 bytes: n + 8 of them for n numbers.
inline constexpr std::size_t NODE_MESSAGE_MOST_NUMBERS = 249;
inline constexpr std::size_t NODE_MESSAGE_FEWEST_CHARACTERS = 3;

struct NodeMessage {
    enum class Outcome { Ignored, Built, Refused };
    Outcome outcome = Outcome::Ignored;
    Frame frame;       // Built: the whole frame, its only 0xFF at the end
    std::string line;  // Built: "Sent: " and the bytes; Refused: the reason
};

NodeMessage BuildNodeMessage(std::string_view text);

}  // namespace kovex
