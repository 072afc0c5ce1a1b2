#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>

#include "sysfs/BusErrorGuard.h"

namespace kovex::testing {
namespace {

const std::string kAfterAddress =
    ": the card's registers are no longer reachable (the kernel took the mapping away: the card "
    "was removed or reset, or a driver claimed it). The tool stops now; check the card with "
    "lspci -d 10b5:9030 and start the tool again.\n";

TEST(BusErrorGuard, TheLineNamesTheAddressAndWhatToDo) {
    struct Case {
        std::uintptr_t address;
        const char* hex;
    };
    const Case cases[] = {
        {0, "0x0"},
        {0xF, "0xf"},
        {0x7F12ABCD0080, "0x7f12abcd0080"},
        {UINTPTR_MAX, sizeof(std::uintptr_t) == 8 ? "0xffffffffffffffff" : "0xffffffff"}};
    for (const Case& c : cases) {
        std::array<char, 512> line{};
        const std::size_t length = BusErrorMessage(line, c.address);
        EXPECT_EQ(std::string(line.data(), length),
                  "kovex-programmer: bus error at " + std::string(c.hex) + kAfterAddress);
    }
}

TEST(BusErrorGuard, TheLineIsCutToTheBuffer) {
    std::array<char, 40> line{};
    line.fill('#');
    const std::size_t length = BusErrorMessage(std::span(line).first(35), 0xAB);
    EXPECT_EQ(length, 35u);
    EXPECT_EQ(std::string(line.data(), 36), "kovex-programmer: bus error at 0xab#");
}

// A mapping whose file shrinks under it faults like a BAR the kernel revoked.
void TouchARevokedMapping() {
    const auto file = std::filesystem::temp_directory_path() /
                      ("kovex-revoked-" + std::to_string(std::random_device{}()));
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(page)) != 0) return;
    void* mapping = ::mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    std::filesystem::remove(file);
    if (mapping == MAP_FAILED || ::ftruncate(fd, 0) != 0) return;
    *static_cast<volatile std::uint8_t*>(mapping) = 1;
}

TEST(BusErrorGuardDeathTest, ARevokedMappingEndsTheToolWithTheLine) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (!InstallBusErrorGuard()) std::_Exit(1);
            TouchARevokedMapping();
            std::_Exit(2);
        },
        ::testing::ExitedWithCode(BusErrorExitStatus()),
        "kovex-programmer: bus error at 0x[0-9a-f]+: the card's registers are no longer "
        "reachable.*lspci -d 10b5:9030");
}

}  // namespace
}  // namespace kovex::testing
