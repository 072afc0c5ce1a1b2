// The pcapng blocks a capture of card traffic is made of: a Section Header
// naming the program, one Interface Description per card, one Enhanced
// Packet per frame, reply or event. Little-endian, every block and option
// padded to 32 bits, each block's length at its start and again at its end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovex {

// The capture's link type: LINKTYPE_USER7, a private one, 154. A packet is
// the bytes as they crossed the mailbox, nothing added.
inline constexpr std::uint16_t KOVEX_LINK_TYPE = 154;

inline constexpr std::uint32_t PCAPNG_SECTION_HEADER = 0x0A0D0D0A;
inline constexpr std::uint32_t PCAPNG_INTERFACE = 0x00000001;
inline constexpr std::uint32_t PCAPNG_ENHANCED_PACKET = 0x00000006;
inline constexpr std::uint32_t PCAPNG_BYTE_ORDER_MAGIC = 0x1A2B3C4D;

inline constexpr std::uint16_t OPTION_END = 0;
inline constexpr std::uint16_t OPTION_COMMENT = 1;
inline constexpr std::uint16_t SHB_USER_APPLICATION = 4;
inline constexpr std::uint16_t IF_NAME = 2;
inline constexpr std::uint16_t IF_TIMESTAMP_RESOLUTION = 9;
inline constexpr std::uint16_t EPB_FLAGS = 2;

// The direction bits of epb_flags.
enum class PacketDirection : std::uint32_t { Unknown = 0, Inbound = 1, Outbound = 2 };

// A comment on a reply that says which of its bytes a drain threw away:
// "drained: 0-2,5".
inline constexpr std::string_view DRAINED_COMMENT = "drained: ";

using BlockBytes = std::vector<std::uint8_t>;

BlockBytes SectionHeaderBlock(std::string_view application);
BlockBytes InterfaceBlock(std::string_view name);

struct PacketRecord {
    std::uint32_t interface = 0;
    std::uint64_t microseconds = 0;  // since 1970, UTC
    PacketDirection direction = PacketDirection::Unknown;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> comments;
};

BlockBytes EnhancedPacketBlock(const PacketRecord& packet);

// What a capture file holds, read as far as its blocks are whole.
struct CaptureContents {
    std::vector<std::string> interfaces;  // by interface id: the card's name
    std::vector<std::uint16_t> linkTypes;
    std::vector<PacketRecord> packets;
    // Why the reading stopped before the end of the bytes: a block cut
    // short, or bytes that are not a capture of this kind. Empty when whole.
    std::string stopped;
};

CaptureContents ReadCapture(const std::vector<std::uint8_t>& bytes);

}  // namespace kovex
