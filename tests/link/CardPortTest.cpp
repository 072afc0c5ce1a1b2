#include <gtest/gtest.h>

#include <tuple>

#include "link/CardExchange.h"
#include "link/CardRegisters.h"
#include "link/ClickQueue.h"
#include "link/CommandFrames.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

class CardPortTest : public ::testing::Test {
protected:
    void SetUp() override { rig.Open(); }
    CardRig rig;
};

TEST_F(CardPortTest, SendFrameWritesUpToTheFirstEndByteEachWhenTheCardCanTakeIt) {
    struct Case {
        const char* name;
        Bytes given;
        Bytes onTheWire;
    };
    const Case cases[] = {
        {"version request",
         {0x00, 0x5A, 0xF0, 0x08, 0x00, 0xFF},
         {0x00, 0x5A, 0xF0, 0x08, 0x00, 0xFF}},
        {"third payload byte is FF",
         {0x00, 0x5A, 0xF0, 0x0F, 0x04, 0x01, 0x02, 0xFF, 0x09, 0xFF},
         {0x00, 0x5A, 0xF0, 0x0F, 0x04, 0x01, 0x02, 0xFF}},
    };
    rig.card.Timing().txBusyHold = 3ms;
    for (const Case& c : cases) {
        const std::size_t before = rig.card.Mailbox().HostBytes().size();
        rig.port.SendFrame(c.given);
        const Bytes& all = rig.card.Mailbox().HostBytes();
        EXPECT_EQ(Bytes(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()), c.onTheWire)
            << c.name;
        rig.clock.Advance(10ms);
    }
    EXPECT_EQ(rig.card.Mailbox().WritesWhileBusy(), 0);
}

TEST_F(CardPortTest, SendFrameRefusesBytesWithoutAnEndByte) {
    const Bytes noEnd{0x00, 0x5A, 0xF0, 0x08, 0x00};
    EXPECT_THROW(rig.port.SendFrame(noEnd), std::logic_error);
    EXPECT_TRUE(rig.card.Mailbox().HostBytes().empty());
}

