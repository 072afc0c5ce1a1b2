// The graphic display node's commands, as node messages carry them to it:
// the display code sends them, the simulated display executes them.
#pragma once

#include <cstdint>

namespace kovex {

inline constexpr std::uint8_t DISPLAY_CLEAR = 2;
inline constexpr std::uint8_t DISPLAY_SET_XY = 5;
inline constexpr std::uint8_t DISPLAY_TEXT = 6;
inline constexpr std::uint8_t DISPLAY_SHOW_IMAGE = 12;
inline constexpr std::uint8_t DISPLAY_SAVE_IMAGE = 13;
inline constexpr std::uint8_t DISPLAY_FONT = 15;
inline constexpr std::uint8_t DISPLAY_WRITE_COLUMNS = 16;

// In a column upload, ESCAPE_PREFIX says that the next value, exclusive-or
// ESCAPE_FLIP, is the value meant.
inline constexpr std::uint8_t ESCAPE_PREFIX = 4;
inline constexpr std::uint8_t ESCAPE_FLIP = 0x80;

}  // namespace kovex
