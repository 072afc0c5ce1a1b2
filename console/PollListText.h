// The poll list as text: the list a user types for Set Poll List, and the
// lists of numbers that Get Poll List and Set Poll List log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kovex {

// The entries of a typed list, the last of them 0. A final " 0" is added to
// the text, so every list ends. Repeatedly: blanks (codes 0x00 to 0x20) are
// trimmed from both ends, the token up to and including the first blank is
// taken off the front (no blank: the token is empty), its TextToInt value's
// low 8 bits are the next entry, and an entry 0 ends the list. Any blank
// separates entries, so a pasted line break splits them as a space does.
std::vector<std::uint8_t> ParsePollList(std::string_view typed);

// Appends one space and the value in decimal: " 10".
void AppendValue(std::string& text, std::uint8_t value);

}  // namespace kovex
