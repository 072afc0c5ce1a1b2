// Header checks for bitmaps, icons and PNGs, done before Qt's readers see the
// bytes. Qt loads a bitmap whose pixel data is cut short, or whose data offset
// lies past the end of the file, without an error; these checks refuse such
// files, and any image larger than the picture bound (PictureBound.h).
#pragma once

#include "display/pictures/LittleEndian.h"
#include "display/pictures/PictureBound.h"

namespace kovex {

// Where the headers and pixels of a checked .bmp file lie.
struct BitmapLayout {
    std::uint64_t dataOffset = 0;  // the pixel data; headers, masks and palette before it
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows stored top-down
    std::uint16_t bitCount = 0;
    bool runLength = false;
};

// A whole .bmp file: file header "BM", a known information header, a data
// offset within the file and every row of pixel data present.
std::optional<BitmapLayout> CheckBitmapBytes(PictureBytes bytes);

// The bytes of one stored row of pixels that are not run-length coded.
std::uint64_t BitmapRowBytes(std::int64_t width, std::uint16_t bitCount);

// A whole .ico file: icon directory, every entry's image inside the file,
// and each image a PNG or a device-independent bitmap with both masks present.
bool CheckIconBytes(PictureBytes bytes);

// A whole .png file: the signature, then an IHDR chunk of a non-empty
// picture within the bound; the rest is the PNG decoder's, which reports
// damage itself.
bool CheckPngBytes(PictureBytes bytes);

// The sizes the headers declare, for the bound (PictureBound.h).
std::optional<PictureSize> DeclaredBitmapSize(PictureBytes bytes);
std::optional<PictureSize> DeclaredIconSize(PictureBytes bytes);
std::optional<PictureSize> DeclaredPngSize(PictureBytes bytes);

}  // namespace kovex
