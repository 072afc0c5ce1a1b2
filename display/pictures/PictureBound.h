// The largest picture the loader decodes, checked against the size each
// file declares before a decoder sees it. The display shows the top-left
// 240 x 64 (256 x 64 packed) of a picture, clipped, never scaled, so a
// larger picture only gives more to throw away. 2048 a side still takes a
// full-HD screenshot or a drawing made on a larger canvas, and decodes into
// 16 MB at 4 bytes a pixel (32 MB for a 16-bit PNG), which keeps an upload
// under 64 MB; 4096 a side alone would decode into 64 MB.
#pragma once

#include <cstdint>
#include <string>

#include "display/pictures/PictureBytes.h"

namespace kovex {

inline constexpr std::int64_t MAX_PICTURE_SIDE = 2048;

// Width and height in pixels, as a header declares them.
struct PictureSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

bool WithinPictureBound(const PictureSize& size);

// Throws PictureError with InvalidPictureText(kind) and, after ": ", e.g.
// "it is 5792 x 5792 pixels, more than the 2048 x 2048 a picture for the
// 240 x 64 display can need"; returns within the bound.
void RefuseOverBound(const PictureSize& size, PictureKind kind);

// What the file's header declares before any pixel is decoded: a bitmap's
// information header, a PNG's IHDR, an icon's first image over the bound
// (else its first image); none for a metafile or a header not there.
std::optional<PictureSize> DeclaredSize(PictureBytes bytes, PictureKind kind);

}  // namespace kovex
