// A picture as the page packer reads it: plain pixels, no window toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kovex {

struct PixelGrid {
    int width = 0;
    int height = 0;
    // 0xRRGGBB per pixel, row by row from the top-left corner.
    std::vector<std::uint32_t> rgb;

    // Inside the grid: the pixel's colour.
    std::uint32_t At(int x, int y) const {
        return rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)];
    }
};

}  // namespace kovex
