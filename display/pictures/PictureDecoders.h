// The decoders behind LoadPictureBytes. Each one checks the bytes first and
// returns a null image when the check or the decoder fails; a metafile that
// draws more than its bounds allow (MetafileLimits.h) or whose canvas is over
// the picture bound throws PictureError with the reason. Each returns only
// the corner of the picture the display shows.
#pragma once

#include <QImage>

#include "display/core/PagePacking.h"
#include "display/pictures/LittleEndian.h"

namespace kovex {

QImage DecodeBitmap(PictureBytes bytes);
QImage DecodeIcon(PictureBytes bytes);
QImage DecodePng(PictureBytes bytes);
QImage DrawEnhancedMetafile(PictureBytes bytes);
QImage DrawWindowsMetafile(PictureBytes bytes);

// A white canvas of the picture's natural size, clipped to the corner the
// display shows (DISPLAY_CORNER): a larger picture is clipped, not scaled.
QImage WhiteCanvas(int width, int height);

// The top-left 256 x 64 pixels: what the display can show of a picture.
inline constexpr QSize DISPLAY_CORNER{PACKED_COLUMNS, PAGE_COUNT* PAGE_ROWS};

}  // namespace kovex
