// Header and record checks for metafiles, done before the converters (old C
// code that checks little) see the bytes. Each check also walks the records
// so that none reaches past the end of the file or past the metafile's own
// size, and the last one is the end-of-file record. On the way it counts
// what the records draw, and checks that each count fits its record.
#pragma once

#include <optional>

#include "display/pictures/LittleEndian.h"

namespace kovex {

// What a metafile's records draw: the converters take memory in proportion.
struct MetafileContent {
    std::uint64_t records = 0;  // EMF's header and the end-of-file record included
    std::uint64_t points = 0;   // of lines, polygons and curves
    std::uint64_t characters = 0;
    std::uint64_t bitmapPixels = 0;  // of every bitmap the records hold
};

struct RectL {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct EnhancedMetafileHeader {
    RectL bounds;             // device pixels, inclusive
    RectL frame;              // hundredths of a millimetre, inclusive
    std::uint32_t bytes = 0;  // the metafile's size by its header
    MetafileContent content;
};

// EMR_HEADER: record type 1, " EMF" at offset 40, header and file sizes
// within the file; then records of at least 8 bytes, in steps of 4, ending
// with EMR_EOF within the size the header gives.
std::optional<EnhancedMetafileHeader> CheckEnhancedMetafileBytes(PictureBytes bytes);

struct PlaceableFrame {
    RectL box;  // logical units
    std::uint16_t unitsPerInch = 0;
};

struct WindowsMetafileHeader {
    std::optional<PlaceableFrame> placeable;
    std::uint64_t headerOffset = 0;  // 22 after a placeable header, else 0
    std::uint64_t bytes = 0;         // where the metafile ends by its header
    MetafileContent content;
};

// An optional placeable header (key 0x9AC6CDD7, the XOR of its first ten
// 16-bit words as checksum, a non-empty box, units per inch not 0), then the
// standard header (type 1 or 2, header size 9 words, total size within the
// file, largest record no longer than the metafile) and records of at least
// 3 words, none longer than the header's largest record, ending with META_EOF.
std::optional<WindowsMetafileHeader> CheckWindowsMetafileBytes(PictureBytes bytes);

}  // namespace kovex
