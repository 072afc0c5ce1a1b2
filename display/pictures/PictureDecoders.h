// The decoders behind LoadPictureBytes. Each one checks the bytes first and
// returns a null image when the check or the decoder fails; a metafile that
// draws more than its bounds allow (MetafileLimits.h) throws PictureError
// with the reason.
#pragma once

#include <QImage>

#include "display/pictures/LittleEndian.h"

namespace kovex {

// Metafiles and icons are drawn on a canvas of at most this many pixels a
// side (4 MB): the display shows the top-left 256 x 64, and a header must not
// make the loader allocate much. A larger picture is clipped, not scaled.
inline constexpr int MAX_CANVAS_SIDE = 1024;

QImage DecodeBitmap(PictureBytes bytes);
QImage DecodeIcon(PictureBytes bytes);
QImage DrawEnhancedMetafile(PictureBytes bytes);
QImage DrawWindowsMetafile(PictureBytes bytes);

// A white canvas of the picture's natural size, clipped to MAX_CANVAS_SIDE.
QImage WhiteCanvas(int width, int height);

}  // namespace kovex
