#include "display/pictures/PictureLoader.h"
#include "support/OddFiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "pictures/PictureFiles.h"
#include "support/TempFolder.h"

namespace kovex {
namespace {

// ---- Good bitmaps: every pixel as the sample generator wrote it. ----

QRgb Rgb(int r, int g, int b) {
    return qRgb(r, g, b);
}

QRgb Palette1(int x, int y) {
    return (x + 3 * y) % 2 == 0 ? Rgb(0, 0, 0) : Rgb(255, 255, 255);
}

QRgb Palette4(int x, int y) {
    const int i = (x + 3 * y) % 16;
    return Rgb(i * 17, 255 - i * 17, (i * 53) % 256);
}

QRgb Palette8(int x, int y) {
    const int i = (x + 3 * y) % 256;
    return Rgb(i, (i * 7) % 256, 255 - i);
}

QRgb TrueColour(int x, int y) {
    return Rgb((x * 40) % 256, (y * 50) % 256, ((x + y) * 30) % 256);
}

struct GoodBitmap {
    std::string file;
    std::string loadAs;  // name the copy is loaded under
    int width;
    int height;
    std::function<QRgb(int, int)> pixel;
};

void PrintTo(const GoodBitmap& sample, std::ostream* out) {
    *out << sample.loadAs;
}

class GoodBitmapTest : public testing::TestWithParam<GoodBitmap> {};

TEST_P(GoodBitmapTest, LoadsEveryPixelExactly) {
    const GoodBitmap& sample = GetParam();
    const QImage image = LoadPictureFile(WriteTemp(sample.loadAs, ReadSample(sample.file)));
    ASSERT_EQ(image.format(), QImage::Format_RGB32);
    ASSERT_EQ(image.width(), sample.width);
    ASSERT_EQ(image.height(), sample.height);
    for (int y = 0; y < sample.height; ++y) {
        for (int x = 0; x < sample.width; ++x) {
            ASSERT_EQ(image.pixel(x, y), sample.pixel(x, y)) << "pixel " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, GoodBitmapTest,
                         testing::Values(GoodBitmap{"bits1.bmp", "bits1.bmp", 19, 5, Palette1},
                                         GoodBitmap{"bits4.bmp", "bits4.bmp", 7, 4, Palette4},
                                         GoodBitmap{"bits8.bmp", "bits8.bmp", 9, 3, Palette8},
                                         GoodBitmap{"bits24.bmp", "bits24.bmp", 5, 3, TrueColour},
                                         GoodBitmap{"bits32.bmp", "bits32.bmp", 4, 3, TrueColour},
                                         GoodBitmap{"topdown24.bmp", "topdown24.bmp", 5, 3,
                                                    TrueColour},
                                         GoodBitmap{"bits24.bmp", "CAPITALS.BMP", 5, 3, TrueColour},
                                         GoodBitmap{"bits8.bmp", "mixed.Bmp", 9, 3, Palette8}));

// ---- Drawn pictures: icons and metafiles on white at their natural size. ----

struct DrawnPicture {
    std::string file;
    int width;
    int height;
    std::vector<std::pair<QPoint, QRgb>> pixels;
};

void PrintTo(const DrawnPicture& sample, std::ostream* out) {
    *out << sample.file;
}

class DrawnPictureTest : public testing::TestWithParam<DrawnPicture> {};

TEST_P(DrawnPictureTest, DrawsOntoWhiteAtNaturalSize) {
    const DrawnPicture& sample = GetParam();
    const QImage image = LoadPictureFile(SamplePath(sample.file));
    ASSERT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(image.width(), sample.width);
    EXPECT_EQ(image.height(), sample.height);
    for (const auto& [point, colour] : sample.pixels) {
        EXPECT_EQ(image.pixel(point), colour) << "pixel " << point.x() << "," << point.y();
    }
}

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

INSTANTIATE_TEST_SUITE_P(Samples, DrawnPictureTest,
                         testing::Values(
                             // Transparent icon pixels come out white; opaque ones as they are.
                             DrawnPicture{"icon.ico",
                                          16,
                                          16,
                                          {{{2, 3}, kBlack},
                                           {{5, 6}, kBlack},
                                           {{10, 10}, qRgb(255, 0, 0)},
                                           {{0, 0}, kWhite},
                                           {{6, 3}, kWhite},
                                           {{15, 15}, kWhite}}},
                             // A black rectangle (10, 5)-(20, 15) on a 40 x 20 picture.
                             DrawnPicture{"rect.emf",
                                          40,
                                          20,
                                          {{{12, 7}, kBlack},
                                           {{18, 13}, kBlack},
                                           {{2, 2}, kWhite},
                                           {{8, 10}, kWhite},
                                           {{30, 10}, kWhite},
                                           {{15, 18}, kWhite}}},
                             DrawnPicture{"rect.wmf",
                                          40,
                                          20,
                                          {{{12, 7}, kBlack},
                                           {{18, 13}, kBlack},
                                           {{2, 2}, kWhite},
                                           {{8, 10}, kWhite},
                                           {{30, 10}, kWhite},
                                           {{15, 18}, kWhite}}}));

// Without a placeable header a metafile has no frame: libwmf shows what its
// records draw, so the rectangle fills the middle of the picture.
TEST(StandardMetafile, DrawsItsRecords) {
    const QImage image = LoadPictureFile(SamplePath("rect-standard.wmf"));
    ASSERT_GT(image.width(), 4);
    ASSERT_GT(image.height(), 4);
    EXPECT_EQ(image.pixel(image.width() / 2, image.height() / 2), kBlack);
}

TEST(NotAPictureFile, IsRefusedUnreadWithTheReason) {
    const OddFiles odd(".bmp", PICTURE_FILE_LIMIT);
    const OddFiles oddMetafile(".emf", METAFILE_FILE_LIMIT);
    namespace fs = std::filesystem;
    const std::string dangling = odd.root + "/dangling.bmp";
    const std::string loop = odd.root + "/loop.bmp";
    const std::string memory = odd.root + "/memory.bmp";
    const std::string unreadable = odd.root + "/unreadable.bmp";
    fs::create_symlink(odd.root + "/gone.bmp", dangling);
    fs::create_symlink(loop, loop);
    fs::create_symlink("/proc/self/mem", memory);  // regular, but reading it fails
    std::ofstream(unreadable) << "BM";
    fs::permissions(unreadable, fs::perms::none);
    std::vector<std::pair<std::string, std::string>> cases{
        {odd.folder, ": it is a folder"},
        {odd.fifo, ": it is a FIFO (named pipe), not a regular file"},
        {odd.zeroLink, ": it is a character device, not a regular file"},
        {odd.overLimit, ": it is 5242881 bytes long, more than the 5 MiB allowed"},
        {oddMetafile.overLimit, ": it is 1048577 bytes long, more than the 1 MiB allowed"},
        {dangling, ": it is a link to " + odd.root + "/gone.bmp, which does not exist"},
        {loop, ": Too many levels of symbolic links"},
        {memory, ": Input/output error"},
    };
    // Permissions do not hold root back.
    if (::geteuid() != 0) cases.emplace_back(unreadable, ": Permission denied");
    for (const auto& c : cases) {
        std::string error = "Cannot open file " + c.first;
        WithFifoWriter(odd.fifo, [&] { EXPECT_EQ(ErrorOf(c.first), error += c.second); });
    }
}

// ---- Refused files: the exact text the user sees. ----

struct Refused {
    std::string name;
    std::string sample;  // empty: the file is not written at all
    std::function<void(Bytes&)> damage;
    std::string error;  // "%s" stands for the path
};

void PrintTo(const Refused& sample, std::ostream* out) {
    *out << sample.name;
}

void NoDamage(Bytes& /*bytes*/) {}

void Truncate(Bytes& bytes, std::size_t drop) {
    bytes.resize(bytes.size() - drop);
}

class RefusedFileTest : public testing::TestWithParam<Refused> {};

TEST_P(RefusedFileTest, GivesTheUsersText) {
    const Refused& sample = GetParam();
    std::string path = scratch::RunFolder() + sample.name;
    std::filesystem::remove(path);
    if (!sample.sample.empty()) {
        Bytes bytes = ReadSample(sample.sample);
        sample.damage(bytes);
        path = WriteTemp(sample.name, bytes);
    }
    std::string expected = sample.error;
    if (const auto at = expected.find("%s"); at != std::string::npos) {
        expected.replace(at, 2, path);
    }
    EXPECT_EQ(ErrorOf(path), expected);
}

std::string RefusedName(const testing::TestParamInfo<Refused>& info) {
    std::string name;
    for (const char c : info.param.name)
        name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
    return name;
}

const char* const kBitmap = "Bitmap image is not valid";
const char* const kIcon = "Icon image is not valid";
const char* const kMetafile = "Metafile is not valid";

std::string kUnknown(const std::string& extension) {
    return "Unknown picture file extension (" + extension +
           "): the picture must be a .bmp, .ico, .emf, .wmf or .png file";
}

INSTANTIATE_TEST_SUITE_P(
    Names, RefusedFileTest,
    testing::Values(Refused{"picture.gif", "bits24.bmp", NoDamage, kUnknown(".gif")},
                    Refused{"bitmap-as.PNG", "bits24.bmp", NoDamage, "PNG image is not valid"},
                    Refused{"no-extension", "bits24.bmp", NoDamage, kUnknown(".")},
                    Refused{"missing.gif", "", NoDamage, kUnknown(".gif")},
                    Refused{"missing.png", "", NoDamage, "Cannot open file %s"},
                    Refused{"missing.bmp", "", NoDamage, "Cannot open file %s"},
                    Refused{"missing.wmf", "", NoDamage, "Cannot open file %s"}),
    RefusedName);

INSTANTIATE_TEST_SUITE_P(
    Bitmaps, RefusedFileTest,
    testing::Values(
        Refused{"empty.bmp", "bits24.bmp", [](Bytes& b) { b.clear(); }, kBitmap},
        Refused{"not-bm.bmp", "bits24.bmp", [](Bytes& b) { b[1] = 'X'; }, kBitmap},
        Refused{"file-header-only.bmp", "bits24.bmp", [](Bytes& b) { b.resize(14); }, kBitmap},
        Refused{"header-cut.bmp", "bits24.bmp", [](Bytes& b) { b.resize(40); }, kBitmap},
        Refused{"pixels-cut.bmp", "bits24.bmp", [](Bytes& b) { Truncate(b, 1); }, kBitmap},
        Refused{"pixels-cut-1bit.bmp", "bits1.bmp", [](Bytes& b) { Truncate(b, 4); }, kBitmap},
        Refused{"palette-cut.bmp", "bits8.bmp", [](Bytes& b) { b.resize(54 + 1000); }, kBitmap},
        Refused{"offset-past-end.bmp", "bits24.bmp",
                [](Bytes& b) { PutU32(b, 10, static_cast<std::uint32_t>(b.size() + 10)); },
                kBitmap},
        Refused{"offset-in-header.bmp", "bits24.bmp", [](Bytes& b) { PutU32(b, 10, 20); }, kBitmap},
        Refused{"header-size-unknown.bmp", "bits24.bmp", [](Bytes& b) { PutU32(b, 14, 41); },
                kBitmap},
        Refused{"zero-width.bmp", "bits24.bmp", [](Bytes& b) { PutU32(b, 18, 0); }, kBitmap},
        Refused{"taller-than-data.bmp", "bits24.bmp", [](Bytes& b) { PutU32(b, 22, 4); }, kBitmap},
        Refused{"huge.bmp", "bits24.bmp", [](Bytes& b) { PutU32(b, 18, 0x7FFFFFFF); },
                "Bitmap image is not valid: it is 2147483647 x 3 pixels, more than the 1024 x "
                "1024 a picture for the 240 x 64 display can need"},
        Refused{"bit-count-7.bmp", "bits24.bmp", [](Bytes& b) { PutU16(b, 28, 7); }, kBitmap},
        Refused{"two-planes.bmp", "bits24.bmp", [](Bytes& b) { PutU16(b, 26, 2); }, kBitmap},
        Refused{"jpeg-compression.bmp", "bits24.bmp", [](Bytes& b) { PutU32(b, 30, 4); }, kBitmap},
        Refused{"rle8-on-24-bits.bmp", "bits24.bmp", [](Bytes& b) { PutU32(b, 30, 1); }, kBitmap},
        Refused{"too-many-colours.bmp", "bits4.bmp", [](Bytes& b) { PutU32(b, 46, 17); }, kBitmap}),
    RefusedName);

INSTANTIATE_TEST_SUITE_P(
    Icons, RefusedFileTest,
    testing::Values(
        Refused{"empty.ico", "icon.ico", [](Bytes& b) { b.clear(); }, kIcon},
        Refused{"cursor.ico", "icon.ico", [](Bytes& b) { PutU16(b, 2, 2); }, kIcon},
        Refused{"no-images.ico", "icon.ico", [](Bytes& b) { PutU16(b, 4, 0); }, kIcon},
        Refused{"two-entries-one-there.ico", "icon.ico", [](Bytes& b) { PutU16(b, 4, 2); }, kIcon},
        Refused{"directory-cut.ico", "icon.ico", [](Bytes& b) { b.resize(12); }, kIcon},
        Refused{"image-past-end.ico", "icon.ico", [](Bytes& b) { PutU32(b, 18, 2000); }, kIcon},
        Refused{"image-in-directory.ico", "icon.ico", [](Bytes& b) { PutU32(b, 18, 6); }, kIcon},
        Refused{"image-size-zero.ico", "icon.ico", [](Bytes& b) { PutU32(b, 14, 0); }, kIcon},
        Refused{"mask-cut.ico", "icon.ico", [](Bytes& b) { Truncate(b, 1); }, kIcon},
        Refused{"not-a-bitmap-inside.ico", "icon.ico", [](Bytes& b) { PutU32(b, 22, 12); }, kIcon},
        Refused{"wrong-extension.ico", "bits24.bmp", NoDamage, kIcon},
        Refused{"bitmap-as-icon-kind.bmp", "icon.ico", NoDamage, kBitmap}),
    RefusedName);

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
                    AddWmfRecords(
                        b, WmfDibRecord(kStretchDib, kStretchDibAt, Dib(256, 256, 1, 0, 32 * 256)),
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
