// How much a metafile may draw. The display shows 240 x 64 pixels, and a
// picture for it needs far less than these bounds; the converters and QtSvg
// take memory in proportion to what is drawn (measured: about 4 KB per
// record, up to 600 bytes per point of a polyline, 350 bytes per character
// after 4 MB for the fonts, 35 to 50 bytes per pixel of a bitmap of 32
// bits), so a metafile over a bound is refused before it is converted. An
// EMF at every bound at once takes about 17 MB to draw, which keeps the
// window's whole Upload under 64 MB.
#pragma once

#include <cstdint>
#include <string>

#include "display/pictures/MetafileChecks.h"

namespace kovex {

inline constexpr std::uint64_t MAX_METAFILE_RECORDS = 2000;
inline constexpr std::uint64_t MAX_METAFILE_POINTS = 5000;
inline constexpr std::uint64_t MAX_METAFILE_CHARACTERS = 2000;
inline constexpr std::uint64_t MAX_METAFILE_BITMAP_PIXELS = std::uint64_t{1} << 16;

// Why the metafile is refused, e.g. "it has 65538 records, more than the
// 2000 a picture for the 240 x 64 display can need"; empty within bounds.
std::string MetafileOverLimits(const MetafileContent& content);

}  // namespace kovex
