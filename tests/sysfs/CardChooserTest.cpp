// Open on a bus with several PCI 9030s: the user chooses the KOVEX card; the
// bus order never decides which card is written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "support/SysfsRig.h"
#include "sysfs/CardLock.h"

namespace kovex::testing {
namespace {

using Lines = std::vector<std::string>;

const std::string kFirst = "0000:03:00.0";
const std::string kSecond = "0000:04:00.0";

FakeDevice Card(const std::string& name, std::uint16_t subVendor, std::uint16_t subDevice) {
    FakeDevice card = Kovex(name);
    card.subsystemVendor = subVendor;
    card.subsystemDevice = subDevice;
    return card;
}

std::uint8_t ChipSelect(const SysfsRig& s, const std::string& card) {
    return s.sysfs.Resource(card, 0).at(0x3C);
}

TEST(CardChooser, SeveralBridgesAskWhichOneToOpen) {
    struct Case {
        const char* name;
        std::optional<std::size_t> answer;  // nothing: Cancel
        OpenResult result;
        std::string opened;  // empty: none
    };
    const Case cases[] = {
        {"Cancel", std::nullopt, OpenResult::Cancelled, ""},
        {"OK on the second", 1, OpenResult::Opened, kSecond},
        {"OK on the first, held by another program", 0, OpenResult::InUse, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SysfsRig s({Card(kFirst, 0x10B5, 0x2544), Card(kSecond, 0x1234, 0x0001)});
        // This process holds the first card through a file of its own.
        PosixSystem system;
        const CardLockAttempt held =
            CardLock::Take(system, s.sysfs.File(kFirst, "resource0"), kFirst);
        ASSERT_TRUE(held.lock.has_value());
        const std::string holder =
            std::filesystem::read_symlink("/proc/self/exe").filename().string() + " (pid " +
            std::to_string(getpid()) + ")";
        s.rig.window.cardAnswers.push_back(c.answer);

        EXPECT_EQ(s.Open(), c.result);
        ASSERT_EQ(s.rig.window.cardChoosers.size(), 1u);
        const std::vector<CardChoice>& rows = s.rig.window.cardChoosers[0];
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].address, kFirst);
        EXPECT_EQ(rows[0].subsystem, "10b5:2544");
        EXPECT_EQ(rows[0].heldBy, holder);
        EXPECT_EQ(rows[1].address, kSecond);
        EXPECT_EQ(rows[1].subsystem, "1234:0001");
        EXPECT_EQ(rows[1].heldBy, "");
        // The scan's lines as ever; the open status only once a card was chosen.
        Lines log{"9030 - 10B5        [b:3 s:0 f:0 ]", "9030 - 10B5        [b:4 s:0 f:0 ]"};
        if (c.answer) log.push_back(c.opened.empty() ? kFailedLine : kOpenLine);
        EXPECT_EQ(Lines(s.rig.window.log.begin(), s.rig.window.log.begin() + log.size()), log);

        EXPECT_EQ(s.rig.port.IsOpen(), !c.opened.empty());
        EXPECT_EQ(s.rig.window.IsEnabled(Control::Button1), c.opened.empty());
        EXPECT_EQ(s.rig.window.openedCard, c.opened);
        EXPECT_EQ(ChipSelect(s, kFirst), 0x00);
        EXPECT_EQ(ChipSelect(s, kSecond), c.opened == kSecond ? 0x41 : 0x00);
    }
}

TEST(CardChooser, OneBridgeOpensWithoutAsking) {
    SysfsRig s({Card(kCard, 0x10B5, 0x2544)});
    s.sysfs.AddDevice("0000:00:03.0", "10ec", "8139", {{0, 256}});
    EXPECT_EQ(s.Open(), OpenResult::Opened);
    EXPECT_TRUE(s.rig.window.cardChoosers.empty());
    EXPECT_EQ(s.rig.window.openedCard, kCard);
}

}  // namespace
}  // namespace kovex::testing
