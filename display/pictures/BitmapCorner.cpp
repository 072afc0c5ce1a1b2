#include "display/pictures/BitmapCorner.h"

#include <algorithm>
#include <cstdlib>

#include "display/pictures/LittleEndian.h"
#include "display/pictures/PictureDecoders.h"

namespace kovex {
namespace {

constexpr std::uint64_t FILE_SIZE_AT = 2;
constexpr std::uint64_t HEADER_SIZE_AT = 14;
constexpr std::uint64_t WIDTH_AT = 18;
constexpr std::uint32_t CORE_HEADER_SIZE = 12;
constexpr std::uint64_t CORE_HEIGHT_AT = 20;
constexpr std::uint64_t HEIGHT_AT = 22;
constexpr std::uint64_t COMPRESSION_AT = 30;
constexpr std::uint64_t IMAGE_SIZE_AT = 34;
constexpr std::uint32_t BI_RGB = 0;

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

std::uint8_t Nibble(std::uint8_t byte, std::int64_t k) {
    return static_cast<std::uint8_t>(k % 2 == 0 ? byte >> 4 : byte & 0x0F);
}

// The corner's pixels, one stored row after the other, `rowBytes` a row, in
// a depth of 4 or 8 bits; pixels outside the corner are dropped.
class CornerPixels {
public:
    CornerPixels(std::int64_t columns, std::int64_t rows, std::uint16_t bitCount,
                 std::vector<std::uint8_t>& out, std::uint64_t at)
        : columns_(columns),
          rows_(rows),
          bitCount_(bitCount),
          rowBytes_(BitmapRowBytes(columns, bitCount)),
          out_(out),
          at_(at) {}

    bool FourBits() const { return bitCount_ == 4; }

    // `count` pixels of `value` (two alternating pixels a byte at 4 bits)
    // from (x, row) on.
    void PutRun(std::int64_t x, std::int64_t row, std::int64_t count, std::uint8_t value) {
        const bool fourBits = FourBits();
        Put(x, row, count,
            [fourBits, value](std::int64_t k) { return fourBits ? Nibble(value, k) : value; });
    }
    // `count` pixels as `literal` holds them, from (x, row) on.
    void PutLiteral(std::int64_t x, std::int64_t row, std::int64_t count, PictureBytes literal) {
        const bool fourBits = FourBits();
        Put(x, row, count, [fourBits, literal](std::int64_t k) {
            const auto at = static_cast<std::size_t>(fourBits ? k / 2 : k);
            return fourBits ? Nibble(literal[at], k) : literal[at];
        });
    }

private:
    // Sets `count` pixels from (x, row) on, the k-th to index(k).
    template <typename Index>
    void Put(std::int64_t x, std::int64_t row, std::int64_t count, Index index) {
        if (row < 0 || row >= rows_) return;
        const std::int64_t end = std::min(x + count, columns_);
        for (std::int64_t column = std::max<std::int64_t>(x, 0); column < end; ++column)
            Set(column, row, index(column - x));
    }

    void Set(std::int64_t column, std::int64_t row, std::uint8_t index) {
        const std::uint64_t rowAt = at_ + static_cast<std::uint64_t>(row) * rowBytes_;
        if (bitCount_ == 8) {
            out_[rowAt + static_cast<std::uint64_t>(column)] = index;
            return;
        }
        std::uint8_t& pair = out_[rowAt + static_cast<std::uint64_t>(column) / 2];
        pair = column % 2 == 0 ? static_cast<std::uint8_t>((pair & 0x0F) | (index << 4))
                               : static_cast<std::uint8_t>((pair & 0xF0) | (index & 0x0F));
    }

    std::int64_t columns_;
    std::int64_t rows_;
    std::uint16_t bitCount_;
    std::uint64_t rowBytes_;
    std::vector<std::uint8_t>& out_;
    std::uint64_t at_;
};

// Decodes run-length data (bottom-up rows) into the corner: `skipped` stored
// rows lie below it. Pixels no run reaches (a row ended early, a jump) keep
// palette index 0.
void DecodeRunLength(PictureBytes data, std::int64_t skipped, CornerPixels& corner) {
    const bool fourBits = corner.FourBits();
    std::int64_t x = 0;
    std::int64_t row = 0;
    std::size_t at = 0;
    while (at + 1 < data.size()) {
        const std::uint8_t count = data[at];
        const std::uint8_t value = data[at + 1];
        at += 2;
        if (count > 0) {
            corner.PutRun(x, row - skipped, count, value);
            x += count;
        } else if (value == 0) {  // end of the row
            x = 0;
            ++row;
        } else if (value == 1) {  // end of the picture
            return;
        } else if (value == 2) {  // jump right and up
            if (at + 1 >= data.size()) return;
            x += data[at];
            row += data[at + 1];
            at += 2;
        } else {  // `value` pixels as they are, padded to a whole 16-bit word
            const std::size_t bytes = fourBits ? (value + 1u) / 2 : value;
            if (at + bytes > data.size()) return;
            corner.PutLiteral(x, row - skipped, value, data.subspan(at, bytes));
            x += value;
            at += bytes + bytes % 2;
        }
    }
}

}  // namespace

std::vector<std::uint8_t> BitmapCornerFile(PictureBytes bytes, const BitmapLayout& layout) {
    const std::int64_t rows = std::llabs(layout.height);
    const std::int64_t keptColumns = std::min<std::int64_t>(layout.width, DISPLAY_CORNER.width());
    const std::int64_t keptRows = std::min<std::int64_t>(rows, DISPLAY_CORNER.height());
    const std::uint64_t rowBytes = BitmapRowBytes(layout.width, layout.bitCount);
    const std::uint64_t keptRowBytes = BitmapRowBytes(keptColumns, layout.bitCount);
    const std::uint64_t pixelBytes = keptRowBytes * static_cast<std::uint64_t>(keptRows);

    std::vector<std::uint8_t> file(layout.dataOffset + pixelBytes);
    std::copy_n(bytes.begin(), layout.dataOffset, file.begin());
    if (layout.runLength) {
        // Run-length data is always stored bottom-up: the corner is its last rows.
        CornerPixels corner(keptColumns, keptRows, layout.bitCount, file, layout.dataOffset);
        DecodeRunLength(bytes.subspan(layout.dataOffset), rows - keptRows, corner);
        PutU32(file, COMPRESSION_AT, BI_RGB);
        SetCornerSize(file, keptColumns, keptRows, pixelBytes);
        return file;
    }
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
