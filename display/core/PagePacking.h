// The display node's column format: 8 pages of 8 rows, one byte per column
// (bit k is the page's row k, a set bit a black pixel), and the text of the
// DISPLAY_WRITE_COLUMNS message that carries a quarter of a page.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "display/core/PixelGrid.h"

namespace kovex {

inline constexpr int PAGE_COUNT = 8;
inline constexpr int PAGE_ROWS = 8;
inline constexpr int PAGE_BYTES = 320;
inline constexpr int PACKED_COLUMNS = 256;  // bytes 256 to 319 stay 0
inline constexpr int QUARTER_COUNT = 4;
inline constexpr int QUARTER_COLUMNS = 64;

using DisplayPage = std::array<std::uint8_t, PAGE_BYTES>;
using PageBuffer = std::array<DisplayPage, PAGE_COUNT>;

// Rewrites bytes 0 to 255 of every page from the picture: a bit is set only
// for an exactly black pixel (0x000000); a pixel outside the picture is not
// black, and nothing right of column 255 or below row 63 is read.
void PackPicture(const PixelGrid& picture, PageBuffer& pages);

// "node device 16 " then offset, page, 64 and the 64 column bytes of the
// quarter, each followed by a space. A value 2, 3, 4 or 255 goes out as
// ESCAPE_PREFIX and the value with its top bit flipped, so no 255 remains.
std::string WriteColumnsText(std::int32_t node, std::int32_t device, const PageBuffer& pages,
                             int page, int quarter);

}  // namespace kovex
