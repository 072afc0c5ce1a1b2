#include "display/pictures/MetafileRecords.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace kovex {
namespace {

// Record types and where their counts stand, as offsets from the record's start.
struct CountAt {
    std::uint32_t type;
    std::uint64_t offset;
    std::uint64_t unitBytes;  // bytes each counted item takes in the record
};

// EMR_POLYBEZIER to EMR_POLYLINETO, EMR_POLYDRAW and their 16-bit forms: a
// bounds rectangle, then the point count.
constexpr std::array<CountAt, 12> EMF_POINT_COUNTS{{
    {2, 24, 8},
    {3, 24, 8},
    {4, 24, 8},
    {5, 24, 8},
    {6, 24, 8},
    {56, 24, 9},  // each point also has a type byte
    {85, 24, 4},
    {86, 24, 4},
    {87, 24, 4},
    {88, 24, 4},
    {89, 24, 4},
    {92, 24, 5},
}};

// EMR_POLYPOLYLINE, EMR_POLYPOLYGON and their 16-bit forms: the number of
// shapes at 24 (a count of 4 bytes each follows), the points in all at 28.
constexpr std::array<CountAt, 4> EMF_POLY_POINT_COUNTS{{
    {7, 28, 8},
    {8, 28, 8},
    {90, 28, 4},
    {91, 28, 4},
}};

// EMR_EXTTEXTOUTA, EMR_EXTTEXTOUTW: the character count of the text record
// after the bounds, the graphics mode and the scales; EMR_SMALLTEXTOUT.
constexpr std::array<CountAt, 3> EMF_CHARACTER_COUNTS{{
    {83, 44, 1},
    {84, 44, 2},
    {108, 16, 1},
}};

// Where records that hold a bitmap give the offset of its information
// header (its size follows); 0 where there is no second bitmap (the mask).
struct BitmapsAt {
    std::uint32_t type;
    std::uint64_t source;
    std::uint64_t mask;
};

constexpr std::array<BitmapsAt, 10> EMF_BITMAPS{{
    {76, 84, 0},    // EMR_BITBLT
    {77, 84, 0},    // EMR_STRETCHBLT
    {78, 84, 112},  // EMR_MASKBLT
    {79, 96, 124},  // EMR_PLGBLT
    {80, 48, 0},    // EMR_SETDIBITSTODEVICE
    {81, 48, 0},    // EMR_STRETCHDIBITS
    {93, 16, 0},    // EMR_CREATEMONOBRUSH
    {94, 16, 0},    // EMR_CREATEDIBPATTERNBRUSHPT
    {114, 84, 0},   // EMR_ALPHABLEND
    {116, 84, 0},   // EMR_TRANSPARENTBLT
}};

constexpr std::uint32_t BITMAP_CORE_HEADER = 12;
constexpr std::uint32_t BITMAP_INFO_HEADER = 40;

template <typename Table>
const auto* Find(const Table& table, std::uint32_t type) {
    const auto found = std::ranges::find(table, type, &Table::value_type::type);
    return found == table.end() ? nullptr : &*found;
}

// The count at `at`, when that many items fit in the record after `fixed` bytes.
bool AddCount(PictureBytes record, const CountAt& at, std::uint64_t fixed, std::uint64_t& total) {
    const auto count = U32At(record, at.offset);
    if (!count) return false;
    if (*count > (record.size() - std::min<std::uint64_t>(fixed, record.size())) / at.unitBytes) {
        return false;
    }
    total += *count;
    return true;
}

// The pixels of the bitmap whose information header starts `header`; a
// header of no known kind, or cut short, is not valid.
bool AddDibPixels(PictureBytes header, std::uint64_t& pixels) {
    const auto headerSize = U32At(header, 0);
    if (!headerSize) return false;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    if (*headerSize == BITMAP_CORE_HEADER && HasBytes(header, 0, BITMAP_CORE_HEADER)) {
        width = *U16At(header, 4);
        height = *U16At(header, 6);
    } else if (*headerSize >= BITMAP_INFO_HEADER && HasBytes(header, 0, BITMAP_INFO_HEADER)) {
        width = static_cast<std::uint64_t>(std::llabs(*I32At(header, 4)));
        height = static_cast<std::uint64_t>(std::llabs(*I32At(header, 8)));
    } else {
        return false;
    }
    // Both sides are below 2^31; the sum stops at 2^62, far past any limit.
    pixels = std::min(pixels + width * height, std::uint64_t{1} << 62);
    return true;
}

// The pixels of the bitmap whose information header the record points at;
// a header outside the record is not valid.
bool AddBitmap(PictureBytes record, std::uint64_t offsetAt, std::uint64_t& pixels) {
    const auto offset = U32At(record, offsetAt);
    const auto size = U32At(record, offsetAt + 4);
    if (!offset || !size) return false;
    if (*size == 0) return true;  // no bitmap: a pattern fill only
    if (!HasBytes(record, *offset, *size)) return false;
    return AddDibPixels(record.subspan(*offset, *size), pixels);
}

bool CountEnhancedBitmaps(PictureBytes record, const BitmapsAt& at, MetafileContent& content) {
    if (!AddBitmap(record, at.source, content.bitmapPixels)) return false;
    return at.mask == 0 || AddBitmap(record, at.mask, content.bitmapPixels);
}

constexpr std::uint16_t META_TEXTOUT = 0x0521;
constexpr std::uint16_t META_EXTTEXTOUT = 0x0A32;
constexpr std::uint16_t META_POLYGON = 0x0324;
constexpr std::uint16_t META_POLYLINE = 0x0325;
constexpr std::uint16_t META_POLYPOLYGON = 0x0538;
constexpr std::uint64_t WMF_PARAMETERS = 6;  // size in words, then the function
constexpr std::uint64_t WMF_POINT_BYTES = 4;

// Records that hold a device-independent bitmap, and where its information
// header starts. META_DIBBITBLT and META_DIBSTRETCHBLT also come without
// one: then the record is (function >> 8) + 3 words long.
struct DibAt {
    std::uint16_t function;
    std::uint64_t header;
    bool mayHaveNone;
};

constexpr std::array<DibAt, 5> WMF_BITMAPS{{
    {0x0142, 10, false},  // META_DIBCREATEPATTERNBRUSH
    {0x0940, 22, true},   // META_DIBBITBLT
    {0x0B41, 26, true},   // META_DIBSTRETCHBLT
    {0x0D33, 24, false},  // META_SETDIBTODEV
    {0x0F43, 28, false},  // META_STRETCHDIB
}};

bool CountWindowsBitmap(PictureBytes record, const DibAt& at, MetafileContent& content) {
    const std::uint64_t withoutBitmap = 2 * ((std::uint64_t{at.function} >> 8) + 3);
    if (at.mayHaveNone && record.size() == withoutBitmap) return true;
    if (at.header > record.size()) return false;
    return AddDibPixels(record.subspan(at.header), content.bitmapPixels);
}

// META_POLYPOLYGON: the number of polygons, a 16-bit point count for each,
// then the points.
bool CountPolyPolygon(PictureBytes record, MetafileContent& content) {
    const auto polygons = U16At(record, WMF_PARAMETERS);
    if (!polygons) return false;
    const std::uint64_t pointsAt = WMF_PARAMETERS + 2 + 2 * std::uint64_t{*polygons};
    if (pointsAt > record.size()) return false;
    std::uint64_t points = 0;
    for (std::uint64_t i = 0; i < *polygons; ++i)
        points += *U16At(record, WMF_PARAMETERS + 2 + 2 * i);
    if (points > (record.size() - pointsAt) / WMF_POINT_BYTES) return false;
    content.points += points;
    return true;
}

// The 16-bit count at `at`, when that many items of `unitBytes` fit in the
// record after it.
bool AddWindowsCount(PictureBytes record, std::uint64_t at, std::uint64_t unitBytes,
                     std::uint64_t& total) {
    const auto count = U16At(record, at);
    if (!count || at + 2 > record.size()) return false;
    if (*count > (record.size() - at - 2) / unitBytes) return false;
    total += *count;
    return true;
}

}  // namespace

