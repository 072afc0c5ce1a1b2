// Metafiles: checked, converted to SVG and rasterised by QtSvg at the
// picture's natural size onto white, on a canvas of the corner the display
// shows; a natural size over the picture bound is refused before drawing.
#include <QByteArray>
#include <QPainter>
#include <QSvgRenderer>

#include "display/pictures/MetafileConverters.h"
#include "display/pictures/MetafileLimits.h"
#include "display/pictures/PictureBound.h"
#include "display/pictures/PictureBytes.h"
#include "display/pictures/PictureDecoders.h"
#include "display/pictures/PictureLoader.h"

namespace kovex {
namespace {

QImage RenderSvg(const std::optional<SvgPicture>& picture, PictureKind kind) {
    if (!picture) return {};
    RefuseOverBound({picture->width, picture->height}, kind);
    QSvgRenderer renderer(
        QByteArray(picture->svg.data(), static_cast<qsizetype>(picture->svg.size())));
    if (!renderer.isValid()) return {};
    QImage canvas = WhiteCanvas(picture->width, picture->height);
    QPainter painter(&canvas);
    renderer.render(&painter, QRectF(0, 0, picture->width, picture->height));
    return canvas;
}

// Before the converter sees it: a metafile that draws more than a picture
// for the display can need is refused with the reason.
void RefuseOverLimits(const MetafileContent& content, PictureKind kind) {
    const std::string reason = MetafileOverLimits(content);
    if (!reason.empty()) throw PictureError(std::string(InvalidPictureText(kind)) + ": " + reason);
}

}  // namespace

QImage DrawEnhancedMetafile(PictureBytes bytes) {
    const auto header = CheckEnhancedMetafileBytes(bytes);
    if (!header) return {};
    RefuseOverLimits(header->content, PictureKind::EnhancedMetafile);
    return RenderSvg(EnhancedMetafileToSvg(bytes, *header), PictureKind::EnhancedMetafile);
}

QImage DrawWindowsMetafile(PictureBytes bytes) {
    const auto header = CheckWindowsMetafileBytes(bytes);
    if (!header) return {};
    RefuseOverLimits(header->content, PictureKind::WindowsMetafile);
    return RenderSvg(WindowsMetafileToSvg(bytes, *header), PictureKind::WindowsMetafile);
}

}  // namespace kovex
