#include "display/pictures/MetafileLimits.h"

#include <array>
#include <string_view>

namespace kovex {

std::string MetafileOverLimits(const MetafileContent& content) {
    struct Limit {
        std::uint64_t count;
        std::uint64_t most;
        std::string_view what;  // "<what> N <unit>, more than the ..."
        std::string_view unit;
    };
    const std::array<Limit, 4> limits{{
        {content.records, MAX_METAFILE_RECORDS, "it has", "records"},
        {content.points, MAX_METAFILE_POINTS, "its lines and shapes have", "points"},
        {content.characters, MAX_METAFILE_CHARACTERS, "its texts have", "characters"},
        {content.bitmapPixels, MAX_METAFILE_BITMAP_PIXELS, "its bitmaps have", "pixels"},
    }};
    for (const Limit& limit : limits) {
        if (limit.count <= limit.most) continue;
        return std::string(limit.what) + " " + std::to_string(limit.count) + " " +
               std::string(limit.unit) + ", more than the " + std::to_string(limit.most) +
               " a picture for the 240 x 64 display can need";
    }
    return {};
}

}  // namespace kovex
