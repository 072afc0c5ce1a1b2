// The replaying card's mailbox: answers as captured, at the captured delay;
// a frame that differs is named once and the card goes silent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/CardRegisters.h"
#include "link/Clock.h"
#include "sim/ReplayMailbox.h"

namespace kovex::testing {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const Bytes GET_MODE{0x00, 0x5A, 0xF0, 0x07, 0x00, 0xFF};
const Bytes GET_MESSAGE{0x00, 0x5A, 0xF0, 0x0C, 0x00, 0xFF};
const Bytes GET_VERSION{0x00, 0x5A, 0xF0, 0x08, 0x00, 0xFF};

// A capture: leftover bytes, get-mode answered 66 after 2 ms, get-message
// answered after 5 ms, and an event packet that replays as nothing.
CaptureContents Capture() {
    CaptureContents capture;
    capture.interfaces = {"0000:03:07.0"};
    capture.linkTypes = {KOVEX_LINK_TYPE};
    capture.packets = {
        {0, 900, PacketDirection::Inbound, {0x4B}, {"drained: 0"}},
        {0, 1000, PacketDirection::Outbound, GET_MODE, {}},
        {0, 3000, PacketDirection::Inbound, {0x66}, {}},
        {0, 4000, PacketDirection::Outbound, GET_MESSAGE, {}},
        {0, 9000, PacketDirection::Inbound, {0x0A, 0x00, 0x07, 0x00}, {}},
        {0, 9500, PacketDirection::Unknown, {}, {"interrupted"}},
    };
    return capture;
}

void Send(ReplayMailbox& mailbox, const Bytes& frame) {
    for (const std::uint8_t byte : frame)
        mailbox.WriteData(byte);
}

bool Readable(const ReplayMailbox& mailbox) {
    return (mailbox.ReadStatus() & RX_EMPTY) == 0;
}

TEST(ReplayMailbox, AnswersEachFrameAsCapturedAtTheCapturedDelay) {
    VirtualClock clock;
    ReplayMailbox mailbox(clock, ScriptOf(Capture()));
    std::vector<std::string> told;
    mailbox.OnMismatch([&told](const std::string& line) { told.push_back(line); });

    ASSERT_TRUE(Readable(mailbox));
    EXPECT_EQ(mailbox.ReadData(), 0x4B);
    // No message waits until the capture's next frame asks for one.
    EXPECT_NE(mailbox.ReadStatus() & NO_MESSAGE, 0);
    Send(mailbox, GET_MODE);
    clock.Advance(1999us);
    EXPECT_FALSE(Readable(mailbox));
    clock.Advance(1us);
    ASSERT_TRUE(Readable(mailbox));
    EXPECT_EQ(mailbox.ReadData(), 0x66);
    EXPECT_EQ(mailbox.ReadStatus() & NO_MESSAGE, 0);

    Send(mailbox, GET_MESSAGE);
    clock.Advance(5ms);
    Bytes message;
    while (Readable(mailbox))
        message.push_back(mailbox.ReadData());
    EXPECT_EQ(message, (Bytes{0x0A, 0x00, 0x07, 0x00}));
    EXPECT_TRUE(told.empty());
    EXPECT_FALSE(mailbox.Silent());
}

TEST(ReplayMailbox, AFrameThatDiffersIsNamedOnceAndTheCardFallsSilent) {
    struct Case {
        const char* name;
        std::vector<Bytes> frames;
        std::string told;
    };
    const std::vector<Case> cases{
        {"another command",
         {GET_VERSION},
         "replay: the host sent 00 5A F0 08 00 FF where the capture has packet 2: 00 5A F0 07 00 "
         "FF; the card is silent from here"},
        {"past the capture's end",
         {GET_MODE, GET_MESSAGE, GET_MODE, GET_MODE},
         "replay: the host sent 00 5A F0 07 00 FF where the capture has no more frames; the card "
         "is silent from here"},
    };
    for (const Case& c : cases) {
        VirtualClock clock;
        ReplayMailbox mailbox(clock, ScriptOf(Capture()));
        mailbox.ReadData();
        std::vector<std::string> told;
        mailbox.OnMismatch([&told](const std::string& line) { told.push_back(line); });
        for (const Bytes& frame : c.frames) {
            Send(mailbox, frame);
            clock.Advance(10ms);
            while (Readable(mailbox))
                mailbox.ReadData();
        }
        EXPECT_EQ(told, std::vector<std::string>{c.told}) << c.name;
        EXPECT_TRUE(mailbox.Silent()) << c.name;
        Send(mailbox, GET_MODE);
        clock.Advance(1s);
        EXPECT_FALSE(Readable(mailbox)) << c.name;
    }
}

// A drained byte's time is when the captured host threw it away; a replayed
// host that drains sooner misses it, and its next frame throws it away
// rather than reading it as the next reply.
TEST(ReplayMailbox, DrainedBytesNotYetSentWhenTheNextFrameStartsAreThrownAway) {
    const Bytes reset{0x00, 0x5A, 0xF0, 0x09, 0x00, 0xFF};
    CaptureContents capture;
    capture.interfaces = {"0000:03:07.0"};
    capture.linkTypes = {KOVEX_LINK_TYPE};
    capture.packets = {
        {0, 0, PacketDirection::Outbound, reset, {}},
        {0, 2'000'000, PacketDirection::Inbound, {0x4B, 0x4F}, {"drained: 0-1"}},
        {0, 2'000'010, PacketDirection::Outbound, GET_MODE, {}},
        {0, 2'002'000, PacketDirection::Inbound, {0x66}, {}},
    };
    VirtualClock clock;
    ReplayMailbox mailbox(clock, ScriptOf(capture));
    Send(mailbox, reset);
    clock.Advance(1900ms);
    EXPECT_FALSE(Readable(mailbox));  // the host's drain finds nothing
    Send(mailbox, GET_MODE);
    clock.Advance(500ms);
    ASSERT_TRUE(Readable(mailbox));
    EXPECT_EQ(mailbox.ReadData(), 0x66);
    EXPECT_FALSE(Readable(mailbox));
}

// A damaged time stamp far after its frame: the reply comes a day later,
// not at once nor never.
TEST(ReplayMailbox, AReplyStampedFarAfterItsFrameComesADayLater) {
    CaptureContents capture;
    capture.interfaces = {"0000:03:07.0"};
    capture.linkTypes = {KOVEX_LINK_TYPE};
    capture.packets = {
        {0, 1000, PacketDirection::Outbound, GET_MODE, {}},
        {0, 1ULL << 62, PacketDirection::Inbound, {0x66}, {}},
    };
    VirtualClock clock;
    ReplayMailbox mailbox(clock, ScriptOf(capture));
    Send(mailbox, GET_MODE);
    clock.Advance(std::chrono::hours(23));
    EXPECT_FALSE(Readable(mailbox));
    clock.Advance(std::chrono::hours(1));
    EXPECT_TRUE(Readable(mailbox));
}

}  // namespace
}  // namespace kovex::testing
