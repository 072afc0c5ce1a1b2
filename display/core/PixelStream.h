// A picture's pixels as one program hands them to another: a binary PPM
// ("P6", width, height, 255, then three bytes per pixel, row by row). The
// picture support runs in a program of its own for kovexctl, which links no
// window toolkit, and sends it the displayable pixels this way.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "display/core/PixelGrid.h"

namespace kovex {

std::string EncodePixels(const PixelGrid& pixels);
// Nothing when the bytes are not one whole picture of at most `mostPixels`.
std::optional<PixelGrid> DecodePixels(std::string_view bytes, std::size_t mostPixels);

}  // namespace kovex
