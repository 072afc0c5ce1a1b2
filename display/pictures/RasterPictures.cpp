// Bitmaps and icons through Qt's image readers.
#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>
#include <algorithm>

#include "display/pictures/BitmapChecks.h"
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
    QImage canvas(std::clamp(width, 1, MAX_CANVAS_SIDE), std::clamp(height, 1, MAX_CANVAS_SIDE),
                  QImage::Format_RGB32);
    canvas.fill(Qt::white);
    return canvas;
}

QImage DecodeBitmap(PictureBytes bytes) {
    if (!CheckBitmapBytes(bytes)) return {};
    const QImage image = ReadWithQt(bytes, "bmp");
    if (image.isNull()) return {};
    return OpaqueCopy(image);
}

QImage DecodeIcon(PictureBytes bytes) {
    if (!CheckIconBytes(bytes)) return {};
    const QImage icon = ReadWithQt(bytes, "ico");
    if (icon.isNull()) return {};
    QImage canvas = WhiteCanvas(icon.width(), icon.height());
    QPainter painter(&canvas);
    painter.drawImage(0, 0, icon);
    return canvas;
}

}  // namespace kovex
