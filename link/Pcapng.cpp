#include "link/Pcapng.h"

#include <algorithm>

namespace kovex {
namespace {

constexpr std::size_t ALIGNMENT = 4;
// Type and length before the body, the length again after it.
constexpr std::size_t BLOCK_FRAME = 12;

std::size_t Padded(std::size_t size) {
    return (size + ALIGNMENT - 1) / ALIGNMENT * ALIGNMENT;
}

void Put16(BlockBytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(BlockBytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutPadded(BlockBytes& out, const std::uint8_t* data, std::size_t size) {
    out.insert(out.end(), data, data + size);
    out.resize(out.size() + Padded(size) - size, 0);
}

void PutOption(BlockBytes& out, std::uint16_t code, std::string_view value) {
    Put16(out, code);
    Put16(out, static_cast<std::uint16_t>(value.size()));
    PutPadded(out, reinterpret_cast<const std::uint8_t*>(value.data()), value.size());
}

void PutEndOfOptions(BlockBytes& out) {
    Put16(out, OPTION_END);
    Put16(out, 0);
}

// The block of `type` around `body`, its length written at both ends.
BlockBytes Block(std::uint32_t type, const BlockBytes& body) {
    const auto length = static_cast<std::uint32_t>(body.size() + BLOCK_FRAME);
    BlockBytes block;
    block.reserve(length);
    Put32(block, type);
    Put32(block, length);
    block.insert(block.end(), body.begin(), body.end());
    Put32(block, length);
    return block;
}

}  // namespace

BlockBytes SectionHeaderBlock(std::string_view application) {
    BlockBytes body;
    Put32(body, PCAPNG_BYTE_ORDER_MAGIC);
    Put16(body, 1);  // major version
    Put16(body, 0);  // minor version
    // The section's length is not known while the capture grows.
    Put32(body, 0xFFFFFFFF);
    Put32(body, 0xFFFFFFFF);
    PutOption(body, SHB_USER_APPLICATION, application);
    PutEndOfOptions(body);
    return Block(PCAPNG_SECTION_HEADER, body);
}

BlockBytes InterfaceBlock(std::string_view name) {
    BlockBytes body;
    Put16(body, KOVEX_LINK_TYPE);
    Put16(body, 0);  // reserved
    Put32(body, 0);  // no snapshot length: every byte is kept
    PutOption(body, IF_NAME, name);
    const std::uint8_t microseconds = 6;
    Put16(body, IF_TIMESTAMP_RESOLUTION);
    Put16(body, 1);
    PutPadded(body, &microseconds, 1);
    PutEndOfOptions(body);
    return Block(PCAPNG_INTERFACE, body);
}

BlockBytes EnhancedPacketBlock(const PacketRecord& packet) {
    BlockBytes body;
    body.reserve(32 + Padded(packet.bytes.size()));
    Put32(body, packet.interface);
    Put32(body, static_cast<std::uint32_t>(packet.microseconds >> 32));
    Put32(body, static_cast<std::uint32_t>(packet.microseconds));
    Put32(body, static_cast<std::uint32_t>(packet.bytes.size()));
    Put32(body, static_cast<std::uint32_t>(packet.bytes.size()));
    PutPadded(body, packet.bytes.data(), packet.bytes.size());
    for (const std::string& comment : packet.comments)
        PutOption(body, OPTION_COMMENT, comment);
    if (packet.direction != PacketDirection::Unknown) {
        Put16(body, EPB_FLAGS);
        Put16(body, 4);
        Put32(body, static_cast<std::uint32_t>(packet.direction));
    }
    PutEndOfOptions(body);
    return Block(PCAPNG_ENHANCED_PACKET, body);
}

namespace {

// Reads one capture's blocks, stopping at the first that is not whole.
class CaptureParser {
public:
    explicit CaptureParser(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    CaptureContents Parse() {
        while (at_ < bytes_.size() && contents_.stopped.empty())
            NextBlock();
        return std::move(contents_);
    }

private:
    std::uint32_t Get32(std::size_t at) const {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(bytes_[at + i]) << (8 * i);
        return value;
    }
    std::uint16_t Get16(std::size_t at) const {
        return static_cast<std::uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
    }

    void NextBlock() {
        const std::size_t left = bytes_.size() - at_;
        if (left < BLOCK_FRAME) return Stop("a block cut short");
        const std::uint32_t type = Get32(at_);
        const std::uint32_t length = Get32(at_ + 4);
        if (length < BLOCK_FRAME || length % ALIGNMENT != 0) return Stop("a block of bad length");
        if (length > left) return Stop("a block cut short");
        if (Get32(at_ + length - 4) != length) return Stop("a block whose lengths differ");
        if (at_ == 0 && type != PCAPNG_SECTION_HEADER) return Stop("not a pcapng file");
        Body(type, at_ + 8, length - BLOCK_FRAME);
        at_ += length;
    }

    void Body(std::uint32_t type, std::size_t body, std::size_t size) {
        if (type == PCAPNG_SECTION_HEADER) {
            if (size < 16 || Get32(body) != PCAPNG_BYTE_ORDER_MAGIC) {
                Stop("not a little-endian pcapng section");
            }
        } else if (type == PCAPNG_INTERFACE && size >= 8) {
            contents_.linkTypes.push_back(Get16(body));
            contents_.interfaces.push_back(OptionText(body + 8, size - 8, IF_NAME));
        } else if (type == PCAPNG_ENHANCED_PACKET && size >= 20) {
            Packet(body, size);
        }
    }

    void Packet(std::size_t body, std::size_t size) {
        PacketRecord packet;
        packet.interface = Get32(body);
        packet.microseconds = (std::uint64_t{Get32(body + 4)} << 32) | Get32(body + 8);
        const std::size_t captured = Get32(body + 12);
        if (Padded(captured) > size - 20) return Stop("a packet longer than its block");
        if (packet.interface >= contents_.interfaces.size())
            return Stop("a packet of no interface");
        const auto data = bytes_.begin() + static_cast<std::ptrdiff_t>(body + 20);
        packet.bytes.assign(data, data + static_cast<std::ptrdiff_t>(captured));
        ReadOptions(body + 20 + Padded(captured), size - 20 - Padded(captured), packet);
        contents_.packets.push_back(std::move(packet));
    }

    // Calls take(code, at, length) for each option up to the end mark.
    template <typename Take>
    void EachOption(std::size_t at, std::size_t size, Take take) const {
        const std::size_t end = at + size;
        while (at + 4 <= end) {
            const std::uint16_t code = Get16(at);
            const std::uint16_t length = Get16(at + 2);
            if (code == OPTION_END || at + 4 + Padded(length) > end) return;
            take(code, at + 4, length);
            at += 4 + Padded(length);
        }
    }

    std::string Text(std::size_t at, std::size_t length) const {
        return {bytes_.begin() + static_cast<std::ptrdiff_t>(at),
                bytes_.begin() + static_cast<std::ptrdiff_t>(at + length)};
    }

    std::string OptionText(std::size_t at, std::size_t size, std::uint16_t wanted) const {
        std::string text;
        EachOption(at, size, [&](std::uint16_t code, std::size_t value, std::size_t length) {
            if (code == wanted) text = Text(value, length);
        });
        return text;
    }

    void ReadOptions(std::size_t at, std::size_t size, PacketRecord& packet) const {
        EachOption(at, size, [&](std::uint16_t code, std::size_t value, std::size_t length) {
            if (code == OPTION_COMMENT) packet.comments.push_back(Text(value, length));
            if (code == EPB_FLAGS && length == 4) {
                packet.direction = static_cast<PacketDirection>(Get32(value) & 3);
            }
        });
    }

    void Stop(std::string why) { contents_.stopped = std::move(why); }

    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
    CaptureContents contents_;
};

}  // namespace

CaptureContents ReadCapture(const std::vector<std::uint8_t>& bytes) {
    return CaptureParser(bytes).Parse();
}

}  // namespace kovex
