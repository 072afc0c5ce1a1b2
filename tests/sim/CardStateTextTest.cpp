// The simulated card's state file: everything read back as it was written,
// a text that is not whole leaves the card untouched, and time away from the
// host moves the card on.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "sim/CardStateText.h"

namespace kovex::testing {
namespace {

using namespace std::chrono_literals;

// A card with every field of its state away from a new card's.
void ChangeEveryField(SimulatedCard& card) {
    card.SetMode(MODE_BOOT);
    CardState& state = card.State();
    state.versionText = "KOVEX FW crc32=1234ABCD";
    state.flash = {{0x2000, 0x01}, {0x2001, 0xFF}, {0x9000, 0x00}};
    state.firmwareChanged = true;
    const std::array<std::uint8_t, 3> nodes{10, 12, 254};
    state.SetPollList(nodes);
    state.nodeStatus[12] = 7;
    state.ethPollPointer = 2;
    state.ethPollNode = 254;
    card.SetPacketCounters(200, 3);
    card.Network().SetChatterCount(41);
    card.QueueHostMessage({0x0A, 0x00, 0x07, 0x00});
    card.QueueHostMessage({});
    SimDisplay::Memory display;
    display.pages[7][255] = 0x80;
    display.saved[3][0][0] = 0x55;
    display.saved[254][1][9] = 0xFF;
    display.cursor = {12, 30};
    display.font = DisplayFont::Large10x14;
    display.text = "Hi\xE9";
    card.Display().Restore(display);
}

TEST(CardStateText, EveryFieldIsReadBackAsItWasWritten) {
    VirtualClock clock;
    SimulatedCard written(clock);
    ChangeEveryField(written);
    const std::string text = CardStateText(written, 1234ms);

    SimulatedCard read(clock);
    const CardStateRead result = ReadCardState(read, text);
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.savedAt, Nanos{1234ms});
    EXPECT_EQ(CardStateText(read, 1234ms), text);
    EXPECT_EQ(read.State().mode, MODE_BOOT);
    EXPECT_EQ(read.State().flash, written.State().flash);
    EXPECT_EQ(read.State().nodeStatus, written.State().nodeStatus);
    EXPECT_EQ(read.HostMessages(), written.HostMessages());
    EXPECT_EQ(read.PacketCounters(), (std::pair<std::uint8_t, std::uint8_t>{200, 3}));
    EXPECT_EQ(read.Display().Remembered().saved, written.Display().Remembered().saved);
    EXPECT_EQ(read.Display().Text(), "Hi\xE9");
}

TEST(CardStateText, ATextNotWholeLeavesTheCardAsItWas) {
    VirtualClock clock;
    SimulatedCard source(clock);
    const std::string good = CardStateText(source, 0ns);
    const std::vector<std::string> broken{
        "",
        "hello\n",
        good + "mode 100\n",
        good + "poll-list 0A0C\n",
        good + "display-page 8 00\n",
        good + "display-font 2\n",
        good + "message 0A0\n",
        good + "node-status 256 1\n",
        good + "display-cursor -1 0\n",
        good + "what 1\n",
    };
    for (const std::string& text : broken) {
        SimulatedCard card(clock);
        ChangeEveryField(card);
        const std::string before = CardStateText(card, 0ns);
        EXPECT_NE(ReadCardState(card, text).error, "")
            << text.substr(text.size() > 20 ? text.size() - 20 : 0);
        EXPECT_EQ(CardStateText(card, 0ns), before);
    }
    EXPECT_FALSE(IsCardStateText("KOVEX simulated card state 10\n"));
    EXPECT_TRUE(IsCardStateText(good));
}

TEST(CardStateText, TimeAwayMovesARunningCardOn) {
    VirtualClock clock;
    SimulatedCard card(clock);
    card.SetPollPeriod(250ms);
    card.SetNodeChatter(6s);
    card.RanAlone(13s);
    EXPECT_EQ(card.PacketCounters(), (std::pair<std::uint8_t, std::uint8_t>{52, 52}));
    EXPECT_EQ(card.HostMessagesWaiting(), 2U);

    SimulatedCard booted(clock);
    booted.SetMode(MODE_BOOT);
    booted.SetPollPeriod(250ms);
    booted.RanAlone(13s);
    EXPECT_EQ(booted.PacketCounters(), (std::pair<std::uint8_t, std::uint8_t>{0, 0}));
}

}  // namespace
}  // namespace kovex::testing
