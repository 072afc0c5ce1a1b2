#include "firmware/ProgrammingLines.h"

#include <algorithm>
#include <stdexcept>

#include "seam/HexText.h"

namespace kovex {

namespace {

bool BlankBlock(const HexImage& image, std::int32_t index) {
    const auto begin = image.FirmwareImage.begin() + index;
    return std::all_of(begin, begin + BLOCK_BYTES, [](std::uint8_t b) { return b == BLANK_BYTE; });
}

}  // namespace

LinePlan PlanLines(const HexImage& image) {
    LinePlan plan;
    for (std::int32_t index = 0; index < image.ImageEnd;) {
        // Once a block holds data, all four of its lines go, blank ones too.
        const bool blank = index % BLOCK_BYTES == 0 && BlankBlock(image, index);
        if (!blank) plan.push_back(index);
        index += blank ? BLOCK_BYTES : LINE_BYTES;
    }
    return plan;
}

std::optional<std::int32_t> FirstAddressPastRecord(const LinePlan& plan) {
    const auto past = std::ranges::lower_bound(plan, FIRST_ADDRESS_PAST_RECORD - IMAGE_BASE);
    if (past == plan.end()) return std::nullopt;
    return IMAGE_BASE + *past;
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
