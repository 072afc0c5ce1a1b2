// One program per card: a second Open is refused at once, told who holds the
// card and touching nothing; the card is free again however its holder lets
// go. (Two processes, and a holder killed with SIGKILL: tests/cli.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "link/CardRegisters.h"
#include "support/SysfsRig.h"
#include "sysfs/CardLock.h"

namespace kovex::testing {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

TEST(CardLock, TheHolderIsNamedFromProcLocks) {
    const std::string locks =
        "1: POSIX  ADVISORY  WRITE 77 fe:00:10953164 0 EOF\n"
        "2: FLOCK  ADVISORY  WRITE 78 fe:00:10953165 0 EOF\n"
        "3: -> FLOCK  ADVISORY  WRITE 79 fe:00:10953164 0 EOF\n"
        "4: FLOCK  ADVISORY  WRITE 4242 fe:00:10953164 0 EOF\n";
    EXPECT_EQ(FlockHolderPid(locks, {0xfe, 0x00, 10953164}), 4242);
    EXPECT_EQ(FlockHolderPid(locks, {0xfe, 0x01, 10953164}), std::nullopt);
    // A pid of another pid namespace shows as 0.
    EXPECT_EQ(FlockHolderPid("1: FLOCK  ADVISORY  WRITE 0 fe:00:7 0 EOF\n", {0xfe, 0, 7}),
              std::nullopt);
    // comm is cut to 15 characters; argv[0] has the whole name.
    EXPECT_EQ(ProgramName("kovex-programme\n", "/usr/bin/kovex-programmer\0"s), "kovex-programmer");
    EXPECT_EQ(ProgramName("abcdefghijklmno\n", "/usr/bin/other\0"s), "abcdefghijklmno");
    EXPECT_EQ(CardInUseText(kCard, std::nullopt), "Card 0000:03:07.0 is in use by another program");
}

// Another Open on the same tree, with a bridge and a window of its own.
struct OtherOpener {
    explicit OtherOpener(const std::filesystem::path& root) : bridge(root, system) {}
    FakeSystem system;
    SysfsBridge bridge;
    CardRig rig;
    CardOpener opener{bridge, rig.port, rig.window};
};

TEST(CardLock, ASecondOpenIsRefusedAtOnceNamingTheHolderAndTouchingNothing) {
    SysfsRig s({Kovex(kCard)});
    OtherOpener holder(s.sysfs.Root());
    ASSERT_EQ(holder.opener.Button1Click(), OpenResult::Opened);

    EXPECT_EQ(s.Open(), OpenResult::InUse);
    const std::string inUse = "Card 0000:03:07.0 is in use by " +
                              std::filesystem::read_symlink("/proc/self/exe").filename().string() +
                              " (pid " + std::to_string(getpid()) + ")";
    EXPECT_EQ(s.opener.InUseBy(), inUse);
    EXPECT_EQ(s.rig.window.log,
              (Lines{kCardLine, kFailedLine, inUse + "; Open again when it has finished"}));
    EXPECT_TRUE(s.system.accesses.empty() && s.system.writeOpens.empty() && s.system.maps.empty());
    EXPECT_TRUE(s.rig.window.enableCalls.empty() && s.rig.window.messages.empty());
    EXPECT_FALSE(s.rig.port.IsOpen());
}

TEST(CardLock, TheCardIsFreeAgainHoweverItsHolderLetsGo) {
    struct Case {
        const char* name;
        std::function<void(SysfsRig&, std::unique_ptr<OtherOpener>&)> letGo;
    };
    const Case cases[] = {
        {"its window closed", [](SysfsRig&, auto& holder) { holder.reset(); }},
        {"its card lost",
         [](SysfsRig& s, auto& holder) {
             // Timer1's status read faults on the shrunken BAR 2.
             std::filesystem::resize_file(s.sysfs.File(kCard, "resource2"), 0);
             holder->rig.state.CardMode = MODE_RUN;
             holder->rig.RunTicks(1);
             s.sysfs.Write(kCard, "resource2", std::string(16, '\0'));
         }},
        {"its next Open failed",
         [](SysfsRig&, auto& holder) {
             holder->system.Fail(Call::Map, "resource2", EINVAL);
             ASSERT_EQ(holder->opener.Button1Click(), OpenResult::Failed);
         }},
    };
    for (const Case& c : cases) {
        SysfsRig s({Kovex(kCard)});
        auto holder = std::make_unique<OtherOpener>(s.sysfs.Root());
        ASSERT_EQ(holder->opener.Button1Click(), OpenResult::Opened) << c.name;
        c.letGo(s, holder);
        EXPECT_EQ(s.Open(), OpenResult::Opened) << c.name;
        EXPECT_EQ(s.rig.window.log, (Lines{kCardLine, kOpenLine})) << c.name;
    }
}

}  // namespace
}  // namespace kovex::testing
