// Every format's declared size against the picture bound, 1024 x 1024: a
// file of a few header bytes that declares more is refused with the size it
// declares before anything is decoded; one at the bound loads, keeping the
// corner the display shows.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "pictures/PictureFiles.h"

namespace kovex {
namespace {

void PutBigU32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes.at(at + i) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// BITMAPINFOHEADER of a picture of `bits` a pixel, one palette colour.
Bytes InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bits,
                 std::uint32_t compression = 0) {
    Bytes header(40);
    PutU32(header, 0, 40);
    PutU32(header, 4, static_cast<std::uint32_t>(width));
    PutU32(header, 8, static_cast<std::uint32_t>(height));
    PutU16(header, 12, 1);
    PutU16(header, 14, bits);
    PutU32(header, 16, compression);
    PutU32(header, 32, 1);
    return header;
}

// "BM", the information header, one palette colour, then `data`. (Sized at
// once and copied into: GCC 12 at -O3 misreads a vector's insert.)
Bytes Bitmap(const Bytes& header, const Bytes& data = {}) {
    const std::size_t offset = 14 + header.size() + 4;
    Bytes file(offset + data.size());
    file.at(0) = 'B';
    file.at(1) = 'M';
    PutU32(file, 2, static_cast<std::uint32_t>(file.size()));
    PutU32(file, 10, static_cast<std::uint32_t>(offset));
    std::ranges::copy(header, file.begin() + 14);
    PutU32(file, offset - 4, 0x00FFFFFF);
    std::ranges::copy(data, file.begin() + static_cast<std::ptrdiff_t>(offset));
    return file;
}

// An 8-bit run-length bitmap whose data is one end-of-bitmap code: 64 bytes.
Bytes RunLength(std::int32_t width, std::int32_t height) {
    Bytes header = InfoHeader(width, height, 8, 1);
    PutU32(header, 20, 2);
    return Bitmap(header, {0, 1});
}

Bytes CoreHeaderBitmap(std::uint16_t width, std::uint16_t height) {
    Bytes header(12);
    PutU32(header, 0, 12);
    PutU16(header, 4, width);
    PutU16(header, 6, height);
    PutU16(header, 8, 1);
    PutU16(header, 10, 24);
    return Bitmap(header);
}

// The signature and an IHDR chunk: 8-bit RGBA.
Bytes PngHeader(std::uint32_t width, std::uint32_t height) {
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    png.resize(8 + 8 + 13 + 4);
    PutBigU32(png, 16, width);
    PutBigU32(png, 20, height);
    png.at(24) = 8;
    png.at(25) = 6;
    return png;
}

// A whole PNG of one white picture, written by Qt.
Bytes WholePng(int width, int height) {
    QImage image(width, height, QImage::Format_Mono);
    image.fill(1);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const QByteArray& data = buffer.data();
    return {data.begin(), data.end()};
}

// An icon of one image, the image's bytes given.
Bytes Icon(const Bytes& image) {
    constexpr std::size_t imageAt = 6 + 16;
    Bytes icon(imageAt + image.size());
    PutU16(icon, 2, 1);
    PutU16(icon, 4, 1);
    PutU32(icon, 6 + 8, static_cast<std::uint32_t>(image.size()));
    PutU32(icon, 6 + 12, imageAt);
    std::ranges::copy(image, icon.begin() + imageAt);
    return icon;
}

// rect.emf with the frame made `width` pixels wide at 96 pixels an inch.
Bytes WideEnhancedMetafile(std::uint32_t width) {
    Bytes emf = ReadSample("rect.emf");
    PutU32(emf, 32, width * 2540 / 96);
    return emf;
}

// rect.wmf with its placeable box made `width` units of 1/96 inch wide.
Bytes WideWindowsMetafile(std::uint16_t width) {
    Bytes wmf = ReadSample("rect.wmf");
    PutU16(wmf, 10, width);
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < 10; ++i)
        sum ^= static_cast<std::uint16_t>(wmf.at(2 * i) | wmf.at(2 * i + 1) << 8);
    PutU16(wmf, 20, sum);
    return wmf;
}

std::string Over(const std::string& invalid, const std::string& size) {
    return invalid + ": it is " + size +
           " pixels, more than the 1024 x 1024 a picture for the 240 x 64 display can need";
}

TEST(PictureBound, EachFormatsDeclaredSizeIsCheckedBeforeAnythingIsDecoded) {
    const std::string bitmap = "Bitmap image is not valid";
    const std::string icon = "Icon image is not valid";
    const std::string png = "PNG image is not valid";
    const std::string metafile = "Metafile is not valid";
    struct Case {
        std::string name;
        std::function<Bytes()> file;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"rle8-5792.bmp", [] { return RunLength(5792, 5792); }, Over(bitmap, "5792 x 5792")},
        {"rle8-1025-wide.bmp", [] { return RunLength(1025, 1); }, Over(bitmap, "1025 x 1")},
        {"rle8-at-bound.bmp", [] { return RunLength(1024, 1024); }, "loaded 256x64"},
        {"bits1-8192x4096.bmp", [] { return Bitmap(InfoHeader(8192, 4096, 1)); },
         Over(bitmap, "8192 x 4096")},
        {"top-down-1025.bmp", [] { return Bitmap(InfoHeader(8, -1025, 24)); },
         Over(bitmap, "8 x 1025")},
        // Within the bound, the same few bytes are refused for their missing pixels.
        {"bits1-at-bound-no-pixels.bmp", [] { return Bitmap(InfoHeader(1024, 1024, 1)); }, bitmap},
        {"core-header-4096.bmp", [] { return CoreHeaderBitmap(4096, 16); },
         Over(bitmap, "4096 x 16")},
        {"png-5792.png", [] { return PngHeader(5792, 5792); }, Over(png, "5792 x 5792")},
        {"png-1025-high.png", [] { return PngHeader(1, 1025); }, Over(png, "1 x 1025")},
        {"png-at-bound.png", [] { return WholePng(1024, 1024); }, "loaded 256x64"},
        {"bitmap-4096.ico", [] { return Icon(InfoHeader(4096, 2 * 4096, 32)); },
         Over(icon, "4096 x 4096")},
        {"png-3000.ico", [] { return Icon(PngHeader(3000, 10)); }, Over(icon, "3000 x 10")},
        // An icon directory says at most 256 a side.
        {"bitmap-257.ico", [] { return Icon(InfoHeader(257, 2 * 257, 32)); }, icon},
        {"canvas-5000.emf", [] { return WideEnhancedMetafile(5000); }, Over(metafile, "5000 x 20")},
        {"canvas-1025.emf", [] { return WideEnhancedMetafile(1025); }, Over(metafile, "1025 x 20")},
        {"canvas-1025.wmf", [] { return WideWindowsMetafile(1025); }, Over(metafile, "1025 x 20")},
        {"canvas-at-bound.wmf", [] { return WideWindowsMetafile(1024); }, "loaded 256x20"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorOf(WriteTemp(c.name, c.file())), c.expected) << c.name;
}

}  // namespace
}  // namespace kovex
