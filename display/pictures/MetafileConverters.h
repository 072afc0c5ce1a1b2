// Metafile to SVG converters (libemf2svg, libwmf). Plain C++ over bytes whose
// header check has passed; the SVG is drawn by QtSvg elsewhere.
#pragma once

#include <optional>
#include <string>

#include "display/pictures/MetafileChecks.h"

namespace kovex {

struct SvgPicture {
    std::string svg;
    int width = 0;  // the picture's natural size in screen pixels
    int height = 0;
};

// Pixels at screen resolution for a length; 0 for less than one pixel.
int ScreenPixels(double value);

std::optional<SvgPicture> EnhancedMetafileToSvg(PictureBytes bytes,
                                                const EnhancedMetafileHeader& header);
std::optional<SvgPicture> WindowsMetafileToSvg(PictureBytes bytes,
                                               const WindowsMetafileHeader& header);

}  // namespace kovex
