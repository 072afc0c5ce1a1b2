#include "sim/SimNetwork.h"

#include <gtest/gtest.h>

#include <vector>

#include "sim/HostMessageQueue.h"

namespace kovex {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Records what reached it and, when told to, answers each message.
struct RecordingDevice final : SimDevice {
    void Receive(const ReceivedNodeMessage& message, HostOutbox& host) override {
        got.push_back(message);
        if (!answer.empty()) host.LeaveHostMessage(answer);
    }
    std::vector<ReceivedNodeMessage> got;
    Bytes answer;
};

struct NetworkRig {
    HostMessageQueue host;
    SimNetwork network{host};
};

TEST(SimNetwork, DecodesRecordsAndDispatchesByNodeAndDevice) {
    NetworkRig rig;
    RecordingDevice display;
    RecordingDevice other;
    rig.network.Attach(10, 34, display);
    rig.network.Attach(20, 5, display);  // one device at two addresses
    rig.network.Attach(10, 3, other);

    const std::vector<Bytes> payloads{
        {1, 10, 34, 16, 2, 0xAA, 0xBB}, {1, 20, 5, 1, 0}, {1, 10, 3, 2, 1, 1}, {1, 11, 34, 1, 0}};
    for (const Bytes& payload : payloads) {
        ASSERT_TRUE(rig.network.Deliver(payload));
    }

    const std::vector<ReceivedNodeMessage> all{
        {1, 10, 34, 16, {0xAA, 0xBB}}, {1, 20, 5, 1, {}}, {1, 10, 3, 2, {1}}, {1, 11, 34, 1, {}}};
    EXPECT_EQ(rig.network.Received(), all);
    EXPECT_EQ(display.got, (std::vector<ReceivedNodeMessage>{all[0], all[1]}));
    EXPECT_EQ(other.got, (std::vector<ReceivedNodeMessage>{all[2]}));
    EXPECT_EQ(rig.network.Unclaimed(), 1);  // node 11 has nothing attached
}

TEST(SimNetwork, RefusesPayloadsThatAreNoNodeMessage) {
    NetworkRig rig;
    const std::vector<Bytes> broken{{}, {1, 10, 0, 7}, {1, 10, 0, 7, 1}, {1, 10, 0, 7, 0, 9}};
    for (const Bytes& payload : broken) {
        EXPECT_FALSE(rig.network.Deliver(payload)) << payload.size();
    }
    EXPECT_TRUE(rig.network.Received().empty());
}

TEST(SimNetwork, DeviceAnswersWaitForTheHostAndDetachStopsDelivery) {
    NetworkRig rig;
    RecordingDevice device;
    device.answer = {10, 0, 7, 1, '9'};
    rig.network.Attach(10, 0, device);
    ASSERT_TRUE(rig.network.Deliver(Bytes{1, 10, 0, 7, 0}));
    EXPECT_EQ(rig.host.TakeOldest(), device.answer);

    rig.network.Detach(10, 0);
    ASSERT_TRUE(rig.network.Deliver(Bytes{1, 10, 0, 7, 0}));
    EXPECT_EQ(device.got.size(), 1u);
    EXPECT_TRUE(rig.host.Empty());
}

TEST(SimNetwork, UnclaimedMessagesReachTheCatchAllDevice) {
    NetworkRig rig;
    RecordingDevice anywhere;
    rig.network.AttachUnclaimed(&anywhere);
    ASSERT_TRUE(rig.network.Deliver(Bytes{0, 0, 9, 9, 0}));
    EXPECT_EQ(anywhere.got, (std::vector<ReceivedNodeMessage>{{0, 0, 9, 9, {}}}));
}

TEST(SimNetwork, AChattyDeviceCannotGrowTheQueueWithoutEnd) {
    NetworkRig rig;
    RecordingDevice device;
    device.answer = {10, 0, 7, 0};
    rig.network.Attach(10, 0, device);
    for (std::size_t i = 0; i < HostMessageQueue::DEVICE_MESSAGE_LIMIT + 10; ++i) {
        ASSERT_TRUE(rig.network.Deliver(Bytes{1, 10, 0, 7, 0}));
    }
    EXPECT_EQ(rig.host.Size(), HostMessageQueue::DEVICE_MESSAGE_LIMIT);
}

}  // namespace
}  // namespace kovex
