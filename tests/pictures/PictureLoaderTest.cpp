#include "display/pictures/PictureLoader.h"
#include "support/OddFiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "pictures/PictureFiles.h"

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

}  // namespace
}  // namespace kovex
