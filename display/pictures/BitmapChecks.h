// Header checks for bitmaps and icons, done before Qt's readers see the bytes.
// Qt loads a bitmap whose pixel data is cut short, or whose data offset lies
// past the end of the file, without an error; these checks refuse such files.
#pragma once

#include "display/pictures/LittleEndian.h"

namespace kovex {

// A picture larger than this many pixels is refused: the display shows 256 x
// 64, and a few header bytes must not make a decoder allocate gigabytes.
inline constexpr std::uint64_t MAX_PICTURE_PIXELS = std::uint64_t{1} << 25;

// A whole .bmp file: file header "BM", a known information header, a data
// offset within the file and every row of pixel data present.
bool CheckBitmapBytes(PictureBytes bytes);

// A whole .ico file: icon directory, every entry's image inside the file,
// and each image a PNG or a device-independent bitmap with both masks present.
bool CheckIconBytes(PictureBytes bytes);

}  // namespace kovex
