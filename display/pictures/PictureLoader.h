// Loads a picture file for the graphic window by its extension: "bmp" a
// bitmap, "ico" an icon, "emf" and "wmf" a metafile (compared without regard
// to case). Icons and metafiles are drawn at their natural size onto white.
// The header of every type is checked against the file before a decoder sees
// it, so a damaged file is refused instead of half decoded.
#pragma once

#include <QImage>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace kovex {

// Larger picture files are refused unread. The limit is far above any
// picture: Qt's image readers decode at most 128 MB of pixels, a metafile of
// this size would be absurd, and the display shows 256 x 64 pixels.
inline constexpr std::uint64_t PICTURE_FILE_LIMIT = std::uint64_t{256} << 20;

// Larger metafiles are refused unread: the file is held in memory twice while
// it is converted, and a metafile for the display is kilobytes long.
inline constexpr std::uint64_t METAFILE_FILE_LIMIT = std::uint64_t{16} << 20;

// A picture that cannot be loaded. what() is the text shown to the user:
// "Unknown picture file extension (.%s)", "Cannot open file %s" (followed by
// ": " and the reason, unless the name is simply not there),
// "Bitmap image is not valid", "Icon image is not valid" or
// "Metafile is not valid" (followed by ": " and the reason for a metafile
// that draws more than a picture for the display can need).
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws PictureError; never returns a null image.
QImage LoadPictureFile(const std::string& path);

}  // namespace kovex
