#include "display/pictures/BitmapCorner.h"

#include <algorithm>
#include <cstdlib>

#include "display/pictures/PictureDecoders.h"

namespace kovex {
namespace {

constexpr std::uint64_t FILE_SIZE_AT = 2;
constexpr std::uint64_t HEADER_SIZE_AT = 14;
constexpr std::uint64_t WIDTH_AT = 18;
constexpr std::uint32_t CORE_HEADER_SIZE = 12;
constexpr std::uint64_t CORE_HEIGHT_AT = 20;
constexpr std::uint64_t HEIGHT_AT = 22;
constexpr std::uint64_t IMAGE_SIZE_AT = 34;

void PutU16(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint32_t value) {
    PutU16(bytes, at, static_cast<std::uint16_t>(value));
    PutU16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

// The information header's size fields made those of a picture of
// width x height (height negative: top-down), `pixelBytes` of data.
void SetCornerSize(std::vector<std::uint8_t>& file, std::int64_t width, std::int64_t height,
                   std::uint64_t pixelBytes) {
    PutU32(file, FILE_SIZE_AT, static_cast<std::uint32_t>(file.size()));
    if (*U32At(file, HEADER_SIZE_AT) == CORE_HEADER_SIZE) {
        PutU16(file, WIDTH_AT, static_cast<std::uint16_t>(width));
        PutU16(file, CORE_HEIGHT_AT, static_cast<std::uint16_t>(height));
        return;
    }
    PutU32(file, WIDTH_AT, static_cast<std::uint32_t>(width));
    PutU32(file, HEIGHT_AT, static_cast<std::uint32_t>(static_cast<std::int32_t>(height)));
    PutU32(file, IMAGE_SIZE_AT, static_cast<std::uint32_t>(pixelBytes));
}

}  // namespace

std::optional<std::vector<std::uint8_t>> BitmapCornerFile(PictureBytes bytes,
                                                          const BitmapLayout& layout) {
    if (layout.runLength) return std::nullopt;
    const std::int64_t rows = std::llabs(layout.height);
    const std::int64_t keptColumns = std::min<std::int64_t>(layout.width, DISPLAY_CORNER.width());
    const std::int64_t keptRows = std::min<std::int64_t>(rows, DISPLAY_CORNER.height());
    const std::uint64_t rowBytes = BitmapRowBytes(layout.width, layout.bitCount);
    const std::uint64_t keptRowBytes = BitmapRowBytes(keptColumns, layout.bitCount);
    const std::uint64_t pixelBytes = keptRowBytes * static_cast<std::uint64_t>(keptRows);

    std::vector<std::uint8_t> file(layout.dataOffset + pixelBytes);
    std::copy_n(bytes.begin(), layout.dataOffset, file.begin());
    // The picture's top rows: stored first when top-down, last when bottom-up.
    const bool topDown = layout.height < 0;
    const auto firstRow = static_cast<std::uint64_t>(topDown ? 0 : rows - keptRows);
    auto out = file.begin() + static_cast<std::ptrdiff_t>(layout.dataOffset);
    for (std::int64_t row = 0; row < keptRows; ++row) {
        const std::uint64_t at =
            layout.dataOffset + (firstRow + static_cast<std::uint64_t>(row)) * rowBytes;
        out = std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), keptRowBytes, out);
    }
    SetCornerSize(file, keptColumns, topDown ? -keptRows : keptRows, pixelBytes);
    return file;
}

}  // namespace kovex
