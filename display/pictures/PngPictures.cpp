// PNGs through libpng's simplified reader: whatever depth the file stores,
// the picture is composed onto white as 8-bit RGB (3 bytes a pixel, where
// Qt would hold a 16-bit PNG at 8), and only the corner the display shows
// is kept.
#include <png.h>

#include <algorithm>
#include <vector>

#include "display/pictures/BitmapChecks.h"
#include "display/pictures/PictureDecoders.h"

namespace kovex {
namespace {

// Frees what libpng holds for the image however the read ends.
class PngReading {
public:
    PngReading() { image_.version = PNG_IMAGE_VERSION; }
    ~PngReading() { png_image_free(&image_); }
    PngReading(const PngReading&) = delete;
    PngReading& operator=(const PngReading&) = delete;
    png_image& Image() { return image_; }

private:
    png_image image_{};
};

QImage Corner(const std::vector<png_byte>& rgb, int width, int height) {
    QImage corner(std::min(width, DISPLAY_CORNER.width()),
                  std::min(height, DISPLAY_CORNER.height()), QImage::Format_RGB32);
    const auto rowBytes = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < corner.height(); ++y) {
        auto pixel =
            rgb.begin() + static_cast<std::ptrdiff_t>(rowBytes * static_cast<std::size_t>(y));
        auto* out = reinterpret_cast<QRgb*>(corner.scanLine(y));
        for (int x = 0; x < corner.width(); ++x, pixel += 3)
            out[x] = qRgb(pixel[0], pixel[1], pixel[2]);
    }
    return corner;
}

}  // namespace

QImage DecodePng(PictureBytes bytes) {
    if (!CheckPngBytes(bytes)) return {};
    PngReading reading;
    png_image& image = reading.Image();
    if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    const png_color white{255, 255, 255};
    if (png_image_finish_read(&image, &white, rgb.data(), 0, nullptr) == 0) return {};
    return Corner(rgb, static_cast<int>(image.width), static_cast<int>(image.height));
}

}  // namespace kovex
