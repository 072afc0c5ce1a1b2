// Loads a picture file for the graphic window by its extension: "bmp" a
// bitmap, "ico" an icon, "emf" and "wmf" a metafile, "png" a PNG (compared
// without regard to case). Icons, PNGs and metafiles are drawn at their
// natural size onto white. The header of every type is checked against the
// file and the picture bound (PictureBound.h) before a decoder sees it, so a
// damaged or oversized file is refused instead of half decoded, and only the
// corner the display shows is kept.
#pragma once

#include <QImage>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace kovex {

// Larger picture files are refused unread: the file is held in memory while
// it is decoded. The largest picture within the bound, a 1024 x 1024 bitmap
// of 32 bits a pixel, is 4 MiB and its headers.
inline constexpr std::uint64_t PICTURE_FILE_LIMIT = std::uint64_t{5} << 20;

// Larger metafiles are refused unread: the file is held in memory twice while
// it is converted, and a metafile for the display is kilobytes long; one that
// reaches every limit of MetafileLimits.h, its bitmap of 32 bits a pixel
// included, is about 330 KB.
inline constexpr std::uint64_t METAFILE_FILE_LIMIT = std::uint64_t{1} << 20;

// A picture that cannot be loaded. what() is the text shown to the user:
// "Unknown picture file extension (.%s)" (followed by the extensions that
// work), "Cannot open file %s" (followed by ": " and the reason, unless the
// name is simply not there), "Bitmap image is not valid", "Icon image is not
// valid", "PNG image is not valid" or "Metafile is not valid" (followed by
// ": " and the reason for a picture over the bound or a metafile that draws
// more than a picture for the display can need).
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws PictureError; never returns a null image.
QImage LoadPictureFile(const std::string& path);

}  // namespace kovex
