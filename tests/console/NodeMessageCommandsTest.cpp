#include "console/NodeMessageCommands.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "console/NodeMessage.h"
#include "link/CardExchange.h"
#include "sim/Node10Devices.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

using Lines = std::vector<std::string>;

class NodeMessageCommandsTest : public ::testing::Test {
protected:
    void SetUp() override { rig.Open(); }
    void TearDown() override {
        EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0);
        EXPECT_FALSE(rig.port.Taken());
    }
    CardRig rig;
    NodeMessageSender sender{rig.port, rig.window};
    NodeMessageCommands commands{sender, rig.window};
};

const std::string kPrompt =
    "Command to send: Node Device Command Params\x0A\x0D"
    "For example 10 0 7 to get ZARL FW version from node 10\x0A\x0D";

TEST_F(NodeMessageCommandsTest, TestShowsEachBoxThenSendsItsLine) {
    const Lines boxes{"Relay 1 = 1", "Relay 1 = 0", "Relay 2 = 1", "Relay 2 = 0", "Out 1 = 1",
                      "Out 1 = 0",   "Out 2 = 1",   "Out 2 = 0",   "Out 3 = 1",   "Out 3 = 0",
                      "Out 4 = 1",   "Out 4 = 0",   "Set Timer",   "Message 1",   "Message 2",
                      "Get FW Ver",  "Send Serial"};
    const Lines lines{"10 3 2 1",
                      "10 3 2 0",
                      "10 4 2 1",
                      "10 4 2 0",
                      "10 30 2 1",
                      "10 30 2 0",
                      "10 31 2 1",
                      "10 31 2 0",
                      "10 32 2 1",
                      "10 32 2 0",
                      "10 33 2 1",
                      "10 33 2 0",
                      "10 5 2 0 0 0 3 0",
                      "10 7 10 0",
                      "10 7 10 1",
                      "10 0 7",
                      "10 18 3 48 49 50 51 52 53 54 10 13 0"};
    std::vector<std::size_t> sentBeforeBox;
    rig.window.onMessage = [&](std::string_view) {
        sentBeforeBox.push_back(rig.card.Network().Received().size());
    };
    commands.Button14Click();

    EXPECT_EQ(rig.window.messages, boxes);
    Lines sent;
    for (const auto& line : lines)
        sent.push_back(BuildNodeMessage(line).line);
    EXPECT_EQ(rig.window.log, sent);
    ASSERT_EQ(rig.card.Network().Received().size(), 17u);
    for (std::size_t i = 0; i < sentBeforeBox.size(); ++i)
        EXPECT_EQ(sentBeforeBox[i], i) << boxes[i];
    // Node 10 ends with everything off, its timer set and its version waiting.
    EXPECT_FALSE(rig.card.Node10().RelayOn(1));
    EXPECT_EQ(rig.card.Node10().TimerSetting(), (std::vector<std::uint8_t>{0, 0, 0, 3, 0}));
    EXPECT_EQ(rig.card.Node10().SerialSent(), "0123456\n\r");
    EXPECT_EQ(rig.card.HostMessagesWaiting(), 1u);
}

TEST_F(NodeMessageCommandsTest, TestEndsWhenTheCardStopsTakingBytes) {
    rig.card.Faults().stuckTxBusy = true;
    commands.Button14Click();
    EXPECT_EQ(rig.window.messages, Lines{"Relay 1 = 1"});
    EXPECT_EQ(rig.window.log, Lines{CardSilentLine(rig.port)});
}

TEST_F(NodeMessageCommandsTest, TestStopsAtTheFirstMessageRefusedForABusyPort) {
    std::unique_ptr<std::optional<CardPort::Lease>> lease;
    rig.window.onMessage = [&](std::string_view text) {
        if (text == "Relay 1 = 1") {
            lease = std::make_unique<std::optional<CardPort::Lease>>(rig.port.TryTake());
        }
    };
    commands.Button14Click();
    EXPECT_EQ(rig.window.messages, Lines{"Relay 1 = 1"});
    EXPECT_EQ(rig.window.log, Lines{std::string(PORT_TAKEN_LINE)});
    EXPECT_TRUE(rig.card.Network().Received().empty());
}

TEST_F(NodeMessageCommandsTest, TestStartedWhileThePortIsTakenShowsNoBox) {
    const std::optional<CardPort::Lease> lease = rig.port.TryTake();
    commands.Button14Click();
    EXPECT_TRUE(rig.window.messages.empty());
    EXPECT_EQ(rig.window.log, Lines{std::string(PORT_TAKEN_LINE)});
    EXPECT_TRUE(rig.card.Mailbox().HostBytes().empty());
}

TEST_F(NodeMessageCommandsTest, SendMsgLogsThePromptAsksAndSends) {
    rig.window.inputAnswers = {"10 0 7"};
    commands.Button10Click();
    ASSERT_EQ(rig.window.inputBoxes.size(), 1u);
    const auto& box = rig.window.inputBoxes[0];
    EXPECT_EQ(box.caption, "Poll List");
    EXPECT_EQ(box.prompt, kPrompt);
    EXPECT_EQ(box.defaultText, "0");
    EXPECT_EQ(box.maxLength, 255);
    EXPECT_TRUE(box.earlier.empty());
    EXPECT_EQ(rig.window.log, (Lines{kPrompt, BuildNodeMessage("10 0 7").line}));
    EXPECT_EQ(rig.card.Network().Received(), (std::vector<ReceivedNodeMessage>{{1, 10, 0, 7, {}}}));
}

TEST_F(NodeMessageCommandsTest, SendMsgCancelledOrTooShortSendsNothing) {
    for (const std::string answer : {"", "12"}) {
        rig.window.inputAnswers = {answer};
        commands.Button10Click();
    }
    commands.Button10Click();  // Cancel: the default "0" comes back
    EXPECT_EQ(rig.window.log, Lines(3, kPrompt));
    EXPECT_TRUE(rig.card.Mailbox().HostBytes().empty());
    EXPECT_TRUE(commands.EarlierLines().empty());
}

TEST_F(NodeMessageCommandsTest, SendMsgOffersEarlierLinesNewestFirstEachOnce) {
    // The refused line and the cancel are not offered again.
    // A pasted line is offered single spaced, so it is the same line.
    rig.window.inputAnswers = {"10 3 2 1", "10 0 7", "10 255 7", " 10\t3 2\r\n1"};
    for (int i = 0; i < 5; ++i)
        commands.Button10Click();
    ASSERT_EQ(rig.window.inputBoxes.size(), 5u);
    const std::vector<Lines> offered{
        {}, {"10 3 2 1"}, {"10 0 7", "10 3 2 1"}, {"10 0 7", "10 3 2 1"}, {"10 3 2 1", "10 0 7"}};
    for (std::size_t i = 0; i < offered.size(); ++i) {
        EXPECT_EQ(rig.window.inputBoxes[i].earlier, offered[i]) << i;
        EXPECT_EQ(rig.window.inputBoxes[i].defaultText, "0");
    }
}

TEST_F(NodeMessageCommandsTest, SendMsgVersionComesBackWithGetMessage) {
    rig.card.Node10().SetFirmwareVersion("12");
    rig.window.inputAnswers = {"10 0 7"};
    commands.Button10Click();
    EXPECT_EQ(rig.card.HostMessagesWaiting(), 1u);
    EXPECT_EQ(rig.port.ReadStatus() & 0x08, 0);  // NO_MESSAGE clear
}

}  // namespace
}  // namespace kovex::testing
