// Any text as a node message line. Whatever the text, the builder must not
// crash, must ignore exactly the texts shorter than three characters, and
// must either refuse the line or build a frame that fits the 257-byte buffer
// and holds 0xFF only as its end byte. A line is built exactly when a plain
// re-reading of it (trim, take the token up to its first blank, repeat)
// finds 3 to 249 tokens that each have a digit where their number begins and
// a value from 0 to 254; the frame's numbers are those values, and the
// simulated card must decode the frame into them without counting it
// malformed. Every blank
// (0x00 to 0x20) separates numbers alike: turning each into another blank
// changes nothing, and the line single spaced reads as the same numbers.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/NodeMessage.h"
#include "console/TextToInt.h"
#include "link/BridgeApi.h"
#include "link/CardRegisters.h"
#include "link/Clock.h"
#include "sim/SimulatedCard.h"

namespace kovex {
namespace {

constexpr std::size_t FRAME_BUFFER = 257;
constexpr std::size_t MESSAGE_AT = 5;  // flag, node, device, command, count, parameters

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "Node message property broken: %s\n", what);
    std::abort();
}

void Check(bool holds, const char* what) {
    if (!holds) Fail(what);
}

bool Blank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

bool Decimal(char c) {
    return c >= '0' && c <= '9';
}

