#include "sim/Node10Devices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/CardRegisters.h"
#include "sim/SimNetwork.h"
#include "sim/SimulatedCard.h"

namespace kovex {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A node message frame as the host sends it: flag, node, device, command,
// count, parameters.
Bytes MessageFrame(std::uint8_t node, std::uint8_t device, std::uint8_t command,
                   const Bytes& parameters = {}) {
    Bytes frame{0x00, 0x5A, 0xF0,   0x0A,    static_cast<std::uint8_t>(parameters.size() + 5),
                1,    node, device, command, static_cast<std::uint8_t>(parameters.size())};
    for (const auto b : parameters)
        frame.push_back(b);
    frame.push_back(0xFF);
    return frame;
}

struct OpenCard {
    OpenCard() {
        DeviceKey key{};
        card.PlxPci_DeviceFind(key, 2);
        card.PlxPci_DeviceOpen(key, device);
        card.PlxPci_PciBarMap(device, 2, mailbox);
    }
    void Send(const Bytes& bytes) const {
        for (const auto b : bytes)
            mailbox->Write8(DATA_REGISTER_OFFSET, b);
    }
    Bytes Fetch() const {
        Send({0x00, 0x5A, 0xF0, 0x0C, 0x00, 0xFF});
        Bytes got;
        while ((mailbox->Read8(STATUS_REGISTER_OFFSET) & RX_EMPTY) == 0)
            got.push_back(mailbox->Read8(DATA_REGISTER_OFFSET));
        return got;
    }
    bool MessageWaiting() const {
        return (mailbox->Read8(STATUS_REGISTER_OFFSET) & NO_MESSAGE) == 0;
    }

    VirtualClock clock;
    SimulatedCard card{clock};
    DeviceObject device;
    MappedAddress mailbox = nullptr;
};

TEST(Node10Devices, SwitchesFollowCommandTwo) {
    struct Case {
        std::uint8_t device;
        int relay;   // 0: not a relay
        int output;  // 0: not an output
    };
    const std::vector<Case> cases{{3, 1, 0},  {4, 2, 0},  {30, 0, 1},
                                  {31, 0, 2}, {32, 0, 3}, {33, 0, 4}};
    for (const Case& c : cases) {
        OpenCard rig;
        const Node10Devices& node = rig.card.Node10();
        rig.Send(MessageFrame(10, c.device, 2, {1}));
        for (int i = 1; i <= 2; ++i)
            EXPECT_EQ(node.RelayOn(i), i == c.relay) << int{c.device} << " relay " << i;
        for (int i = 1; i <= 4; ++i)
            EXPECT_EQ(node.OutputOn(i), i == c.output) << int{c.device} << " output " << i;
        rig.Send(MessageFrame(10, c.device, 2, {0}));
        EXPECT_FALSE(node.RelayOn(c.relay) || node.OutputOn(c.output)) << int{c.device};
        EXPECT_FALSE(rig.MessageWaiting());
        EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0);
    }
}

TEST(Node10Devices, TimerMessageAndSerialKeepWhatTheyWereSent) {
    OpenCard rig;
    rig.Send(MessageFrame(10, 5, 2, {0, 0, 0, 3, 0}));
    rig.Send(MessageFrame(10, 7, 10, {1}));
    rig.Send(MessageFrame(10, 18, 3, {48, 49, 50, 51, 52, 53, 54, 10, 13, 0}));
    rig.Send(MessageFrame(10, 18, 3, {'A', 0, 'B'}));  // a 0 ends the text
    const Node10Devices& node = rig.card.Node10();
    EXPECT_EQ(node.TimerSetting(), (Bytes{0, 0, 0, 3, 0}));
    EXPECT_EQ(node.MessageShown(), std::uint8_t{1});
    EXPECT_EQ(node.SerialSent(), "0123456\n\rA");
    EXPECT_FALSE(rig.MessageWaiting());
}

TEST(Node10Devices, FirmwareVersionWaitsForGetMessage) {
    OpenCard rig;
    rig.card.Node10().SetFirmwareVersion("ZL 3.1");
    EXPECT_FALSE(rig.MessageWaiting());
    rig.Send(MessageFrame(10, 0, 7));
    EXPECT_TRUE(rig.MessageWaiting());
    EXPECT_EQ(rig.Fetch(), (Bytes{0x0A, 0x00, 0x07, 6, 'Z', 'L', ' ', '3', '.', '1'}));
    EXPECT_FALSE(rig.MessageWaiting());
    EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0);
}

TEST(Node10Devices, UnknownAddressesAndCommandsAreRecordedAndIgnored) {
    OpenCard rig;
    const std::vector<Bytes> frames{MessageFrame(10, 99, 2, {1}), MessageFrame(11, 3, 2, {1}),
                                    MessageFrame(10, 3, 9, {1}), MessageFrame(10, 3, 2),
                                    MessageFrame(10, 0, 8)};
    for (const Bytes& frame : frames)
        rig.Send(frame);
    EXPECT_EQ(rig.card.Network().Received().size(), frames.size());
    EXPECT_EQ(rig.card.Network().Unclaimed(), 2);
    EXPECT_FALSE(rig.card.Node10().RelayOn(1));
    EXPECT_FALSE(rig.MessageWaiting());
    EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0);
}

// The display helper's way in: a device attached at any address sees its
// messages, and node 10's own devices go on working.
TEST(Node10Devices, AnotherDeviceAttachesBesideThem) {
    struct Display final : SimDevice {
        void Receive(const ReceivedNodeMessage& message, HostOutbox& /*host*/) override {
            commands.push_back(message.command);
        }
        Bytes commands;
    };
    OpenCard rig;
    Display display;
    rig.card.Network().Attach(10, 34, display);
    rig.Send(MessageFrame(10, 34, 16, {0, 0, 1, 0}));
    rig.Send(MessageFrame(10, 3, 2, {1}));
    EXPECT_EQ(display.commands, Bytes{16});
    EXPECT_TRUE(rig.card.Node10().RelayOn(1));
    rig.card.Network().Detach(10, 34);
}

}  // namespace
}  // namespace kovex