bool CountEnhancedRecord(PictureBytes record, MetafileContent& content) {
    ++content.records;
    const std::uint32_t type = *U32At(record, 0);
    if (const auto* at = Find(EMF_POINT_COUNTS, type)) {
        return AddCount(record, *at, at->offset + 4, content.points);
    }
    if (const auto* at = Find(EMF_POLY_POINT_COUNTS, type)) {
        const auto shapes = U32At(record, at->offset - 4);
        if (!shapes || *shapes > record.size() / 4) return false;
        return AddCount(record, *at, at->offset + 4 + 4 * std::uint64_t{*shapes}, content.points);
    }
    if (const auto* at = Find(EMF_CHARACTER_COUNTS, type)) {
        return AddCount(record, *at, at->offset + 4, content.characters);
    }
    if (const auto* at = Find(EMF_BITMAPS, type)) return CountEnhancedBitmaps(record, *at, content);
    return true;
}

bool CountWindowsRecord(PictureBytes record, MetafileContent& content) {
    ++content.records;
    const std::uint16_t function = *U16At(record, 4);
    const auto* const bitmap = std::ranges::find(WMF_BITMAPS, function, &DibAt::function);
    if (bitmap != WMF_BITMAPS.end()) return CountWindowsBitmap(record, *bitmap, content);
    switch (function) {
        case META_POLYGON:
        case META_POLYLINE:
            return AddWindowsCount(record, WMF_PARAMETERS, WMF_POINT_BYTES, content.points);
        case META_POLYPOLYGON:
            return CountPolyPolygon(record, content);
        case META_TEXTOUT:
            return AddWindowsCount(record, WMF_PARAMETERS, 1, content.characters);
        case META_EXTTEXTOUT:
            // y and x come first
            return AddWindowsCount(record, WMF_PARAMETERS + 4, 1, content.characters);
        default:
            return true;
    }
}

}  // namespace kovex
