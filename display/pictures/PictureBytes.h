// The picture loader over bytes already read from a file, so that the checks
// and decoders can be tested and fuzzed without files. LoadPictureFile is the
// entry point the graphic window uses.
#pragma once

#include <QImage>
#include <optional>
#include <string_view>

#include "display/pictures/LittleEndian.h"

namespace kovex {

enum class PictureKind { Bitmap, Icon, EnhancedMetafile, WindowsMetafile, Png };

// "bmp", "ico", "emf", "wmf" or "png" in any letter case; anything else has
// no kind.
std::optional<PictureKind> PictureKindForExtension(std::string_view extension);

// The text shown when a file of this kind is not valid.
const char* InvalidPictureText(PictureKind kind);

// Checks the bytes as a file of the given kind and decodes them, keeping only
// the top-left corner the display can show (256 x 64 at most): a bitmap as
// stored (RGB32, colours unchanged), an icon, PNG or metafile drawn at its
// natural size onto white. Throws PictureError with InvalidPictureText(kind);
// for a picture over the bound (PictureBound.h) or a metafile that draws
// more than a picture for the display can need, ": " and the reason follow.
QImage LoadPictureBytes(PictureBytes bytes, PictureKind kind);

}  // namespace kovex
