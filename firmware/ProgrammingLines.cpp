#include "firmware/ProgrammingLines.h"

#include <algorithm>
#include <stdexcept>

#include "seam/HexText.h"

namespace kovex {

bool BlankBlock(const HexImage& image, std::int32_t index) {
    const auto begin = image.FirmwareImage.begin() + index;
    return std::all_of(begin, begin + BLOCK_BYTES, [](std::uint8_t b) { return b == BLANK_BYTE; });
}

std::int32_t NextLineToSend(const HexImage& image, std::int32_t index) {
    while (index < image.ImageEnd && index % BLOCK_BYTES == 0 && BlankBlock(image, index))
        index += BLOCK_BYTES;
    return index;
}

std::optional<std::int32_t> FirstAddressPastRecord(const HexImage& image) {
    const std::int32_t firstIndex = FIRST_ADDRESS_PAST_RECORD - IMAGE_BASE;
    // The block test is made at multiples of 64 only, so the loop reaches
    // firstIndex (itself a multiple of 64) the same way from any earlier line.
    const std::int32_t line = NextLineToSend(image, firstIndex);
    if (line >= image.ImageEnd) return std::nullopt;
    return IMAGE_BASE + line;
}

bool HasLineToSend(const HexImage& image) {
    return NextLineToSend(image, 0) < image.ImageEnd;
}

std::size_t LinesToSend(const HexImage& image) {
    std::size_t lines = 0;
    for (std::int32_t index = NextLineToSend(image, 0); index < image.ImageEnd;
         index = NextLineToSend(image, index + LINE_BYTES)) {
        ++lines;
    }
    return lines;
}

std::array<std::uint8_t, 43> LineRecord(const HexImage& image, std::int32_t index) {
    if (IMAGE_BASE + index >= FIRST_ADDRESS_PAST_RECORD) {
        throw std::logic_error("A line record carries card addresses up to FFFF only");
    }
    std::array<std::uint8_t, 43> record{};
    const std::string address = Hex(static_cast<std::uint32_t>(IMAGE_BASE + index), 4);
    auto* out = std::copy_n(":10", 3, record.begin());
    out = std::copy_n(address.begin(), 4, out);
    out = std::copy_n("00", 2, out);
    for (std::int32_t k = 0; k < LINE_BYTES; ++k) {
        const std::uint8_t byte =
            image.FirmwareImage[static_cast<std::size_t>(index) + static_cast<std::size_t>(k)];
        out = std::copy_n(Hex(byte, 2).begin(), 2, out);
    }
    std::copy_n("00", 2, out);
    return record;
}

std::string ProgressText(const HexImage& image, std::int32_t index) {
    return "Programming " + Hex(static_cast<std::uint32_t>(IMAGE_BASE + index), 4) + " of " +
           Hex(static_cast<std::uint32_t>(IMAGE_BASE + image.ImageEnd), 4);
}

}  // namespace kovex
