// The simulated card's poll list: node statuses from its network, and the
// poll pointer that walks the list in run mode.
#include <gtest/gtest.h>

#include "link/CardRegisters.h"
#include "link/CommandFrames.h"
#include "sim/CardCommands.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct NoAnswer final : SimDevice {
    void Receive(const ReceivedNodeMessage& /*message*/, HostOutbox& /*host*/) override {}
};

class SimPollListTest : public ::testing::Test {
protected:
    void SetUp() override { rig.Open(); }
    void TearDown() override { EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0); }
    std::uint8_t Ask(std::span<const std::uint8_t> frame) {
        rig.port.SendFrame(frame);
        return rig.port.ReadReplyByte();
    }
    std::uint8_t Status(std::uint8_t node) { return Ask(BuildGetNodeStatus(node).frame); }
    std::uint8_t PollNode() { return Ask(FRAME_GET_ETH_POLL_NODE); }
    CardRig rig;
    NoAnswer device;
};

TEST_F(SimPollListTest, NodesOfTheNetworkAnswerAndOthersGiveZero) {
    rig.card.Network().Attach(10, 3, device);
    rig.card.Network().Attach(40, 0, device);
    rig.card.State().nodeStatus[41] = 7;
    rig.card.State().nodeStatus[40] = 0;  // a set status wins over the network
    struct Case {
        std::uint8_t node;
        std::uint8_t status;
    };
    const Case cases[] = {{10, NODE_ANSWERING}, {9, 0}, {11, 0}, {40, 0}, {41, 7}, {12, 0}, {0, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(Status(c.node), c.status) << int{c.node};
    rig.card.SetNodeChatter(1s);  // node 12 talks, so it is on the network
    EXPECT_EQ(Status(12), NODE_ANSWERING);
    // Node 10 answers while any of its devices is on the network.
    for (const std::uint8_t device : {0, 3, 4, 5, 7, 18, 30, 31, 32, 33})
        rig.card.Network().Detach(10, device);
    EXPECT_EQ(Status(10), NODE_ANSWERING);  // the display is still there
    rig.card.Network().Detach(10, 34);
    EXPECT_EQ(Status(10), 0);
}

TEST_F(SimPollListTest, ThePollNodeWalksTheListInRunModeAndWraps) {
    const Bytes list{10, 20, 35};
    rig.card.State().SetPollList(list);
    rig.card.SetPollPeriod(100ms);
    struct Step {
        Nanos advance;
        std::uint8_t pointer;
        std::uint8_t node;
    };
    const Step steps[] = {{100ms, 1, 20}, {100ms, 2, 35}, {100ms, 0, 10},
                          {50ms, 0, 10},  {50ms, 1, 20},  {1s, 2, 35}};
    for (const Step& step : steps) {
        rig.clock.Advance(step.advance);
        EXPECT_EQ(PollNode(), step.node);
        EXPECT_EQ(rig.card.EthPollPointer(), step.pointer);
    }
}

TEST_F(SimPollListTest, TheWalkFollowsAShorterListStopsInBootModeAndNamesNoNodeWhenEmpty) {
    rig.card.State().SetPollList(Bytes{10, 20, 35});
    rig.card.SetPollPeriod(100ms);
    rig.clock.Advance(200ms);
    EXPECT_EQ(PollNode(), 35);
    rig.card.State().pollList[1] = 0;  // the list is now only node 10
    rig.clock.Advance(100ms);
    EXPECT_EQ(PollNode(), 10);
    rig.card.State().SetPollList(Bytes{10, 20});
    rig.card.SetMode(MODE_BOOT);
    rig.clock.Advance(1s);
    EXPECT_EQ(PollNode(), 10) << "boot mode polls nothing";
    rig.card.SetMode(MODE_RUN);
    rig.card.State().SetPollList(Bytes{});
    rig.clock.Advance(100ms);
    EXPECT_EQ(PollNode(), 0);
    EXPECT_EQ(rig.card.EthPollPointer(), 0);
}

TEST_F(SimPollListTest, SetFramesChangeTheListAndAFullListHasNoEnd) {
    for (unsigned i = 0; i < 3; ++i) {
        const auto index = static_cast<std::uint8_t>(i);
        EXPECT_EQ(Ask(BuildSetPollItem(index, static_cast<std::uint8_t>(50 + i)).frame), 0x00);
    }
    EXPECT_EQ(rig.card.State().pollList[2], 52);
    Bytes full(256, 7);
    full[255] = 9;
    rig.card.State().SetPollList(full);
    rig.card.SetPollPeriod(1ms);
    rig.clock.Advance(255ms);
    EXPECT_EQ(PollNode(), 9);
    EXPECT_EQ(rig.card.EthPollPointer(), 255);
}

}  // namespace
}  // namespace kovex::testing
