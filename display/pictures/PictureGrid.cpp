#include "display/pictures/PictureGrid.h"

#include <algorithm>
#include <cstddef>

#include "display/core/PagePacking.h"

namespace kovex {

PixelGrid DisplayablePixels(const QImage& loaded) {
    const int width = std::min(loaded.width(), PACKED_COLUMNS);
    const int height = std::min(loaded.height(), PAGE_COUNT * PAGE_ROWS);
    const QImage part = loaded.copy(0, 0, width, height).convertToFormat(QImage::Format_RGB32);
    PixelGrid grid{width, height, {}};
    grid.rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            grid.rgb.push_back(part.pixel(x, y) & 0xFFFFFFU);
    }
    return grid;
}

}  // namespace kovex
