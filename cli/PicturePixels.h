// display upload's picture: kovexctl links no window toolkit, so the
// picture is decoded by the picture support of the kovex-programmer
// package, a program of its own beside kovexctl (in a build) or in
// lib/kovex/ (installed), which hands back the pixels the display can show.
#pragma once

#include <string>
#include <string_view>

#include "display/core/PixelGrid.h"

namespace kovex {

inline constexpr std::string_view PICTURE_PROGRAM = "kovex-picture-pixels";
inline constexpr std::string_view NO_PICTURE_SUPPORT_TEXT =
    "display upload needs the picture support of the package kovex-programmer, which is not "
    "installed: sudo apt install kovex-programmer";

// Throws std::runtime_error with the text for the user: the picture's own
// reason ("Bitmap image is not valid"), or that the support is missing.
PixelGrid PicturePixels(const std::string& path);

}  // namespace kovex
