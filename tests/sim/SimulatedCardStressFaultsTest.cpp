// The simulated card's faults for stress tests of the card link: a stream
// that never ends, and a reply that becomes ready at a set moment.
#include <gtest/gtest.h>

#include "link/CardRegisters.h"
#include "link/CommandFrames.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

TEST(SimulatedCardStressFaults, AnEndlessStreamKeepsRxEmptyClearAndSendsZerosAfterItsReplies) {
    CardRig rig;
    rig.Open();
    rig.card.State().pollSpeed = 17;
    rig.card.Faults().endlessStream = true;
    EXPECT_EQ(rig.port.ReadStatus() & RX_EMPTY, 0);
    rig.port.SendFrame(FRAME_GET_POLL_SPEED);
    std::vector<std::uint8_t> read;
    for (int i = 0; i < 10000; ++i) {
        ASSERT_TRUE(rig.port.ByteWaiting()) << "after " << i << " bytes";
        read.push_back(rig.port.ReadData());
    }
    EXPECT_EQ(read.front(), 17) << "its reply comes first";
    EXPECT_TRUE(std::all_of(read.begin() + 1, read.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(rig.card.Mailbox().ReadsWhileEmpty(), 0) << "every read was allowed by the status";
    EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0);
}

TEST(SimulatedCardStressFaults, AReplyBecomesReadyAtItsSetMomentAndNotBefore) {
    struct Case {
        const char* name;
        Nanos replyDelay;
        Nanos notBefore;
        Nanos readyAfter;  // from the frame's end
    };
    const Case cases[] = {
        {"set moment later than the delay", 1ms, 700ms, 700ms},
        {"delay later than the set moment", 900ms, 700ms, 900ms},
        {"no set moment", 2ms, 0ns, 2ms},
    };
    for (const Case& c : cases) {
        CardRig rig;
        rig.Open();
        rig.card.State().pollSpeed = 17;
        rig.card.Timing().replyDelay = c.replyDelay;
        rig.card.Timing().repliesNotBefore = c.notBefore;
        rig.port.SendFrame(FRAME_GET_POLL_SPEED);  // at virtual time 0
        rig.clock.Advance(c.readyAfter - 1us);
        EXPECT_FALSE(rig.port.ByteWaiting()) << c.name;
        rig.clock.Advance(1us);
        ASSERT_TRUE(rig.port.ByteWaiting()) << c.name;
        EXPECT_EQ(rig.port.ReadData(), 17) << c.name;
    }
}

}  // namespace
}  // namespace kovex::testing
