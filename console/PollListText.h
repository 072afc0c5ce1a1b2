// The poll list as text: the list a user types for Set Poll List, and the
// lists of numbers that Get Poll List and Set Poll List log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/TextToInt.h"

namespace kovex {

// A typed token that cannot be a poll list entry.
struct PollListTokenProblem {
    std::size_t item = 0;  // its place in the list, from 0
    std::string typed;
    TypedByte::Reading reading = TypedByte::Reading::Fits;
    bool operator==(const PollListTokenProblem&) const = default;
};

struct TypedPollList {
    std::vector<std::uint8_t> entries;  // the last of them 0
    std::optional<PollListTokenProblem> problem;
    bool operator==(const TypedPollList&) const = default;
};

// The entries of a typed list, the last of them 0. A final " 0" is added to
// the text, so every list ends. Repeatedly: blanks (codes 0x00 to 0x20) are
// trimmed from both ends, the token up to the first blank is taken off the
// front, it is read as one byte (ReadTypedByte), and an entry 0 ends the
// list. Any blank separates entries, so a pasted line break splits them as a
// space does. The first token that is not a number from 0 to 254 stops the
// reading and is named in `problem`.
TypedPollList ParsePollList(std::string_view typed);

// Appends one space and the value in decimal: " 10".
void AppendValue(std::string& text, std::uint8_t value);

}  // namespace kovex
