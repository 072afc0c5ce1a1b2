#include "console/NodeMessage.h"

#include <array>
#include <cstdint>
#include <vector>

#include "console/TextToInt.h"
#include "seam/HexText.h"

namespace kovex {

namespace {

constexpr std::size_t HEADER_NUMBERS = 3;  // node, device, command
constexpr std::uint8_t FLAG_TO_NODE = 1;
constexpr std::uint8_t FLAG_NODE_ZERO = 0;

struct Token {
    std::string_view typed;
    TypedByte byte;
};

// Reads the tokens of the line, keeping at most `most` of them; `count`
// gets how many there were in all. Each pass trims the rest of the line, so
// a token runs to the first blank inside the trimmed rest, or to its end. A
// trimmed rest ends in a non-blank, so the pass that finds no blank inside
// it is the last.
std::vector<Token> ReadTokens(std::string_view text, std::size_t most, std::size_t& count) {
    std::vector<Token> tokens;
    count = 0;
    while (true) {
        text = TrimBlanks(text);
        const std::size_t blank = FindBlank(text);
        const std::string_view typed = text.substr(0, blank);
        if (tokens.size() < most) tokens.push_back({typed, ReadTypedByte(typed)});
        ++count;
        if (blank == std::string_view::npos) break;
        text.remove_prefix(blank + 1);
    }
    return tokens;
}

std::string PositionName(std::size_t index) {
    static constexpr std::array<const char*, HEADER_NUMBERS> names{"node", "device", "command"};
    if (index < HEADER_NUMBERS) return names[index];
    return "parameter " + std::to_string(index - HEADER_NUMBERS + 1);
}

NodeMessage Refused(std::string reason) {
    return {NodeMessage::Outcome::Refused, {}, "Message not sent: " + std::move(reason)};
}

std::string SentLine(const Frame& frame) {
    return "Sent: " + HexBytes(frame);
}

Frame MessageFrame(const std::vector<Token>& tokens) {
    const std::size_t n = tokens.size();
    Frame frame(FRAME_HEADER.begin(), FRAME_HEADER.end());
    frame.push_back(CMD_SEND_MESSAGE);
    frame.push_back(static_cast<std::uint8_t>(n + 2));
    frame.push_back(tokens[0].byte.value == 0 ? FLAG_NODE_ZERO : FLAG_TO_NODE);
    for (std::size_t i = 0; i < HEADER_NUMBERS; ++i)
        frame.push_back(tokens[i].byte.value);
    frame.push_back(static_cast<std::uint8_t>(n - HEADER_NUMBERS));
    for (std::size_t i = HEADER_NUMBERS; i < n; ++i)
        frame.push_back(tokens[i].byte.value);
    frame.push_back(FRAME_END);
    return frame;
}

}  // namespace

NodeMessage BuildNodeMessage(std::string_view text) {
    if (text.size() < NODE_MESSAGE_FEWEST_CHARACTERS) return {};
    std::size_t count = 0;
    const std::vector<Token> tokens = ReadTokens(text, NODE_MESSAGE_MOST_NUMBERS + 1, count);
    if (count < HEADER_NUMBERS) {
        return Refused("a node message needs node, device and command; this line has " +
                       std::to_string(count) + (count == 1 ? " number" : " numbers"));
    }
    if (count > NODE_MESSAGE_MOST_NUMBERS) {
        return Refused("this line has " + std::to_string(count) + " numbers; at most " +
                       std::to_string(NODE_MESSAGE_MOST_NUMBERS) + " fit one message");
    }
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const TypedByte::Reading reading = tokens[i].byte.reading;
        if (reading == TypedByte::Reading::Fits) continue;
        const std::string which = "number " + std::to_string(i + 1) + " (" + PositionName(i) +
                                  "), " + std::string(tokens[i].typed) + ", ";
        if (reading == TypedByte::Reading::FrameEnd) {
            return Refused(which + "is 255 as a byte and would end the frame early");
        }
        return Refused(which + std::string(TypedByteProblem(reading)));
    }
    NodeMessage message{NodeMessage::Outcome::Built, MessageFrame(tokens), {}};
    message.line = SentLine(message.frame);
    return message;
}

}  // namespace kovex
