// The picture loader over bytes already read from a file, so that the checks
// and decoders can be tested and fuzzed without files. LoadPictureFile is the
// entry point the graphic window uses.
#pragma once

#include <QImage>
#include <optional>
#include <string_view>

#include "display/pictures/LittleEndian.h"

namespace kovex {

enum class PictureKind { Bitmap, Icon, EnhancedMetafile, WindowsMetafile };

// "bmp", "ico", "emf" or "wmf" in any letter case; anything else has no kind.
std::optional<PictureKind> PictureKindForExtension(std::string_view extension);

// The text shown when a file of this kind is not valid.
const char* InvalidPictureText(PictureKind kind);

// Checks the bytes as a file of the given kind and decodes them: a bitmap as
// stored (RGB32, colours unchanged), an icon or metafile drawn at its natural
// size onto white. Throws PictureError with InvalidPictureText(kind); for a
// metafile that draws more than a picture for the display can need, ": " and
// the reason follow.
QImage LoadPictureBytes(PictureBytes bytes, PictureKind kind);

}  // namespace kovex
