// A bitmap's corner is cut out of the file before it is decoded: for every
// depth, header and row order the loader's picture must be, pixel for pixel,
// the corner of Qt's decoding of the whole file, and what is decoded no more
// than the display's 256 x 64.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "display/pictures/BitmapCorner.h"
#include "display/pictures/PictureBytes.h"
#include "pictures/PictureFiles.h"

namespace kovex {
namespace {

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::uint32_t BI_BITFIELDS = 3;

struct BitmapShape {
    std::string name;
    std::int32_t width;
    std::int32_t height;  // negative: rows stored top-down
    std::uint16_t bits;
    std::uint32_t headerSize = 40;
    std::uint32_t compression = BI_RGB;
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
};

Bytes RandomBytes(std::size_t count, std::minstd_rand& random) {
    Bytes bytes(count);
    std::ranges::generate(bytes, [&] { return static_cast<std::uint8_t>(random() >> 8); });
    return bytes;
}

Bytes InformationHeader(const BitmapShape& shape, std::size_t pixelBytes) {
    Bytes header(shape.headerSize);
    PutU32(header, 0, shape.headerSize);
    if (shape.headerSize == 12) {
        PutU16(header, 4, static_cast<std::uint16_t>(shape.width));
        PutU16(header, 6, static_cast<std::uint16_t>(shape.height));
        PutU16(header, 8, 1);
        PutU16(header, 10, shape.bits);
        return header;
    }
    PutU32(header, 4, static_cast<std::uint32_t>(shape.width));
    PutU32(header, 8, static_cast<std::uint32_t>(shape.height));
    PutU16(header, 12, 1);
    PutU16(header, 14, shape.bits);
    PutU32(header, 16, shape.compression);
    PutU32(header, 20, static_cast<std::uint32_t>(pixelBytes));
    for (std::size_t i = 0; shape.headerSize >= 108 && i < shape.masks.size(); ++i)
        PutU32(header, 40 + 4 * i, shape.masks.at(i));
    return header;
}

// Masks after a 40-byte header, then the palette of a paletted picture.
Bytes Tables(const BitmapShape& shape, std::minstd_rand& random) {
    Bytes tables;
    if (shape.compression == BI_BITFIELDS && shape.headerSize == 40) {
        tables.resize(12);
        for (std::size_t i = 0; i < 3; ++i)
            PutU32(tables, 4 * i, shape.masks.at(i));
    }
    if (shape.bits <= 8) {
        const Bytes palette =
            RandomBytes((std::size_t{1} << shape.bits) * (shape.headerSize == 12 ? 3 : 4), random);
        tables.insert(tables.end(), palette.begin(), palette.end());
    }
    return tables;
}

bool IsRunLength(const BitmapShape& shape) {
    return shape.compression == BI_RLE8 || shape.compression == BI_RLE4;
}

// Every row 7 pixels as they are (an odd count, padded), then runs of 255
// pixels and what is left, in random colours.
Bytes RunLengthRows(const BitmapShape& shape, std::minstd_rand& random) {
    constexpr std::uint8_t literal = 7;
    const std::size_t literalBytes = shape.compression == BI_RLE4 ? (literal + 1) / 2 : literal;
    Bytes data;
    for (std::int32_t row = 0; row < shape.height; ++row) {
        data.insert(data.end(), {0, literal});
        const Bytes pixels = RandomBytes(literalBytes + literalBytes % 2, random);
        data.insert(data.end(), pixels.begin(), pixels.end());
        for (std::int32_t left = shape.width - literal; left > 0; left -= 255) {
            data.push_back(static_cast<std::uint8_t>(std::min(left, 255)));
            data.push_back(static_cast<std::uint8_t>(random() >> 8));
        }
        data.insert(data.end(), {0, 0});
    }
    data.insert(data.end(), {0, 1});
    return data;
}

Bytes MakeBitmap(const BitmapShape& shape) {
    std::minstd_rand random(static_cast<std::uint32_t>(shape.width * 31 + shape.bits));
    const auto rows = static_cast<std::size_t>(std::abs(shape.height));
    const Bytes pixels = IsRunLength(shape)
                             ? RunLengthRows(shape, random)
                             : RandomBytes(BitmapRowBytes(shape.width, shape.bits) * rows, random);
    const Bytes tables = Tables(shape, random);
    Bytes file{'B', 'M'};
    file.resize(14);
    const Bytes header = InformationHeader(shape, pixels.size());
    for (const Bytes* part : {&header, &tables, &pixels})
        file.insert(file.end(), part->begin(), part->end());
    PutU32(file, 2, static_cast<std::uint32_t>(file.size()));
    PutU32(file, 10, static_cast<std::uint32_t>(file.size() - pixels.size()));
    return file;
}

TEST(BitmapCorner, IsTheCornerOfTheWholePictureAsQtDecodesIt) {
    const std::vector<BitmapShape> cases{
        {"1-bit", 300, 70, 1},
        {"4-bit", 257, 65, 4},
        {"8-bit", 300, 70, 8},
        {"16-bit 5-5-5", 300, 70, 16},
        {"16-bit 5-6-5 fields", 300, 70, 16, 40, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F, 0}},
        {"24-bit", 300, 70, 24},
        {"32-bit", 1024, 1024, 32},
        {"32-bit fields", 300, 70, 32, 40, BI_BITFIELDS, {0xFF0000, 0xFF00, 0xFF, 0}},
        {"32-bit V5 with alpha",
         300,
         70,
         32,
         124,
         BI_BITFIELDS,
         {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
        {"24-bit core header", 300, 70, 24, 12},
        {"8-bit core header", 300, 70, 8, 12},
        {"24-bit top-down", 300, -70, 24},
        {"1-bit top-down", 1000, -100, 1},
        {"rows cut only", 100, 1000, 8},
        {"columns cut only", 1000, 10, 24},
        {"exactly the corner", 256, 64, 24},
        {"8-bit run-length", 300, 70, 8, 40, BI_RLE8},
        {"4-bit run-length", 301, 65, 4, 40, BI_RLE4},
        {"run-length within the corner", 100, 30, 8, 40, BI_RLE8},
    };
    for (const BitmapShape& shape : cases) {
        const Bytes file = MakeBitmap(shape);
        QImage whole;
        ASSERT_TRUE(whole.loadFromData(file.data(), static_cast<int>(file.size()), "BMP"))
            << shape.name;
        const QImage loaded = LoadPictureBytes(file, PictureKind::Bitmap);
        ASSERT_EQ(loaded.size(),
                  QSize(std::min(shape.width, 256), std::min(std::abs(shape.height), 64)))
            << shape.name;
        int wrong = 0;
        for (int y = 0; y < loaded.height(); ++y) {
            for (int x = 0; x < loaded.width(); ++x) {
                if ((loaded.pixel(x, y) & 0xFFFFFFU) != (whole.pixel(x, y) & 0xFFFFFFU)) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << shape.name;

        const auto layout = CheckBitmapBytes(file);
        ASSERT_TRUE(layout) << shape.name;
        EXPECT_LE(BitmapCornerFile(file, *layout).size(),
                  layout->dataOffset + 64 * BitmapRowBytes(256, shape.bits))
            << shape.name;
    }
}

// Run-length data may leave pixels out: a row ended early, a jump. Those are
// palette index 0, never what the memory held.
TEST(BitmapCorner, PixelsNoRunReachesArePaletteIndexZero) {
    struct Case {
        std::string name;
        Bytes rows;  // run-length data of a 300 x 64 8-bit picture
        int runRow;  // where its one run of 10 pixels of index 5 lands
        int runStart;
    };
    const std::vector<Case> cases{
        {"the picture ended early", {10, 5, 0, 1}, 63, 0},
        {"a row ended early", {10, 5, 0, 0, 0, 0, 0, 1}, 63, 0},
        {"a jump 3 right and 63 up", {0, 2, 3, 63, 10, 5, 0, 1}, 0, 3},
    };
    for (const Case& c : cases) {
        const BitmapShape shape{c.name, 300, 64, 8, 40, BI_RLE8};
        std::minstd_rand random(7);
        const Bytes header = InformationHeader(shape, c.rows.size());
        const Bytes palette = Tables(shape, random);
        Bytes file{'B', 'M'};
        file.resize(14);
        for (const Bytes* part : {&header, &palette, &c.rows})
            file.insert(file.end(), part->begin(), part->end());
        PutU32(file, 2, static_cast<std::uint32_t>(file.size()));
        PutU32(file, 10, static_cast<std::uint32_t>(file.size() - c.rows.size()));
        const auto colour = [&palette](int index) {
            const std::size_t at = 4 * static_cast<std::size_t>(index);
            return qRgb(palette[at + 2], palette[at + 1], palette[at]);
        };

        const QImage loaded = LoadPictureBytes(file, PictureKind::Bitmap);
        ASSERT_EQ(loaded.size(), QSize(256, 64)) << c.name;
        int wrong = 0;
        for (int y = 0; y < loaded.height(); ++y) {
            for (int x = 0; x < loaded.width(); ++x) {
                const bool inRun = y == c.runRow && x >= c.runStart && x < c.runStart + 10;
                if ((loaded.pixel(x, y) | 0xFF000000U) != colour(inRun ? 5 : 0)) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << c.name;
    }
}

}  // namespace
}  // namespace kovex
