// The simulated card's firmware life: restart chatter, erase, acknowledged
// lines and the version text of what was programmed.
#include <gtest/gtest.h>

#include "link/CommandFrames.h"
#include "sim/CardCommands.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes LineFrame(const std::string& record) {
    const Bytes text(record.begin(), record.end());
    return BuildProgramLine(text).frame;
}

class SimulatedCardFirmwareTest : public ::testing::Test {
protected:
    void SetUp() override { rig.Open(); }
    Bytes Waiting() {
        Bytes bytes;
        while (rig.port.ByteWaiting())
            bytes.push_back(rig.port.ReadData());
        return bytes;
    }
    CardRig rig;
};

TEST_F(SimulatedCardFirmwareTest, AResetChattersOnceAfterItsRestartThenIsSilent) {
    rig.card.State().startupChatter = {'K', 'O', 'V', 'E', 'X', '\r', '\n'};
    rig.card.Timing().restartTime = 30ms;
    rig.port.SendFrame(FRAME_RESET);
    rig.clock.Advance(29ms);
    EXPECT_EQ(Waiting(), Bytes{});
    rig.clock.Advance(1ms);
    EXPECT_EQ(Waiting(), (Bytes{'K', 'O', 'V', 'E', 'X', '\r', '\n'}));
    rig.clock.Advance(5s);
    EXPECT_EQ(Waiting(), Bytes{});
    rig.port.SendFrame(FRAME_GET_MODE);
    EXPECT_EQ(Waiting(), Bytes{MODE_RUN});
}

TEST_F(SimulatedCardFirmwareTest, LinesAreAcknowledgedLateAndTheNextResetNamesTheFlash) {
    const std::string record = ":10200000000102030405060708090A0B0C0D0E0F00";
    rig.card.State().versionText = "KOVEX 2.14 sim";
    rig.card.Timing().eraseTime = 50ms;
    rig.card.Timing().lineAckDelay = 7ms;
    rig.card.State().lineAck = 0xFF;
    rig.port.SendFrame(FRAME_RESET);  // before an erase: the old firmware again
    rig.port.SendFrame(FRAME_GET_VERSION);
    EXPECT_EQ(rig.port.ReadCountedText(rig.state.VersionReply).text, "KOVEX 2.14 sim");

    rig.port.SendFrame(FRAME_ERASE);
    rig.clock.Advance(50ms);
    EXPECT_EQ(Waiting(), Bytes{0x06});
    rig.port.SendFrame(LineFrame(record));
    rig.clock.Advance(6ms);
    EXPECT_EQ(Waiting(), Bytes{});
    rig.clock.Advance(1ms);
    EXPECT_EQ(Waiting(), Bytes{0xFF});
    rig.port.SendFrame(LineFrame(":1020100000" + std::string(30, 'G') + "00"));  // malformed
    rig.clock.Advance(10ms);
    EXPECT_EQ(Waiting(), Bytes{});
    EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 1);

    std::map<std::uint32_t, std::uint8_t> flash;
    for (std::uint32_t k = 0; k < 16; ++k)
        flash[0x2000 + k] = static_cast<std::uint8_t>(k);
    EXPECT_EQ(rig.card.State().flash, flash);
    rig.port.SendFrame(FRAME_RESET);
    rig.port.SendFrame(FRAME_GET_VERSION);
    // CRC-32 of the bytes 00 01 ... 0F.
    EXPECT_EQ(rig.port.ReadCountedText(rig.state.VersionReply).text, "KOVEX FW crc32=CECEE288");
    EXPECT_EQ(FirmwareVersionText(flash), "KOVEX FW crc32=CECEE288");
}

}  // namespace
}  // namespace kovex::testing
