#include <gtest/gtest.h>

#include "display/pictures/PictureLoader.h"
#include "support/OddFiles.h"

namespace kovex::testing {
namespace {

std::string ErrorOf(const std::string& path) {
    try {
        LoadPictureFile(path);
        return "loaded";
    } catch (const PictureError& error) {
        return error.what();
    }
}

TEST(NotAPictureFile, IsRefusedUnreadWithTheReason) {
    const OddFiles odd(".bmp", PICTURE_FILE_LIMIT);
    const std::pair<std::string, std::string> cases[] = {
        {odd.folder, ": it is a folder"},
        {odd.fifo, ": it is a FIFO (named pipe), not a regular file"},
        {odd.zeroLink, ": it is a character device, not a regular file"},
        {odd.overLimit, ": it is 268435457 bytes long, more than the 256 MiB allowed"},
    };
    for (const auto& [path, reason] : cases) {
        const FifoWriter writer(odd.fifo);
        std::string expected = "Cannot open file " + path;
        EXPECT_EQ(ErrorOf(path), expected += reason);
    }
}

}  // namespace
}  // namespace kovex::testing
