// How much a metafile may draw. The display shows 240 x 64 pixels, and a
// picture for it needs far less than these bounds; the converters and QtSvg
// take memory in proportion to what is drawn (measured: about 4.5 KB per
// line record, 120 bytes per point of a polyline, up to 45 bytes per pixel
// of a bitmap), so a metafile over a bound is refused before it is
// converted. The bounds keep an upload under 64 MB.
#pragma once

#include <cstdint>
#include <string>

#include "display/pictures/MetafileChecks.h"

namespace kovex {

inline constexpr std::uint64_t MAX_METAFILE_RECORDS = 5000;
inline constexpr std::uint64_t MAX_METAFILE_POINTS = 10000;
inline constexpr std::uint64_t MAX_METAFILE_CHARACTERS = 10000;
inline constexpr std::uint64_t MAX_METAFILE_BITMAP_PIXELS = std::uint64_t{1} << 18;

// Why the metafile is refused, e.g. "it has 65538 records, more than the
// 5000 a picture for the 240 x 64 display can need"; empty within bounds.
std::string MetafileOverLimits(const MetafileContent& content);

}  // namespace kovex