bool Hexadecimal(char c) {
    return Decimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A digit stands where the token's number begins: after a sign a decimal
// one, after "$", "x", "X", "0x" or "0X" a hexadecimal one, else a decimal one.
bool DigitWhereTheNumberBegins(std::string_view token) {
    const auto at = [&token](std::size_t i) { return i < token.size() ? token[i] : ' '; };
    if (at(0) == '+' || at(0) == '-') return Decimal(at(1));
    if (at(0) == '$' || at(0) == 'x' || at(0) == 'X') return Hexadecimal(at(1));
    if (at(0) == '0' && (at(1) == 'x' || at(1) == 'X')) return Hexadecimal(at(2));
    return Decimal(at(0));
}

struct Literal {
    bool fits = false;  // a number from 0 to 254
    std::uint8_t value = 0;
    bool operator==(const Literal&) const = default;
};

// The line read literally: blanks trimmed from both ends, the token up to
// the first blank, while more than one character remains.
std::vector<Literal> ReadLiterally(std::string text) {
    std::vector<Literal> numbers;
    do {
        while (!text.empty() && Blank(text.back()))
            text.pop_back();
        const auto first = std::find_if_not(text.begin(), text.end(), Blank);
        text.erase(text.begin(), first);
        text.push_back(' ');
        const auto end = std::find_if(text.begin(), text.end(), Blank) - text.begin();
        const std::string token = text.substr(0, static_cast<std::size_t>(end));
        text.erase(0, static_cast<std::size_t>(end) + 1);
        // A number beyond 32 bits is out of range, not its low bits.
        const std::optional<std::int32_t> value = TextToIntWithin32Bits(token);
        const bool fits = DigitWhereTheNumberBegins(token) && value && *value >= 0 && *value <= 254;
        numbers.push_back({fits, fits ? static_cast<std::uint8_t>(*value) : std::uint8_t{0}});
    } while (text.size() > 1);
    return numbers;
}

// Each blank turned into the next one (a space into NUL, NUL into 0x01, ...).
std::string OtherBlanks(std::string text) {
    for (char& c : text) {
        if (Blank(c)) c = static_cast<char>((static_cast<unsigned char>(c) + 1) % 0x21);
    }
    return text;
}

void CheckSeparators(const std::string& text, const NodeMessage& message,
                     const std::vector<Literal>& numbers) {
    const NodeMessage other = BuildNodeMessage(OtherBlanks(text));
    Check(other.outcome == message.outcome && other.frame == message.frame &&
              other.line == message.line,
          "one blank read unlike another");
    const std::string spaced = SingleSpaced(text);
    Check(ReadLiterally(spaced) == numbers, "the single spaced line reads other numbers");
    Check(spaced.find("  ") == std::string::npos &&
              std::count_if(spaced.begin(), spaced.end(), Blank) ==
                  std::count(spaced.begin(), spaced.end(), ' ') &&
              TrimBlanks(spaced) == spaced,
          "the single spaced line has other blanks");
}

void CheckFrameShape(const Frame& frame) {
    Check(frame.size() >= 11 && frame.size() <= FRAME_BUFFER, "frame size out of bounds");
    Check(frame[0] == 0x00 && frame[1] == 0x5A && frame[2] == 0xF0 && frame[3] == 0x0A,
          "header or command code");
    Check(std::size_t{frame[4]} + 6 == frame.size(), "length byte");
    Check(frame[MESSAGE_AT] == (frame[MESSAGE_AT + 1] == 0 ? 0 : 1), "flag");
    Check(std::size_t{frame[9]} + 11 == frame.size(), "count byte");
    Check(frame.back() == FRAME_END, "end byte");
    Check(std::find(frame.begin(), frame.end() - 1, FRAME_END) == frame.end() - 1,
          "0xFF before the end byte");
}

void CheckCardDecodes(const Frame& frame, const std::vector<Literal>& literals) {
    std::vector<std::uint8_t> numbers;
    for (const Literal& literal : literals)
        numbers.push_back(literal.value);
    VirtualClock clock;
    SimulatedCard card(clock);
    DeviceKey key{};
    DeviceObject device;
    MappedAddress mailbox = nullptr;
    if (card.PlxPci_DeviceFind(key, 2) != STATUS_SUCCESS ||
        card.PlxPci_DeviceOpen(key, device) != STATUS_SUCCESS ||
        card.PlxPci_PciBarMap(device, 2, mailbox) != STATUS_SUCCESS || mailbox == nullptr) {
        Fail("the simulated card did not open");
    }
    for (const std::uint8_t byte : frame)
        mailbox->Write8(DATA_REGISTER_OFFSET, byte);
    Check(card.Mailbox().MalformedFrames() == 0, "the card found the frame malformed");
    Check(card.Network().Received().size() == 1, "the card decoded no message");
    const ReceivedNodeMessage& got = card.Network().Received().front();
    Check(got.node == numbers[0] && got.device == numbers[1] && got.command == numbers[2],
          "node, device or command");
    Check(std::equal(got.parameters.begin(), got.parameters.end(), numbers.begin() + 3,
                     numbers.end()) &&
              got.parameters.size() == numbers.size() - 3,
          "parameters");
}

}  // namespace
}  // namespace kovex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kovex;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const NodeMessage message = BuildNodeMessage(text);
    if (text.size() < NODE_MESSAGE_FEWEST_CHARACTERS) {
        Check(message.outcome == NodeMessage::Outcome::Ignored && message.line.empty() &&
                  message.frame.empty(),
              "a short text was not ignored");
        return 0;
    }
    Check(message.outcome != NodeMessage::Outcome::Ignored, "a long text was ignored");
    const std::vector<Literal> numbers = ReadLiterally(text);
    CheckSeparators(text, message, numbers);
    const bool canTravel =
        numbers.size() >= 3 && numbers.size() <= NODE_MESSAGE_MOST_NUMBERS &&
        std::all_of(numbers.begin(), numbers.end(), [](const Literal& n) { return n.fits; });
    if (!canTravel) {
        Check(message.outcome == NodeMessage::Outcome::Refused,
              "a line that cannot travel was built");
        Check(message.frame.empty() && message.line.starts_with("Message not sent: "),
              "refusal shape");
        return 0;
    }
    Check(message.outcome == NodeMessage::Outcome::Built, "a line that can travel was refused");
    CheckFrameShape(message.frame);
    Check(message.frame.size() == numbers.size() + 8, "frame holds n + 8 bytes");
    Check(message.line.size() == 6 + 3 * message.frame.size(), "log line length");
    CheckCardDecodes(message.frame, numbers);
    return 0;
}
