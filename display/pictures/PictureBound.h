// The largest picture the loader decodes, checked against the size each
// file declares before a decoder sees it. The display shows the top-left
// 240 x 64 (256 x 64 packed) of a picture, clipped, never scaled, so a
// larger picture only gives more to throw away. 1024 a side is four times
// the display's width and sixteen times its height: a picture made for the
// display fits with room to spare, and so does a 1024 x 768 screenshot. The
// largest file it admits, a 32-bit bitmap of 4 MiB, and a PNG decoded at
// 3 bytes a pixel (3 MiB) keep the window's whole Upload under 64 MB; at
// 2048 a side the bitmap alone is 16 MiB and the PNG 12 MiB.
#pragma once

#include <cstdint>
#include <string>

#include "display/pictures/PictureBytes.h"

namespace kovex {

inline constexpr std::int64_t MAX_PICTURE_SIDE = 1024;

// Width and height in pixels, as a header declares them.
struct PictureSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

bool WithinPictureBound(const PictureSize& size);

// Throws PictureError with InvalidPictureText(kind) and, after ": ", e.g.
// "it is 5792 x 5792 pixels, more than the 1024 x 1024 a picture for the
// 240 x 64 display can need"; returns within the bound.
void RefuseOverBound(const PictureSize& size, PictureKind kind);

// What the file's header declares before any pixel is decoded: a bitmap's
// information header, a PNG's IHDR, an icon's first image over the bound
// (else its first image); none for a metafile or a header not there.
std::optional<PictureSize> DeclaredSize(PictureBytes bytes, PictureKind kind);

}  // namespace kovex
