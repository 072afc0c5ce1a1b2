// A firmware file that changes while it is read (truncated: a bus error while
// the file was mapped; grown; rewritten in place) is refused with the reason.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "firmware/FirmwareFile.h"
#include "support/TempFolder.h"

namespace kovex {
namespace {

TEST(UserFile, AFileThatChangesWhileItIsReadIsRefused) {
    const std::string path = scratch::RunFolder() + "changing.hex";
    const auto rewriteLastByte = [&path] {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        EXPECT_EQ(::pwrite(fd, "X", 1, 12287), 1);
        const std::array<timespec, 2> later{{{0, UTIME_OMIT}, {1, 0}}};
        ::futimens(fd, later.data());
        ::close(fd);
    };
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&path] { std::filesystem::resize_file(path, 4096); }, "12288 bytes expected, 4096 read"},
        {[&path] { std::ofstream(path, std::ios::app) << "more"; },
         "12288 bytes expected, more read"},
        {rewriteLastByte, "it was written meanwhile"},
        {[] {}, ""},
    };
    for (const auto& [change, reason] : cases) {
        const std::function<void()>& changeAfterFirstRead = change;
        std::ofstream(path, std::ios::trunc) << std::string(12288, ':');
        int reads = 0;
        // The file changes after the first 4 KiB are read.
        const ReadStep step = [&](int fd, void* buffer, std::size_t count) {
            const ssize_t got = ::read(fd, buffer, std::min<std::size_t>(count, 4096));
            if (++reads == 1) changeAfterFirstRead();
            return got;
        };
        try {
            const UserFile file = ReadUserFile(path, FIRMWARE_FILE_LIMIT, step);
            EXPECT_EQ(reason, "");
            EXPECT_EQ(file.Bytes().size(), 12288U);
        } catch (const UserFileError& error) {
            EXPECT_EQ(error.what(), "it changed while it was read (" + reason + ")");
        }
    }
}

}  // namespace
}  // namespace kovex
