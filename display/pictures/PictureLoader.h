// Loads a picture file for the graphic window by its extension: "bmp" a
// bitmap, "ico" an icon, "emf" and "wmf" a metafile (compared without regard
// to case). Icons and metafiles are drawn at their natural size onto white.
// The header of every type is checked against the file before a decoder sees
// it, so a damaged file is refused instead of half decoded.
#pragma once

#include <QImage>
#include <stdexcept>
#include <string>

namespace kovex {

// A picture that cannot be loaded. what() is the text shown to the user:
// "Unknown picture file extension (.%s)", "Cannot open file %s",
// "Bitmap image is not valid", "Icon image is not valid" or
// "Metafile is not valid".
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws PictureError; never returns a null image.
QImage LoadPictureFile(const std::string& path);

}  // namespace kovex
