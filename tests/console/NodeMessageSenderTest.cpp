#include "console/NodeMessageSender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "console/NodeMessage.h"
#include "console/StatusCommands.h"
#include "link/CardExchange.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

class NodeMessageSenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        rig.Open();
        rig.card.Timing().txBusyHold = 50us;
    }
    void TearDown() override {
        EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0);
        EXPECT_EQ(rig.card.Mailbox().WritesWhileBusy(), 0);
        EXPECT_FALSE(rig.port.Taken());
    }
    static Lines SentLines(const std::vector<std::string>& texts) {
        Lines lines;
        for (const auto& text : texts)
            lines.push_back(BuildNodeMessage(text).line);
        return lines;
    }
    CardRig rig;
    NodeMessageSender sender{rig.port, rig.window};
};

TEST_F(NodeMessageSenderTest, TheNetworkDecodesExactlyTheLinesSent) {
    const std::vector<std::string> texts{"10 0 7", "0 5 2 1", "10 18 3 48 49 50 10 13 0",
                                         "  12   3 7  ", "10 34 16 0 0 64"};
    const std::vector<ReceivedNodeMessage> decoded{{1, 10, 0, 7, {}},
                                                   {0, 0, 5, 2, {1}},
                                                   {1, 10, 18, 3, {48, 49, 50, 10, 13, 0}},
                                                   {1, 12, 3, 7, {}},
                                                   {1, 10, 34, 16, {0, 0, 64}}};
    for (const auto& text : texts)
        EXPECT_TRUE(sender.SendString(text)) << text;
    EXPECT_EQ(rig.card.Network().Received(), decoded);
    EXPECT_EQ(rig.window.log, SentLines(texts));
}

TEST_F(NodeMessageSenderTest, NoDrainBeforeAndNoReplyReadAfter) {
    rig.card.Mailbox().InjectReplyBytes({0x55});
    ASSERT_TRUE(sender.SendString("10 3 2 1"));
    EXPECT_EQ(rig.port.ReadData(), 0x55);  // the stale byte is still waiting
    EXPECT_EQ(rig.card.Mailbox().ReadsWhileEmpty(), 0);
}

TEST_F(NodeMessageSenderTest, RefusedAndShortLinesPutNothingOnTheWire) {
    struct Case {
        std::string text;
        std::size_t lines;
    };
    const std::vector<Case> cases{{"1 2", 1}, {"100", 1}, {"10 255 7", 1}, {"12", 0}, {"", 0}};
    for (const Case& c : cases) {
        rig.window.log.clear();
        EXPECT_FALSE(sender.SendString(c.text)) << c.text;
        EXPECT_EQ(rig.window.log.size(), c.lines) << c.text;
    }
    EXPECT_TRUE(rig.card.Mailbox().HostBytes().empty());
}

TEST_F(NodeMessageSenderTest, ABusyPortRefusesTheMessageAndSendsNothing) {
    auto lease = rig.port.TryTake();
    ASSERT_TRUE(lease);
    EXPECT_FALSE(sender.SendString("10 0 7"));
    EXPECT_EQ(sender.SendAlone("10 0 7").outcome.ending, Ending::InUse);
    EXPECT_FALSE(sender.SendAsOneExchange([] { ADD_FAILURE() << "ran while busy"; }, {}));
    EXPECT_EQ(rig.window.log, Lines(3, std::string(PORT_TAKEN_LINE)));
    EXPECT_TRUE(rig.card.Mailbox().HostBytes().empty());
}

TEST_F(NodeMessageSenderTest, AStuckCardEndsTheMessageWithOneLineAndFreesThePort) {
    rig.card.Faults().stuckTxBusy = true;
    EXPECT_EQ(sender.SendAlone("10 0 7").outcome.ending, Ending::Silent);
    EXPECT_EQ(rig.window.log, Lines{CardSilentLine(rig.port)});
}

TEST_F(NodeMessageSenderTest, ALateCardIsWaitedForWhileANestedWindowIsOpen) {
    rig.card.Timing().txBusyHold = 5s;
    // A nested handler keeps a window open for part of the busy time.
    rig.At(1ms, [this] { rig.clock.Advance(3s); });
    EXPECT_TRUE(sender.SendString("10 0 7"));
    EXPECT_EQ(rig.card.Network().Received().size(), 1u);
    EXPECT_EQ(rig.window.log, SentLines({"10 0 7"}));
}

TEST(NodeMessageSenderBeforeOpen, SaysNoCardIsOpen) {
    CardRig rig;
    NodeMessageSender sender{rig.port, rig.window};
    EXPECT_EQ(sender.SendAlone("10 0 7").outcome.ending, Ending::NoCard);
    EXPECT_EQ(rig.window.log, Lines{std::string(NO_CARD_OPEN_LINE)});
    EXPECT_EQ(rig.card.Mailbox().StatusReads(), 0);
}

// A picture upload: 32 messages, one exchange; nested clicks while it writes
// are refused and never cut into a frame.
TEST_F(NodeMessageSenderTest, OneExchangeHoldsThePortForAllItsMessages) {
    rig.card.Timing().txBusyHold = 1ms;
    StatusCommands status{rig.port, rig.window};
    int nested = 0;
    for (const Nanos at : {2ms, 100ms, 400ms}) {
        rig.At(at, [&] {
            ++nested;
            status.Button12Click();
            sender.SendString("10 3 2 1");
        });
    }
    std::vector<std::string> texts;
    texts.reserve(32);
    for (int i = 0; i < 32; ++i)
        texts.push_back("10 34 16 " + std::to_string(i) + " 0 2 0 0");
    const Outcome sent = sender.SendAsOneExchange(
        [&] {
            for (const auto& text : texts)
                EXPECT_TRUE(sender.SendString(text));
        },
        {});
    EXPECT_TRUE(sent);
    EXPECT_EQ(nested, 3);
    ASSERT_EQ(rig.card.Network().Received().size(), 32u);
    EXPECT_EQ(rig.card.Mailbox().FramesReceived().size(), 32u);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(rig.card.Network().Received()[static_cast<std::size_t>(i)].parameters[0], i);
    Lines log = rig.window.log;
    EXPECT_EQ(std::count(log.begin(), log.end(), std::string(PORT_TAKEN_LINE)), 6);
    log.erase(std::remove(log.begin(), log.end(), std::string(PORT_TAKEN_LINE)), log.end());
    EXPECT_EQ(log, SentLines(texts));
}

TEST_F(NodeMessageSenderTest, ACardThatStopsMidExchangeEndsItWithOneLine) {
    int sentCount = 0;
    const Outcome sent = sender.SendAsOneExchange(
        [&] {
            for (int i = 0; i < 32; ++i) {
                if (i == 3) rig.card.Faults().stuckTxBusy = true;
                sender.SendString("10 34 16 0 0 0");
                ++sentCount;
            }
        },
        {"while testing", "part of the messages"});
    EXPECT_EQ(sent.ending, Ending::Silent);
    EXPECT_EQ(sent.left, "while testing: part of the messages");
    EXPECT_EQ(sentCount, 3);
    EXPECT_EQ(rig.window.log,
              (Lines{rig.window.log[0], rig.window.log[1], rig.window.log[2],
                     CardSilentLine(rig.port), "Stopped while testing: part of the messages"}));
}

}  // namespace
}  // namespace kovex::testing
