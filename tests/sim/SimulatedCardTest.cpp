#include "sim/SimulatedCard.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "link/CardRegisters.h"

namespace kovex {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

Bytes Cmd(std::uint8_t code, const Bytes& payload = {}) {
    Bytes frame{0x00, 0x5A, 0xF0, code, static_cast<std::uint8_t>(payload.size())};
    for (const auto b : payload)
        frame.push_back(b);
    frame.push_back(0xFF);
    return frame;
}

Bytes Ascii(const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    return bytes;
}

const std::string kLine1A2B = ":101A2B000102030405060708090A0B0C0D0E0F1000";

// A card opened on the default bus with both BARs mapped.
struct Rig {
    Rig() {
        DeviceKey key{};
        SetKeyToAnyDevice(key);
        card.PlxPci_DeviceFind(key, 2);
        card.PlxPci_DeviceOpen(key, device);
        card.PlxPci_PciBarMap(device, 0, bar0);
        card.PlxPci_PciBarMap(device, 2, mailbox);
    }
    std::uint8_t Status() const { return mailbox->Read8(STATUS_REGISTER_OFFSET); }
    void Send(const Bytes& bytes) const {
        for (const auto b : bytes)
            mailbox->Write8(DATA_REGISTER_OFFSET, b);
    }
    Bytes Drain() const {
        Bytes got;
        while ((Status() & RX_EMPTY) == 0)
            got.push_back(mailbox->Read8(DATA_REGISTER_OFFSET));
        return got;
    }
    Bytes Exchange(const Bytes& frame) const {
        Send(frame);
        return Drain();
    }

    VirtualClock clock;
    SimulatedCard card{clock};
    DeviceObject device;
    MappedAddress bar0 = nullptr;
    MappedAddress mailbox = nullptr;
};

TEST(SimulatedCardCommands, EachCommandAnswersItsExactBytes) {
    struct Case {
        const char* name;
        Bytes frame;
        Bytes reply;
    };
    const std::vector<Case> cases{
        {"get mode starts in run", Cmd(0x07), {0x66}},
        {"boot mode", Cmd(0x01), {0x99}},
        {"run mode", Cmd(0x02), {0x66}},
        {"version", Cmd(0x08), {4, 'V', '1', '.', '0'}},
        {"set poll item", Cmd(0x0F, {5, 9}), {0x00}},
        {"get poll item", Cmd(0x10, {7}), {0x21}},
        {"poll speed", Cmd(0x11), {33}},
        {"node status", Cmd(0x12, {12}), {0x80}},
        {"eth poll node", Cmd(0x13), {0x04}},
        {"eth poll ptr", Cmd(0x14), {0x10, 0x20}},
        {"clear buffer", Cmd(0x0D), {0x00}},
        {"reset", Cmd(0x09), {}},
        {"send message", Cmd(0x0A, {0, 12, 3, 1, 2, 0xAA, 0xBB}), {}},
        {"erase", Cmd(0x05), {0x06}},
        {"program line", Cmd(0x00, Ascii(kLine1A2B)), {0x06}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.card.State().versionText = "V1.0";
        rig.card.State().pollList[7] = 0x21;
        rig.card.State().pollSpeed = 33;
        rig.card.State().nodeStatus[12] = 0x80;
        rig.card.State().ethPollNode = 4;
        rig.card.SetPacketCounters(0x10, 0x20);
        rig.card.Timing().eraseTime = 0ns;
        EXPECT_EQ(rig.Exchange(c.frame), c.reply);
        EXPECT_EQ(rig.card.Mailbox().FramesReceived(), std::vector<Bytes>{c.frame});
        EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0);
    }
}

TEST(SimulatedCardCommands, AVersionTextLongerThanACountCanSayAnswersItsFirst255Bytes) {
    Rig rig;
    rig.card.State().versionText = std::string(300, 'v');
    Bytes expected(256, 'v');
    expected[0] = 255;
    EXPECT_EQ(rig.Exchange(Cmd(0x08)), expected);
}

TEST(SimulatedCardCommands, StateChangesBehindTheReplies) {
    Rig rig;
    rig.Send(Cmd(0x0F, {5, 9}));
    rig.Send(Cmd(0x0A, {0, 12, 3, 1, 2, 0xAA, 0xBB}));
    rig.Send(Cmd(0x00, Ascii(kLine1A2B)));
    EXPECT_EQ(rig.card.State().pollList[5], 9);
    EXPECT_EQ(rig.card.Network().Received(),
              (std::vector<ReceivedNodeMessage>{{0, 12, 3, 1, {0xAA, 0xBB}}}));
    std::map<std::uint32_t, std::uint8_t> expected;
    for (std::uint32_t i = 0; i < 16; ++i)
        expected[0x1A2B + i] = static_cast<std::uint8_t>(i + 1);
    EXPECT_EQ(rig.card.State().flash, expected);
}

TEST(SimulatedCardFraming, EachMalformedFrameCountsOnceAndTheNextFrameWorks) {
    Bytes lowerCaseLine = Cmd(0x00, Ascii(":101a2b000102030405060708090A0B0C0D0E0F1000"));
    const std::vector<std::pair<const char*, Bytes>> cases{
        {"bad header", {0x00, 0x5B, 0xF0, 0x07, 0x00, 0xFF}},
        {"stray end byte", {0xFF}},
        {"early end", {0x00, 0x5A, 0xF0, 0x0F, 0x02, 0x01, 0xFF}},
        {"end byte as length", {0x00, 0x5A, 0xF0, 0x07, 0xFF}},
        {"missing end", {0x00, 0x5A, 0xF0, 0x07, 0x00, 0x07, 0xFF}},
        {"unknown code", Cmd(0x03)},
        {"wrong length", Cmd(0x08, {0x00})},
        {"line record not hex", lowerCaseLine},
        {"message count too big", Cmd(0x0A, {0, 12, 3, 1, 2, 0xAA})},
        {"message too short", Cmd(0x0A, {0, 12, 3, 1})},
    };
    for (const auto& [name, bad] : cases) {
        SCOPED_TRACE(name);
        Rig rig;
        EXPECT_EQ(rig.Exchange(bad), Bytes{});
        EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 1);
        EXPECT_EQ(rig.Exchange(Cmd(0x07)), Bytes{0x66});
        EXPECT_EQ(rig.card.Mailbox().FramesReceived(), std::vector<Bytes>{Cmd(0x07)});
        EXPECT_TRUE(rig.card.Network().Received().empty());
        EXPECT_EQ(rig.card.State().programLinesReceived, 0);
    }
}

