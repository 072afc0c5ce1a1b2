// Which lines of an image the programming loop sends: every 16-byte line
// below ImageEnd, except whole 64-byte blocks of 0xFF, which are tested only
// at multiples of 64.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "firmware/HexLoader.h"

namespace kovex {

inline constexpr std::int32_t LINE_BYTES = 16;
inline constexpr std::int32_t BLOCK_BYTES = 64;
// A line record carries its card address in four hex digits.
inline constexpr std::int32_t FIRST_ADDRESS_PAST_RECORD = 0x10000;

bool BlankBlock(const HexImage& image, std::int32_t index);
// From index on, the first line the loop sends: index itself unless it starts
// a blank block; ImageEnd or more when none is left.
std::int32_t NextLineToSend(const HexImage& image, std::int32_t index);
// The first line the loop would send at a card address a line record cannot
// carry, as that card address.
std::optional<std::int32_t> FirstAddressPastRecord(const HexImage& image);
bool HasLineToSend(const HexImage& image);
// How many lines the loop sends.
std::size_t LinesToSend(const HexImage& image);

// ":10" AAAA "00" 32 data digits "00": the 43 characters of one line.
std::array<std::uint8_t, 43> LineRecord(const HexImage& image, std::int32_t index);
// "Programming 2000 of 603F"
std::string ProgressText(const HexImage& image, std::int32_t index);

}  // namespace kovex
