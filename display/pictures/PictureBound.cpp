#include "display/pictures/PictureBound.h"

#include "display/pictures/BitmapChecks.h"
#include "display/pictures/PictureLoader.h"

namespace kovex {

bool WithinPictureBound(const PictureSize& size) {
    return size.width <= MAX_PICTURE_SIDE && size.height <= MAX_PICTURE_SIDE;
}

void RefuseOverBound(const PictureSize& size, PictureKind kind) {
    if (WithinPictureBound(size)) return;
    const std::string side = std::to_string(MAX_PICTURE_SIDE);
    throw PictureError(std::string(InvalidPictureText(kind)) + ": it is " +
                       std::to_string(size.width) + " x " + std::to_string(size.height) +
                       " pixels, more than the " + side + " x " + side +
                       " a picture for the 240 x 64 display can need");
}

std::optional<PictureSize> DeclaredSize(PictureBytes bytes, PictureKind kind) {
    switch (kind) {
        case PictureKind::Bitmap:
            return DeclaredBitmapSize(bytes);
        case PictureKind::Icon:
            return DeclaredIconSize(bytes);
        case PictureKind::Png:
            return DeclaredPngSize(bytes);
        case PictureKind::EnhancedMetafile:
        case PictureKind::WindowsMetafile:
            break;
    }
    return std::nullopt;
}

}  // namespace kovex
