// The pixels the picture program hands to kovexctl: what is written is read
// back whole, and anything that is not one whole picture is refused.
#include "display/core/PixelStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kovex {
namespace {

TEST(PixelStream, APictureReadsBackWholeAndAnythingElseIsRefused) {
    const PixelGrid picture{3, 2, {0x000000, 0xFFFFFF, 0x123456, 0xFF0000, 0x00FF00, 0x0000FF}};
    const std::string bytes = EncodePixels(picture);
    EXPECT_TRUE(bytes.starts_with("P6\n3 2\n255\n"));
    const auto read = DecodePixels(bytes, 6);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->width, 3);
    EXPECT_EQ(read->height, 2);
    EXPECT_EQ(read->rgb, picture.rgb);
    EXPECT_TRUE(DecodePixels(EncodePixels(PixelGrid{}), 0));  // an empty picture is a picture

    const std::vector<std::pair<const char*, std::string>> refused{
        {"more pixels than allowed", bytes},
        {"cut short", bytes.substr(0, bytes.size() - 1)},
        {"a byte too many", bytes + "x"},
        {"another magic", "P5" + bytes.substr(2)},
        {"no maximum value", "P6\n3 2\n" + bytes.substr(11)},
        {"a negative width", "P6\n-3 2\n255\n" + bytes.substr(11)},
        {"no height", "P6\n3\n255\n"},
        {"nothing", ""},
    };
    for (const auto& [name, text] : refused) {
        const std::size_t most = std::string(name) == "more pixels than allowed" ? 5 : 6;
        EXPECT_FALSE(DecodePixels(text, most)) << name;
    }
}

}  // namespace
}  // namespace kovex
