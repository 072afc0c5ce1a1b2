#include "display/core/PagePacking.h"

#include <cstddef>

#include "link/DisplayNode.h"

namespace kovex {

namespace {

constexpr std::uint32_t BLACK = 0x000000;

bool IsBlack(const PixelGrid& picture, int x, int y) {
    if (x >= picture.width || y >= picture.height) return false;
    return (picture.At(x, y) & 0xFFFFFF) == BLACK;
}

std::uint8_t ColumnByte(const PixelGrid& picture, int page, int x) {
    unsigned byte = 0;
    for (int k = 0; k < PAGE_ROWS; ++k) {
        if (IsBlack(picture, x, page * PAGE_ROWS + k)) byte |= 1U << k;
    }
    return static_cast<std::uint8_t>(byte);
}

bool NeedsEscape(std::uint8_t value) {
    return value == 2 || value == 3 || value == 4 || value == 255;
}

void AppendValue(std::string& text, std::uint8_t value) {
    if (NeedsEscape(value)) {
        text += std::to_string(ESCAPE_PREFIX) + " ";
        value ^= ESCAPE_FLIP;
    }
    text += std::to_string(value) + " ";
}

}  // namespace

void PackPicture(const PixelGrid& picture, PageBuffer& pages) {
    for (int page = 0; page < PAGE_COUNT; ++page) {
        auto& bytes = pages[static_cast<std::size_t>(page)];
        for (int x = 0; x < PACKED_COLUMNS; ++x)
            bytes[static_cast<std::size_t>(x)] = ColumnByte(picture, page, x);
    }
}

std::string WriteColumnsText(std::int32_t node, std::int32_t device, const PageBuffer& pages,
                             int page, int quarter) {
    const int offset = quarter * QUARTER_COLUMNS;
    std::string text = std::to_string(node) + " " + std::to_string(device) + " " +
                       std::to_string(DISPLAY_WRITE_COLUMNS) + " ";
    AppendValue(text, static_cast<std::uint8_t>(offset));
    AppendValue(text, static_cast<std::uint8_t>(page));
    AppendValue(text, static_cast<std::uint8_t>(QUARTER_COLUMNS));
    const auto& bytes = pages[static_cast<std::size_t>(page)];
    for (int c = 0; c < QUARTER_COLUMNS; ++c)
        AppendValue(text, bytes[static_cast<std::size_t>(offset) + static_cast<std::size_t>(c)]);
    return text;
}

}  // namespace kovex