TEST(SimulatedCardTiming, ReplyBusyAndEraseFollowTheClock) {
    Rig rig;
    rig.card.Timing().replyDelay = 5ms;
    rig.card.Timing().txBusyHold = 20us;
    rig.Send(Cmd(0x07));
    EXPECT_EQ(rig.Status(), TX_BUSY | RX_EMPTY | NO_MESSAGE);
    EXPECT_EQ(rig.card.Mailbox().WritesWhileBusy(), 5);  // all but the first of six
    rig.clock.Advance(20us);
    EXPECT_EQ(rig.Status(), RX_EMPTY | NO_MESSAGE);
    rig.clock.Advance(5ms - 20us - 1ns);
    EXPECT_EQ(rig.mailbox->Read8(DATA_REGISTER_OFFSET), 0);
    EXPECT_EQ(rig.card.Mailbox().ReadsWhileEmpty(), 1);
    rig.clock.Advance(1ns);
    EXPECT_EQ(rig.Drain(), Bytes{0x66});

    rig.Send(Cmd(0x05));
    rig.Send(Cmd(0x07));  // answered only after the erase
    rig.clock.Advance(300ms - 1ns);
    EXPECT_EQ(rig.Drain(), Bytes{});
    rig.clock.Advance(1ns);
    EXPECT_EQ(rig.Drain(), (Bytes{0x06, 0x66}));
}

