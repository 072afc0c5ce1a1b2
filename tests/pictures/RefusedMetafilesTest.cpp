#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "pictures/RefusedFiles.h"

namespace kovex {
namespace {

// The standard header of rect.wmf starts at 22, after the placeable header.
constexpr std::size_t kWmf = 22;

Bytes Record(std::size_t headerBytes, const Bytes& payload) {
    Bytes record(headerBytes + payload.size());
    std::ranges::copy(payload, record.begin() + static_cast<std::ptrdiff_t>(headerBytes));
    return record;
}

Bytes EmfRecord(std::uint32_t type, const Bytes& payload) {
    Bytes record = Record(8, payload);
    PutU32(record, 0, type);
    PutU32(record, 4, static_cast<std::uint32_t>(record.size()));
    return record;
}

Bytes WmfRecord(std::uint16_t function, const Bytes& payload) {
    Bytes record = Record(6, payload);
    PutU32(record, 0, static_cast<std::uint32_t>(record.size() / 2));
    PutU16(record, 4, function);
    return record;
}

// `count` copies of `record` before the end-of-file record (the last
// `eofBytes`), the copies taking the place of the file's tail.
void InsertBeforeEof(Bytes& bytes, const Bytes& record, std::size_t count, std::size_t eofBytes) {
    Bytes copies;
    for (std::size_t i = 0; i < count; ++i)
        copies.insert(copies.end(), record.begin(), record.end());
    bytes.insert(bytes.end() - static_cast<std::ptrdiff_t>(eofBytes), copies.begin(), copies.end());
}

// Into rect.emf, with the header's size and record count made to agree.
void AddEmfRecords(Bytes& bytes, const Bytes& record, std::size_t count) {
    InsertBeforeEof(bytes, record, count, 20);
    PutU32(bytes, 48, static_cast<std::uint32_t>(bytes.size()));
    PutU32(bytes, 52, static_cast<std::uint32_t>(5 + count));
}

// Into rect.wmf, with the header's size and largest record made to agree.
void AddWmfRecords(Bytes& bytes, const Bytes& record, std::size_t count) {
    InsertBeforeEof(bytes, record, count, 6);
    PutU32(bytes, kWmf + 6, static_cast<std::uint32_t>((bytes.size() - kWmf) / 2));
    const auto largest = static_cast<std::uint32_t>(bytes[kWmf + 12] | bytes[kWmf + 13] << 8);
    PutU32(bytes, kWmf + 12, std::max(largest, static_cast<std::uint32_t>(record.size() / 2)));
}

// EMR_POLYLINE16 that claims `count` points and holds `held` of them.
Bytes EmfPolyline(std::uint32_t count, std::size_t held) {
    Bytes payload(16 + 4 + 4 * held);
    PutU32(payload, 16, count);
    return EmfRecord(87, payload);
}

// EMR_STRETCHDIBITS whose bitmap information header (1 bit per pixel, no
// pixel data) stands at `headerAt` from the record's start.
Bytes EmfStretchDib(std::int32_t width, std::int32_t height, std::uint32_t headerAt = 80) {
    Bytes payload(72 + 40 + 8);
    PutU32(payload, 40, headerAt);
    PutU32(payload, 44, 48);
    PutU32(payload, 72, 40);
    PutU32(payload, 76, static_cast<std::uint32_t>(width));
    PutU32(payload, 80, static_cast<std::uint32_t>(height));
    PutU16(payload, 84, 1);
    PutU16(payload, 86, 1);
    return EmfRecord(81, payload);
}

// META_TEXTOUT of `count` characters (and y, x after them).
Bytes WmfText(std::uint16_t count) {
    Bytes payload(2 + (count + 1) / 2 * 2 + 4, 'A');
    PutU16(payload, 0, count);
    return WmfRecord(0x0521, payload);
}

// A bitmap information header of width x height pixels of `bits`, two
// palette colours, then `pixels` bytes of pixel data.
Bytes Dib(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t compression,
          std::size_t pixels) {
    Bytes dib(40 + 8 + pixels);
    PutU32(dib, 0, 40);
    PutU32(dib, 4, static_cast<std::uint32_t>(width));
    PutU32(dib, 8, static_cast<std::uint32_t>(height));
    PutU16(dib, 12, 1);
    PutU16(dib, 14, bits);
    PutU32(dib, 16, compression);
    PutU32(dib, 20, static_cast<std::uint32_t>(pixels));
    PutU32(dib, 32, 2);
    PutU32(dib, 44, 0x00FFFFFF);
    if (compression == 1) dib.at(48 + 1) = 1;  // run-length data: end of bitmap
    return dib;
}

// A WMF record of `function` whose bitmap starts `dibAt` bytes into it.
Bytes WmfDibRecord(std::uint16_t function, std::size_t dibAt, const Bytes& dib) {
    Bytes payload(dibAt - 6 + dib.size());
    std::ranges::copy(dib, payload.begin() + static_cast<std::ptrdiff_t>(dibAt - 6));
    return WmfRecord(function, payload);
}

constexpr std::uint16_t kStretchDib = 0x0F43;
constexpr std::size_t kStretchDibAt = 28;

INSTANTIATE_TEST_SUITE_P(
    Metafiles, RefusedFileTest,
    testing::Values(
        Refused{"empty.emf", "rect.emf", [](Bytes& b) { b.clear(); }, kMetafile},
        Refused{"not-header-record.emf", "rect.emf", [](Bytes& b) { PutU32(b, 0, 2); }, kMetafile},
        Refused{"no-signature.emf", "rect.emf", [](Bytes& b) { b[40] = 'X'; }, kMetafile},
        Refused{"longer-than-file.emf", "rect.emf",
                [](Bytes& b) { PutU32(b, 48, static_cast<std::uint32_t>(b.size() + 4)); },
                kMetafile},
        Refused{"header-past-size.emf", "rect.emf", [](Bytes& b) { PutU32(b, 4, 4000); },
                kMetafile},
        Refused{"header-too-small.emf", "rect.emf", [](Bytes& b) { PutU32(b, 4, 84); }, kMetafile},
        Refused{"cut-short.emf", "rect.emf", [](Bytes& b) { Truncate(b, 20); }, kMetafile},
        Refused{"record-size-zero.emf", "rect.emf", [](Bytes& b) { PutU32(b, 108 + 4, 0); },
                kMetafile},
        Refused{"record-past-end.emf", "rect.emf", [](Bytes& b) { PutU32(b, 108 + 4, 400); },
                kMetafile},
        Refused{"description-outside.emf", "rect.emf",
                [](Bytes& b) {
                    PutU32(b, 60, 100);
                    PutU32(b, 64, 88);
                },
                kMetafile},
        Refused{"emf-as-wmf.wmf", "rect.emf", NoDamage, kMetafile},
        Refused{"empty.wmf", "rect.wmf", [](Bytes& b) { b.clear(); }, kMetafile},
        Refused{"bad-checksum.wmf", "rect.wmf", [](Bytes& b) { b[20] ^= 1; }, kMetafile},
        Refused{"placeable-only.wmf", "rect.wmf", [](Bytes& b) { b.resize(kWmf); }, kMetafile},
        Refused{"type-3.wmf", "rect.wmf", [](Bytes& b) { PutU16(b, kWmf, 3); }, kMetafile},
        Refused{"header-size-8.wmf", "rect.wmf", [](Bytes& b) { PutU16(b, kWmf + 2, 8); },
                kMetafile},
        Refused{"standard-type-0.wmf", "rect-standard.wmf", [](Bytes& b) { PutU16(b, 0, 0); },
                kMetafile},
        Refused{"cut-short.wmf", "rect.wmf", [](Bytes& b) { Truncate(b, 6); }, kMetafile},
        Refused{"record-over-largest.wmf", "rect.wmf", [](Bytes& b) { PutU32(b, kWmf + 12, 5); },
                kMetafile},
        Refused{"largest-record-past-size.wmf", "rect.wmf",
                [](Bytes& b) { PutU32(b, kWmf + 12, 0x73795308); }, kMetafile},
        Refused{"record-size-zero.wmf", "rect.wmf", [](Bytes& b) { PutU32(b, kWmf + 18, 0); },
                kMetafile},
        Refused{"no-eof-record.wmf", "rect.wmf", [](Bytes& b) { PutU16(b, b.size() - 2, 0x0001); },
                kMetafile},
        Refused{"wmf-as-emf.emf", "rect.wmf", NoDamage, kMetafile}),
    RefusedName);

// What a metafile draws is bounded before it is converted: past a bound the
// reason is given (and nothing is converted, so no memory is taken); counts
// that do not fit their record are not valid.
INSTANTIATE_TEST_SUITE_P(
    MetafileBounds, RefusedFileTest,
    testing::Values(
        Refused{"records-at-bound.emf", "rect.emf",
                [](Bytes& b) { AddEmfRecords(b, EmfRecord(18, Bytes(4)), 1995); }, "loaded 40x20"},
        Refused{"records-past-bound.emf", "rect.emf",
                [](Bytes& b) { AddEmfRecords(b, EmfRecord(54, Bytes(8)), 1996); },
                "Metafile is not valid: it has 2001 records, more than the 2000 a picture "
                "for the 240 x 64 display can need"},
        Refused{"many-records.wmf", "rect.wmf",
                [](Bytes& b) { AddWmfRecords(b, WmfRecord(0x0213, Bytes(4)), 65536); },
                "Metafile is not valid: it has 65544 records, more than the 2000 a picture "
                "for the 240 x 64 display can need"},
        Refused{"many-points.emf", "rect.emf",
                [](Bytes& b) { AddEmfRecords(b, EmfPolyline(5001, 5001), 1); },
                "Metafile is not valid: its lines and shapes have 5001 points, more than the "
                "5000 a picture for the 240 x 64 display can need"},
        Refused{"points-past-record.emf", "rect.emf",
                [](Bytes& b) { AddEmfRecords(b, EmfPolyline(3, 2), 1); }, kMetafile},
        Refused{"many-characters.wmf", "rect.wmf",
                [](Bytes& b) { AddWmfRecords(b, WmfText(1001), 2); },
                "Metafile is not valid: its texts have 2002 characters, more than the 2000 "
                "a picture for the 240 x 64 display can need"},
        Refused{"characters-past-record.wmf", "rect.wmf",
                [](Bytes& b) {
                    Bytes text = WmfText(10);
                    PutU16(text, 6, 20);
                    AddWmfRecords(b, text, 1);
                },
                kMetafile},
        Refused{"large-bitmap.emf", "rect.emf",
                [](Bytes& b) { AddEmfRecords(b, EmfStretchDib(256, -257), 1); },
                "Metafile is not valid: its bitmaps have 65792 pixels, more than the 65536 "
                "a picture for the 240 x 64 display can need"},
        Refused{"bitmap-header-outside.emf", "rect.emf",
                [](Bytes& b) { AddEmfRecords(b, EmfStretchDib(8, 8, 200), 1); }, kMetafile},
        // libwmf decodes a WMF's bitmaps whole even though its SVG leaves them out.
        Refused{"bitmap-at-bound.wmf", "rect.wmf",
                [](Bytes& b) {
                    AddWmfRecords(b,
                                  WmfDibRecord(kStretchDib, kStretchDibAt,
                                               Dib(256, 256, 1, 0, std::size_t{32} * 256)),
                                  1);
                },
                "loaded 40x20"},
        Refused{"run-length-bitmap.wmf", "rect.wmf",
                [](Bytes& b) {
                    AddWmfRecords(
                        b, WmfDibRecord(kStretchDib, kStretchDibAt, Dib(8000, 8000, 8, 1, 2)), 1);
                },
                "Metafile is not valid: its bitmaps have 64000000 pixels, more than the 65536 a "
                "picture for the 240 x 64 display can need"},
        Refused{"pattern-brush-bitmap.wmf", "rect.wmf",
                [](Bytes& b) {
                    AddWmfRecords(b, WmfDibRecord(0x0142, 10, Dib(300, -300, 1, 0, 0)), 1);
                },
                "Metafile is not valid: its bitmaps have 90000 pixels, more than the 65536 a "
                "picture for the 240 x 64 display can need"},
        Refused{"bitblt-without-bitmap.wmf", "rect.wmf",
                [](Bytes& b) { AddWmfRecords(b, WmfRecord(0x0940, Bytes(18)), 1); },
                "loaded 40x20"},
        Refused{"bitmap-header-cut.wmf", "rect.wmf",
                [](Bytes& b) {
                    AddWmfRecords(
                        b, WmfDibRecord(kStretchDib, kStretchDibAt, Bytes{40, 0, 0, 0, 1, 0}), 1);
                },
                kMetafile}),
    RefusedName);

}  // namespace
}  // namespace kovex