TEST_F(CardPortTest, ReadCountedTextTakesTheCountThenThatManyBytesAsCharacters) {
    struct Case {
        const char* name;
        Bytes reply;
        std::string text;
    };
    Bytes longest{255};
    for (int i = 0; i < 255; ++i)
        longest.push_back(static_cast<std::uint8_t>('A' + i % 26));
    const Case cases[] = {
        {"empty", {0}, ""},
        {"zero byte inside",
         {4, 'v', 0, '1', 0xE9},
         std::string("v\0"
                     "1\xE9",
                     4)},
        {"255 bytes", longest, std::string(longest.begin() + 1, longest.end())},
    };
    for (const Case& c : cases) {
        std::array<std::uint8_t, 512> buffer;
        buffer.fill(0xAA);
        Bytes withNext = c.reply;
        withNext.push_back(0x77);  // the next reply's byte must stay waiting
        rig.card.Mailbox().InjectReplyBytes(withNext);
        const auto result = rig.port.ReadCountedText(buffer);
        EXPECT_EQ(result.count, c.reply[0]) << c.name;
        EXPECT_EQ(result.text, c.text) << c.name;
        EXPECT_TRUE(
            std::equal(c.text.begin(), c.text.end(), buffer.begin(),
                       [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
            << c.name;
        EXPECT_EQ(buffer[c.text.size()], 0xAA) << c.name << ": positions after the text untouched";
        EXPECT_EQ(rig.port.ReadReplyByte(), 0x77) << c.name;
    }
}

TEST_F(CardPortTest, DrainRepliesReadsExactlyWhatIsWaitingWithoutWaiting) {
    rig.port.DrainReplies();
    EXPECT_EQ(rig.pumps, 0);
    EXPECT_EQ(rig.card.Mailbox().ReadsWhileEmpty(), 0);

    rig.card.Mailbox().InjectReplyBytes({1, 2, 3});
    rig.card.Timing().replyDelay = 5ms;
    rig.port.SendFrame(FRAME_GET_POLL_SPEED);  // its reply comes 5 ms later
    rig.port.DrainReplies();
    EXPECT_EQ(rig.card.Mailbox().ReadsWhileEmpty(), 0);
    rig.clock.Advance(5ms);
    EXPECT_TRUE(rig.port.ByteWaiting()) << "a reply that came after the drain stays waiting";
}

TEST_F(CardPortTest, WaitForReplyWithAByteWaitingReturnsAtOnce) {
    rig.card.Mailbox().InjectReplyBytes({0x42});
    rig.port.WaitForReply(20);
    EXPECT_EQ(rig.state.TickCountdown, 20);
    EXPECT_EQ(rig.pumps, 0);
    EXPECT_EQ(rig.port.ReadData(), 0x42);
}

TEST_F(CardPortTest, WaitForReplyEndsWithTheCountdownAtZeroWhenNothingComes) {
    rig.port.WaitForReply(20);
    EXPECT_EQ(rig.state.TickCountdown, 0);
    EXPECT_EQ(rig.timer1Ticks, 20);
}

TEST_F(CardPortTest, WaitTicksPumpsAndEndsOnTheNthTick) {
    rig.clock.Advance(50ms);  // halfway to the next tick
    rig.port.WaitTicks(2);
    EXPECT_GE(rig.pumps, 1);
    EXPECT_EQ(rig.timer1Ticks, 2);
    EXPECT_EQ(rig.state.TickCountdown, 0);
    // The tick is seen at the next pump, a few milliseconds at most after it.
    EXPECT_LE(rig.clock.Now(), 200ms + WaitPacing{}.pumpEvery + WaitPacing{}.longestSleep);
}

TEST_F(CardPortTest, WaitsGiveUpOnASilentCardAfterTheLimit) {
    struct Case {
        const char* name;
        std::function<void(CardRig&)> fault;
        std::function<void(CardPort&)> wait;
    };
    const Case cases[] = {
        {"no reply byte", [](CardRig& r) { r.card.Faults().silent = true; },
         [](CardPort& p) { p.ReadReplyByte(); }},
        {"no counted text", [](CardRig& r) { r.card.Faults().silent = true; },
         [](CardPort& p) { p.ReadCountedText(p.State().VersionReply); }},
        {"TX_BUSY stuck", [](CardRig& r) { r.card.Faults().stuckTxBusy = true; },
         [](CardPort& p) { p.SendFrame(FRAME_GET_VERSION); }},
    };
    for (const Case& c : cases) {
        CardRig rig;
        rig.Open();
        c.fault(rig);
        const Nanos start = rig.clock.Now();
        EXPECT_THROW(c.wait(rig.port), CardNotAnswering) << c.name;
        const Nanos waited = rig.clock.Now() - start;
        EXPECT_GE(waited, CardPort::GIVE_UP_AFTER) << c.name;
        EXPECT_LT(waited, CardPort::GIVE_UP_AFTER + 1ms) << c.name;
    }
}

TEST_F(CardPortTest, ACardThatAnswersJustInsideTheLimitIsServed) {
    rig.card.Timing().replyDelay = CardPort::GIVE_UP_AFTER - 2ms;
    rig.card.State().pollSpeed = 17;
    rig.port.SendFrame(FRAME_GET_POLL_SPEED);
    EXPECT_EQ(rig.port.ReadReplyByte(), 17);
}

TEST_F(CardPortTest, AWaitNoticesAByteWithinAMillisecondAndSleepsMeanwhile) {
    rig.card.Timing().replyDelay = 2s;
    rig.port.SendFrame(FRAME_GET_POLL_SPEED);
    const Nanos replyAt = rig.clock.Now() + 2s;
    rig.port.ReadReplyByte();
    EXPECT_LT(rig.clock.Now() - replyAt, 1ms);
    // Sleeps of most of a millisecond, not a busy spin.
    EXPECT_LT(rig.pumps, 4200);
}

TEST_F(CardPortTest, ClosingTheWindowEndsAWaitAtOnce) {
    rig.card.Faults().silent = true;
    Nanos closedAt{0};
    rig.At(300ms, [this, &closedAt] {
        closedAt = rig.clock.Now();
        rig.state.Closing = true;
    });
    EXPECT_THROW(rig.port.ReadReplyByte(), WindowClosing);
    EXPECT_GE(closedAt, 300ms);
    EXPECT_LT(rig.clock.Now() - closedAt, 1ms);
}

TEST(CardPortBeforeOpen, TouchesNoRegister) {
    CardRig rig;
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_THROW(rig.port.ReadStatus(), std::logic_error);
    EXPECT_THROW(rig.port.SendFrame(FRAME_GET_VERSION), std::logic_error);
    bool ran = false;
    EXPECT_FALSE(RunCardExchange(rig.port, rig.window, [&](CardPort&) { ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_EQ(rig.window.log, std::vector<std::string>{std::string(NO_CARD_OPEN_LINE)});
    EXPECT_EQ(rig.card.Mailbox().StatusReads(), 0);
}

TEST_F(CardPortTest, ExchangeIsRefusedWhileThePortIsTakenAndFreedAfterASilentCard) {
    rig.card.Faults().silent = true;
    bool nestedRan = false;
    rig.At(50ms,
           [&] { RunCardExchange(rig.port, rig.window, [&](CardPort&) { nestedRan = true; }); });
    EXPECT_FALSE(RunCardExchange(rig.port, rig.window, [](CardPort& port) {
        port.SendFrame(FRAME_GET_POLL_SPEED);
        port.ReadReplyByte();
    }));
    EXPECT_FALSE(nestedRan);
    EXPECT_EQ(rig.window.log,
              (std::vector<std::string>{std::string(PORT_TAKEN_LINE), CardSilentLine(rig.port)}));
    EXPECT_FALSE(rig.port.Taken());
    EXPECT_TRUE(RunCardExchange(rig.port, rig.window, [](CardPort&) {}));
}

TEST(ClickQueueTest, AClickDuringAGivingWayExchangeRunsRightAfterItWhateverTheCardDoes) {
    // silent, stuck busy, the frames received, whether the card's silence is logged
    const std::vector<std::tuple<bool, bool, std::size_t, bool>> cases{
        {false, false, 1, false}, {true, false, 1, true}, {false, true, 0, true}};
    for (const auto& [silent, stuck, frames, silenceLogged] : cases) {
        CardRig rig;
        rig.Open();
        rig.card.Faults().silent = silent;
        rig.card.Faults().stuckTxBusy = stuck;
        rig.card.Timing().replyDelay = 50ms;
        int clicks = 0;
        rig.At(10ms,
               [&] { ServeCardClick(rig.port, [&] { clicks += rig.port.Taken() ? 10 : 1; }); });
        EXPECT_FALSE(RunGivingWay(rig.port, rig.window, [](CardPort& port) {
            for (int i = 0; i < 2; ++i) {
                port.SendFrame(FRAME_GET_POLL_SPEED);
                port.ReadReplyByte();
            }
        }));
        EXPECT_EQ(clicks, 1);
        EXPECT_EQ(rig.window.log, silenceLogged ? std::vector<std::string>{CardSilentLine(rig.port)}
                                                : std::vector<std::string>{});
        EXPECT_EQ(rig.card.Mailbox().FramesReceived().size(), frames);
        EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0);
    }
}

}  // namespace
}  // namespace kovex::testing
