// Bitmaps and icons through Qt's image readers. A bitmap's corner the
// display shows is cut out of the file (run-length data decoded into it)
// before Qt decodes it (BitmapCorner.h). Only the corner is kept, and only
// that is converted to RGB32.
#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>
#include <algorithm>

#include "display/pictures/BitmapChecks.h"
#include "display/pictures/BitmapCorner.h"
#include "display/pictures/PictureDecoders.h"

namespace kovex {
namespace {

QImage ReadWithQt(PictureBytes bytes, const char* format) {
    // The bytes outlive the reader, so Qt may read them in place.
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    return reader.read();
}

// The corner of the decoded picture the display shows; the whole picture
// goes when the caller's copy does.
QImage DisplayCorner(const QImage& image) {
    return image.copy(0, 0, std::min(image.width(), DISPLAY_CORNER.width()),
                      std::min(image.height(), DISPLAY_CORNER.height()));
}

// RGB32 with each pixel's red, green and blue exactly as decoded. Qt's own
// conversion would blend a pixel with an alpha below 255 towards black.
QImage OpaqueCopy(const QImage& image) {
    if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB32);
    QImage copy = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < copy.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int x = 0; x < copy.width(); ++x)
            row[x] |= 0xFF000000u;
    }
    copy.reinterpretAsFormat(QImage::Format_RGB32);
    return copy;
}

}  // namespace

QImage WhiteCanvas(int width, int height) {
    QImage canvas(std::clamp(width, 1, DISPLAY_CORNER.width()),
                  std::clamp(height, 1, DISPLAY_CORNER.height()), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    return canvas;
}

QImage DecodeBitmap(PictureBytes bytes) {
    const auto layout = CheckBitmapBytes(bytes);
    if (!layout) return {};
    const std::vector<std::uint8_t> cornerFile = BitmapCornerFile(bytes, *layout);
    const QImage corner = DisplayCorner(ReadWithQt(cornerFile, "bmp"));
    if (corner.isNull()) return {};
    return OpaqueCopy(corner);
}

QImage DecodeIcon(PictureBytes bytes) {
    if (!CheckIconBytes(bytes)) return {};
    const QImage corner = DisplayCorner(ReadWithQt(bytes, "ico"));
    if (corner.isNull()) return {};
    // Transparent pixels come out white, as on a white page.
    QImage canvas = WhiteCanvas(corner.width(), corner.height());
    QPainter painter(&canvas);
    painter.drawImage(0, 0, corner);
    return canvas;
}

}  // namespace kovex
