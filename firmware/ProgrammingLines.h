// Which lines of an image the programming loop sends: every 16-byte line
// below ImageEnd, except whole 64-byte blocks of 0xFF, which are tested only
// at multiples of 64.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "firmware/HexLoader.h"

namespace kovex {

inline constexpr std::int32_t LINE_BYTES = 16;
inline constexpr std::int32_t BLOCK_BYTES = 64;
// A line record carries its card address in four hex digits.
inline constexpr std::int32_t FIRST_ADDRESS_PAST_RECORD = 0x10000;

// The image indices of the lines the loop sends, in ascending order: made
// once from the image and read by every step that needs them.
using LinePlan = std::vector<std::int32_t>;
LinePlan PlanLines(const HexImage& image);
// The first planned line at a card address a line record cannot carry, as
// that card address.
std::optional<std::int32_t> FirstAddressPastRecord(const LinePlan& plan);

// ":10" AAAA "00" 32 data digits "00": the 43 characters of one line.
std::array<std::uint8_t, 43> LineRecord(const HexImage& image, std::int32_t index);
// "Programming 2000 of 603F"
std::string ProgressText(const HexImage& image, std::int32_t index);

}  // namespace kovex
