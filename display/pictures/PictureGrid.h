// A loaded picture as the page packer reads it: only what the display and the
// picture box can show is kept (the top-left corner, up to the display's
// size), as plain 0xRRGGBB pixels.
#pragma once

#include <QImage>

#include "display/core/PixelGrid.h"

namespace kovex {

PixelGrid DisplayablePixels(const QImage& loaded);

}  // namespace kovex
