// Numbers as the log shows them in hex: upper-case digits, zero padded.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kovex {

// At least `width` digits: Hex(0x2A, 4) is "002A".
std::string Hex(std::uint32_t value, int width);
// Each byte as a space and two digits: " 00 5A F0".
std::string HexBytes(std::span<const std::uint8_t> bytes);

}  // namespace kovex
