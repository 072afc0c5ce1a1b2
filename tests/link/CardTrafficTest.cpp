// What the port records of an exchange, packet by packet, against answering
// and misbehaving simulated cards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/CardExchange.h"
#include "link/CardLoss.h"
#include "link/CardTraffic.h"
#include "link/CommandFrames.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Recorded final : TrafficSink {
    void Packet(const TrafficPacket& packet) override { packets.push_back(packet); }
    std::vector<TrafficPacket> packets;
};

// A packet as the test compares it: kind, bytes, drained marks, event text.
struct Seen {
    TrafficKind kind;
    Bytes bytes;
    std::string drained;
    std::string event;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> SeenOf(const std::vector<TrafficPacket>& packets) {
    std::vector<Seen> seen;
    seen.reserve(packets.size());
    for (const TrafficPacket& p : packets)
        seen.push_back({p.kind, p.bytes, DrainedRanges(p), p.event});
    return seen;
}

const Bytes VERSION_FRAME(FRAME_GET_VERSION.begin(), FRAME_GET_VERSION.end());

// The handlers' own pattern: drain, send, read a counted text.
void AskVersion(CardPort& port) {
    port.DrainReplies();
    port.SendFrame(VERSION_FRAME);
    std::array<std::uint8_t, 256> buffer{};
    port.ReadCountedText(buffer);
}

TEST(CardTraffic, EachFrameReplyAndEventIsOnePacketWhateverTheCardDoes) {
    const std::string silent = "give-up: KOVEX did not answer within 10 s; command abandoned";
    struct Case {
        const char* name;
        std::function<void(CardRig&)> setUp;
        std::vector<Seen> expected;
    };
    const Bytes text{0x0E, 'K', 'O', 'V', 'E', 'X', ' ', '2', '.', '1', '4', ' ', 's', 'i', 'm'};
    const std::vector<Case> cases{
        {"answers, with two bytes left over",
         [](CardRig& r) {
             r.card.Mailbox().InjectReplyBytes({0x06, 0x07});
         },
         {{TrafficKind::Reply, {0x06, 0x07}, "0-1", ""},
          {TrafficKind::Frame, VERSION_FRAME, "", ""},
          {TrafficKind::Reply, text, "", ""}}},
        {"silent",
         [](CardRig& r) { r.card.Faults().silent = true; },
         {{TrafficKind::Frame, VERSION_FRAME, "", ""}, {TrafficKind::Event, {}, "", silent}}},
        // Nothing moved: the first byte never found the card free.
        {"stuck busy",
         [](CardRig& r) { r.card.Faults().stuckTxBusy = true; },
         {{TrafficKind::Event, {}, "", silent}}},
        {"answers late while a nested click is refused",
         [](CardRig& r) {
             r.card.Timing().replyDelay = 3s;
             r.At(1s, [&r] { RunCardExchange(r.port, r.window, AskVersion); });
         },
         {{TrafficKind::Frame, VERSION_FRAME, "", ""}, {TrafficKind::Reply, text, "", ""}}},
    };
    for (const Case& c : cases) {
        CardRig rig;
        rig.Open();
        Recorded recorded;
        rig.port.Traffic().AddSink(recorded);
        c.setUp(rig);
        RunCardExchange(rig.port, rig.window, AskVersion);
        EXPECT_EQ(SeenOf(recorded.packets), c.expected) << c.name;
    }
}

TEST(CardTraffic, ACardThatNeverStopsSendingIsOneDrainedReplyThenTheEvent) {
    CardRig rig;
    rig.Open();
    Recorded recorded;
    rig.port.Traffic().AddSink(recorded);
    rig.card.Faults().endlessStream = true;
    RunCardExchange(rig.port, rig.window, AskVersion);
    ASSERT_EQ(recorded.packets.size(), 2U);
    EXPECT_EQ(recorded.packets[0].bytes.size(), CardPort::DRAIN_MOST_BYTES);
    EXPECT_EQ(DrainedRanges(recorded.packets[0]), "0-4095");
    EXPECT_EQ(recorded.packets[1].event,
              "keeps sending: KOVEX keeps sending: 4096 bytes thrown away; command abandoned");
}

// The window's tick may meet the loss between commands: recorded once, there.
TEST(CardTraffic, ALostCardIsOneEventWhoeverMeetsItFirst) {
    CardRig rig;
    rig.Open();
    Recorded recorded;
    rig.port.Traffic().AddSink(recorded);
    const CardLost lost("/sys/bus/pci/devices/0000:03:07.0/resource2");
    HandleCardLost(rig.port, rig.window, lost);
    HandleCardLost(rig.port, rig.window, lost);
    ASSERT_EQ(recorded.packets.size(), 1U);
    EXPECT_EQ(recorded.packets[0].event, "card lost: " + CardLostLine(lost));
}

TEST(CardTraffic, TimesAreThoseOfTheFirstByteAndDrainedRangesReadBack) {
    CardRig rig;
    rig.Open();
    Recorded recorded;
    rig.port.Traffic().AddSink(recorded);
    rig.card.Timing().replyDelay = 250ms;
    const Nanos start = rig.clock.Now();
    RunCardExchange(rig.port, rig.window, AskVersion);
    ASSERT_EQ(recorded.packets.size(), 2U);
    EXPECT_GE(recorded.packets[0].at, start);
    EXPECT_GE(recorded.packets[1].at - recorded.packets[0].at, 250ms);

    TrafficPacket marked = TrafficPacket::Of(TrafficKind::Reply);
    marked.drained = {true, true, false, true, false, true, true};
    std::vector<bool> back;
    ASSERT_TRUE(ParseDrainedRanges(DrainedRanges(marked), 7, back));
    EXPECT_EQ(back, marked.drained);
    EXPECT_FALSE(ParseDrainedRanges("0-7", 7, back));
    EXPECT_FALSE(ParseDrainedRanges("3-1", 7, back));
    EXPECT_FALSE(ParseDrainedRanges("x", 7, back));
}

}  // namespace
}  // namespace kovex::testing
