// The capture file's blocks against the pcapng format, and a capture cut at
// any byte read up to its last whole packet.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "link/CaptureFile.h"
#include "link/Pcapng.h"
#include "support/TempFolder.h"

namespace kovex::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Word(const Bytes& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

// Each option of the block body from `at`, checked: 32-bit aligned, ending in
// the end mark exactly where the trailing length starts. Returns the codes.
std::vector<std::uint16_t> OptionCodes(const Bytes& block, std::size_t at) {
    std::vector<std::uint16_t> codes;
    while (true) {
        EXPECT_EQ(at % 4, 0U);
        const auto code = static_cast<std::uint16_t>(block[at] | (block[at + 1] << 8));
        const auto length = static_cast<std::size_t>(block[at + 2] | (block[at + 3] << 8));
        if (code == OPTION_END) {
            EXPECT_EQ(length, 0U);
            EXPECT_EQ(at + 4, block.size() - 4);
            return codes;
        }
        codes.push_back(code);
        at += 4 + (length + 3) / 4 * 4;
    }
}

TEST(Pcapng, BlocksCarryTheirLengthAtBothEndsAndPadEverythingToFourBytes) {
    struct Case {
        const char* name;
        Bytes block;
        std::uint32_t type;
        std::size_t optionsAt;  // where the options start in the block
        std::vector<std::uint16_t> options;
    };
    PacketRecord frame{0, 1, PacketDirection::Outbound, {0x00, 0x5A, 0xF0, 0x08, 0x00, 0xFF}, {}};
    PacketRecord odd{0, 2, PacketDirection::Inbound, {0x06, 0x07, 0x08}, {"drained: 0"}};
    PacketRecord event{0, 3, PacketDirection::Unknown, {}, {"give-up: quiet"}};
    PacketRecord five{0, 4, PacketDirection::Inbound, {1, 2, 3, 4, 5}, {}};
    const std::vector<Case> cases{
        {"section header",
         SectionHeaderBlock("kovexctl 1.0.0"),
         PCAPNG_SECTION_HEADER,
         24,
         {SHB_USER_APPLICATION}},
        {"interface",
         InterfaceBlock("0000:03:07.0"),
         PCAPNG_INTERFACE,
         16,
         {IF_NAME, IF_TIMESTAMP_RESOLUTION}},
        {"frame", EnhancedPacketBlock(frame), PCAPNG_ENHANCED_PACKET, 28 + 8, {EPB_FLAGS}},
        {"odd reply",
         EnhancedPacketBlock(odd),
         PCAPNG_ENHANCED_PACKET,
         28 + 4,
         {OPTION_COMMENT, EPB_FLAGS}},
        {"event", EnhancedPacketBlock(event), PCAPNG_ENHANCED_PACKET, 28, {OPTION_COMMENT}},
        {"five bytes", EnhancedPacketBlock(five), PCAPNG_ENHANCED_PACKET, 28 + 8, {EPB_FLAGS}},
    };
    for (const Case& c : cases) {
        const Bytes& b = c.block;
        ASSERT_GE(b.size(), 12U) << c.name;
        EXPECT_EQ(b.size() % 4, 0U) << c.name;
        EXPECT_EQ(Word(b, 0), c.type) << c.name;
        EXPECT_EQ(Word(b, 4), b.size()) << c.name;
        EXPECT_EQ(Word(b, b.size() - 4), b.size()) << c.name;
        EXPECT_EQ(OptionCodes(b, c.optionsAt), c.options) << c.name;
    }
    const Bytes header = SectionHeaderBlock("x");
    EXPECT_EQ(Word(header, 8), PCAPNG_BYTE_ORDER_MAGIC);
    EXPECT_EQ(Word(header, 12), 1U);  // version 1.0
    const Bytes interface = InterfaceBlock("x");
    EXPECT_EQ(interface[8] | (interface[9] << 8), KOVEX_LINK_TYPE);
    EXPECT_EQ(Word(EnhancedPacketBlock(odd), 20), 3U);  // captured length
    EXPECT_EQ(Word(EnhancedPacketBlock(odd), 24), 3U);  // original length
}

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whatever the byte a capture ends at, it reads to the last whole packet and
// says it stopped unless the cut falls between blocks.
TEST(Pcapng, ACaptureCutAtAnyByteReadsUpToItsLastWholePacket) {
    const std::string path = scratch::RunFolder() + "cut.pcapng";
    std::vector<std::size_t> ends;  // the file's size after each packet
    {
        CaptureFile file(path, "kovexctl test", {std::chrono::microseconds(1'000'000), Nanos{0}});
        CardCapture card(file, [] { return std::string("simulated 0000:03:07.0"); });
        TrafficPacket frame = TrafficPacket::Of(TrafficKind::Frame, Nanos{5000});
        frame.bytes = {0x00, 0x5A, 0xF0, 0x07, 0x00, 0xFF};
        TrafficPacket reply = TrafficPacket::Of(TrafficKind::Reply, Nanos{9000});
        reply.bytes = {0x01, 0x66};
        reply.drained = {true, false};
        TrafficPacket event = TrafficPacket::Of(TrafficKind::Event, Nanos{20000});
        event.event = "card lost";
        for (const TrafficPacket* packet : {&frame, &reply, &event}) {
            card.Packet(*packet);
            ends.push_back(ReadAll(path).size());
        }
        ASSERT_FALSE(file.Failed()) << file.Failure();
    }
    const Bytes whole = ReadAll(path);
    const CaptureContents all = ReadCapture(whole);
    ASSERT_EQ(all.packets.size(), 3U);
    EXPECT_EQ(all.interfaces, std::vector<std::string>{"simulated 0000:03:07.0"});
    EXPECT_EQ(all.packets[0].microseconds, 1'000'005U);
    EXPECT_EQ(all.packets[0].direction, PacketDirection::Outbound);
    EXPECT_EQ(all.packets[1].direction, PacketDirection::Inbound);
    EXPECT_EQ(all.packets[1].comments, std::vector<std::string>{"drained: 0"});
    EXPECT_EQ(all.packets[2].comments, std::vector<std::string>{"card lost"});
    EXPECT_TRUE(all.stopped.empty());

    const std::size_t header = SectionHeaderBlock("kovexctl test").size();
    std::vector<std::size_t> blockEnds{0, header,
                                       header + InterfaceBlock("simulated 0000:03:07.0").size()};
    blockEnds.insert(blockEnds.end(), ends.begin(), ends.end());
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        const CaptureContents read = ReadCapture(part);
        std::size_t wholePackets = 0;
        while (wholePackets < ends.size() && ends[wholePackets] <= cut)
            ++wholePackets;
        ASSERT_EQ(read.packets.size(), wholePackets) << "cut at " << cut;
        const bool betweenBlocks =
            std::find(blockEnds.begin(), blockEnds.end(), cut) != blockEnds.end();
        EXPECT_EQ(read.stopped.empty(), betweenBlocks) << "cut at " << cut;
    }
}

TEST(Pcapng, BytesThatAreNoCaptureReadAsNone) {
    for (const Bytes& bytes : {Bytes{1, 2, 3}, Bytes(64, 0xAB), Bytes(16, 0)}) {
        const CaptureContents read = ReadCapture(bytes);
        EXPECT_TRUE(read.packets.empty());
        EXPECT_FALSE(read.stopped.empty());
    }
}

}  // namespace
}  // namespace kovex::testing
