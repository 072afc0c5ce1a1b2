#include "pictures/RefusedFiles.h"

#include <cctype>
#include <filesystem>
#include <string>

#include "support/TempFolder.h"

namespace kovex {

void PrintTo(const Refused& sample, std::ostream* out) {
    *out << sample.name;
}

std::string RefusedName(const testing::TestParamInfo<Refused>& info) {
    std::string name;
    for (const char c : info.param.name)
        name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
    return name;
}

void NoDamage(Bytes& /*bytes*/) {}

void Truncate(Bytes& bytes, std::size_t drop) {
    bytes.resize(bytes.size() - drop);
}

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

namespace {

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

}  // namespace
}  // namespace kovex