TEST(SimulatedCardFaults, SilentStuckExtraAndStaleBytes) {
    Rig silent;
    silent.card.Faults().silent = true;
    EXPECT_EQ(silent.Exchange(Cmd(0x01)), Bytes{});
    EXPECT_EQ(silent.card.State().mode, MODE_BOOT);

    Rig stuck;
    stuck.card.Faults().stuckTxBusy = true;
    stuck.clock.Advance(1s);
    EXPECT_EQ(stuck.Status() & TX_BUSY, TX_BUSY);

    Rig extra;
    extra.card.Faults().extraAfterReply = {0xEE, 0xEF};
    extra.card.Timing().replyDelay = 1ms;
    extra.Send(Cmd(0x14));
    extra.card.Mailbox().InjectReplyBytes({0x55});
    EXPECT_EQ(extra.Drain(), Bytes{0x55});
    extra.clock.Advance(1ms);
    EXPECT_EQ(extra.Drain(), (Bytes{0x00, 0x00, 0xEE, 0xEF}));

    Rig odd;  // the override waits for a command that answers, then is used up
    odd.card.Mailbox().OverrideNextReply({0x00});
    EXPECT_EQ(odd.Exchange(Cmd(0x09)), Bytes{});
    EXPECT_EQ(odd.Exchange(Cmd(0x01)), Bytes{0x00});
    EXPECT_EQ(odd.card.State().mode, MODE_BOOT);
    EXPECT_EQ(odd.Exchange(Cmd(0x07)), Bytes{0x99});
}

TEST(SimulatedCardFaults, NoAckAtLineCountsFromTheLastErase) {
    Rig rig;
    rig.card.Faults().noAckAtLine = 1;
    rig.card.Timing().eraseTime = 0ns;
    const Bytes line = Cmd(0x00, Ascii(kLine1A2B));
    const Bytes other = Cmd(0x00, Ascii(":10200000FEFEFEFEFEFEFEFEFEFEFEFEFEFEFEFE00"));
    EXPECT_EQ(rig.Exchange(line), Bytes{0x06});
    EXPECT_EQ(rig.Exchange(other), Bytes{});
    EXPECT_EQ(rig.card.State().flash.count(0x2000), 0u);
    EXPECT_EQ(rig.Exchange(other), Bytes{0x06});
    EXPECT_EQ(rig.card.State().flash.at(0x2000), 0xFE);
    EXPECT_EQ(rig.Exchange(Cmd(0x05)), Bytes{0x06});
    EXPECT_TRUE(rig.card.State().flash.empty());
    EXPECT_EQ(rig.Exchange(line), Bytes{0x06});
    EXPECT_EQ(rig.Exchange(line), Bytes{});
    EXPECT_EQ(rig.card.State().programLinesReceived, 5);
    EXPECT_EQ(rig.card.State().eraseCount, 1);
}

TEST(SimulatedCardMessages, NoMessageBitFollowsTheQueue) {
    Rig rig;
    EXPECT_EQ(rig.Status() & NO_MESSAGE, NO_MESSAGE);
    rig.card.QueueHostMessage({0x0A, 0x00, 0x07, 0x00});
    rig.card.QueueHostMessage({0x0B});
    EXPECT_EQ(rig.Status() & NO_MESSAGE, 0);
    EXPECT_EQ(rig.Exchange(Cmd(0x0C)), (Bytes{0x0A, 0x00, 0x07, 0x00}));
    EXPECT_EQ(rig.Status() & NO_MESSAGE, 0);
    EXPECT_EQ(rig.Exchange(Cmd(0x0D)), Bytes{0x00});
    EXPECT_EQ(rig.Status() & NO_MESSAGE, NO_MESSAGE);
    EXPECT_EQ(rig.Exchange(Cmd(0x0C)), Bytes{});
}

TEST(SimulatedCardMessages, ChatterAndPollingRunOnlyInRunMode) {
    Rig rig;
    rig.card.SetNodeChatter(1s);
    rig.card.SetPollPeriod(100ms);
    rig.card.SetPacketCounters(0xFE, 0x10);
    rig.clock.Advance(350ms);
    EXPECT_EQ(rig.Exchange(Cmd(0x14)), (Bytes{0x01, 0x13}));
    EXPECT_EQ(rig.card.HostMessagesWaiting(), 0u);
    rig.clock.Advance(650ms);
    EXPECT_EQ(rig.Exchange(Cmd(0x0C)), (Bytes{0x0C, 0x03, 0x07, 0x02, '0', '0'}));
    rig.clock.Advance(10s);
    EXPECT_EQ(rig.card.HostMessagesWaiting(), 4u);
    EXPECT_EQ(rig.Exchange(Cmd(0x0C)), (Bytes{0x0C, 0x03, 0x07, 0x02, '0', '1'}));
    EXPECT_EQ(rig.Exchange(Cmd(0x01)), Bytes{0x99});
    rig.clock.Advance(10s);
    EXPECT_EQ(rig.card.HostMessagesWaiting(), 3u);
    // 110 periods ran, up to the switch to boot mode.
    EXPECT_EQ(rig.Exchange(Cmd(0x14)), (Bytes{0x6C, 0x7E}));
}

