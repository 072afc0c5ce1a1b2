// The corner of a bitmap the display shows, cut out before decoding: Qt's
// reader allocates the whole picture at 4 bytes a pixel for 16, 24 and 32
// bits (a byte a pixel for run-length data, where it also leaves pixels no
// run reaches as the memory held), so it is given a bitmap of the corner
// instead, and decodes at most 256 x 64 pixels whatever the picture's size.
#pragma once

#include <cstdint>
#include <vector>

#include "display/pictures/BitmapChecks.h"

namespace kovex {

// A .bmp file of the top-left corner of `bytes` (checked, as `layout` says):
// the bytes before the pixel data as they are, with width, height, image
// size and file size made the corner's, then of the rows the display shows
// only the bytes of its columns, in the picture's own depth and row order.
// Run-length data is decoded into an uncompressed corner of the same depth;
// pixels no run reaches are palette index 0.
std::vector<std::uint8_t> BitmapCornerFile(PictureBytes bytes, const BitmapLayout& layout);

}  // namespace kovex