TEST(SimulatedCardBus, FindWalksTheBusAndHonoursFailures) {
    VirtualClock clock;
    SimulatedCard card{clock};
    card.Bus().findFailures[1] = 0x20B;
    const std::vector<std::pair<PlxStatus, SimulatedDevice>> expected{
        {STATUS_SUCCESS, {0, 0, 0, 0x8086, 0x1237}},
        {0x20B, {}},
        {STATUS_SUCCESS, {3, 7, 0, 0x10B5, 0x9030}},
        {SIM_STATUS_FAILED, {}},
    };
    for (std::uint32_t index = 0; index < expected.size(); ++index) {
        SCOPED_TRACE(index);
        DeviceKey key{};
        SetKeyToAnyDevice(key);
        ASSERT_EQ(card.PlxPci_DeviceFind(key, index), expected[index].first);
        if (expected[index].first != STATUS_SUCCESS) continue;
        const SimulatedDevice& d = expected[index].second;
        EXPECT_EQ((std::vector<int>{key.bus, key.slot, key.function, key.vendorId, key.deviceId}),
                  (std::vector<int>{d.bus, d.slot, d.function, d.vendorId, d.deviceId}));
    }
    EXPECT_EQ(card.Bus().findIndexesAsked, (std::vector<std::uint32_t>{0, 1, 2, 3}));
}

TEST(SimulatedCardBus, OpenMapUnmapAndBar0Writes) {
    Rig rig;
    ASSERT_TRUE(rig.device.opened);
    EXPECT_EQ(int{rig.card.Bus().openedKey->slot}, 7);
    rig.bar0->Write32(0x3C, 0x41);
    rig.bar0->Write32(0x28, 0x004F87C0);
    EXPECT_EQ(rig.card.Bus().bar0Writes,
              (std::vector<Bar0Write>{{0x3C, 0x41}, {0x28, 0x004F87C0}}));

    MappedRegion* const stale = rig.mailbox;
    EXPECT_EQ(rig.card.PlxPci_PciBarUnmap(rig.device, rig.mailbox), STATUS_SUCCESS);
    EXPECT_EQ(rig.mailbox, nullptr);
    EXPECT_FALSE(rig.card.BarMapped(2));
    EXPECT_TRUE(rig.card.BarMapped(0));
    stale->Write8(DATA_REGISTER_OFFSET, 0x00);
    EXPECT_EQ(stale->Read8(STATUS_REGISTER_OFFSET), 0xFF);
    EXPECT_EQ(rig.card.Bus().accessesWhileUnmapped, 2);
    EXPECT_TRUE(rig.card.Mailbox().HostBytes().empty());

    rig.card.Bus().mapStatus[2] = 0x20C;
    rig.mailbox = stale;
    EXPECT_EQ(rig.card.PlxPci_PciBarMap(rig.device, 2, rig.mailbox), 0x20Cu);
    EXPECT_EQ(rig.mailbox, nullptr);

    VirtualClock clock;
    SimulatedCard refusing{clock};
    refusing.Bus().openStatus = 0x20D;
    DeviceObject device;
    EXPECT_EQ(refusing.PlxPci_DeviceOpen(DeviceKey{}, device), 0x20Du);
    EXPECT_FALSE(device.opened);
}

TEST(SimulatedCardReset, DropsPendingRepliesAndComesUpInRunMode) {
    Rig rig;
    rig.card.Timing().replyDelay = 1ms;
    rig.Send(Cmd(0x01));
    rig.Send(Cmd(0x09));
    rig.clock.Advance(1ms);
    EXPECT_EQ(rig.Drain(), Bytes{});
    EXPECT_EQ(rig.card.State().mode, MODE_RUN);
    EXPECT_EQ(rig.card.State().resetCount, 1);
}

}  // namespace
}  // namespace kovex
