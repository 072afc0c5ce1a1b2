// Host-to-card command frames: 00 5A F0, code, payload length, payload, FF.
// A frame never carries 0xFF before its end byte: the card would take that
// byte as the end. Builders refuse such a payload instead of sending it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kovex {

using Frame = std::vector<std::uint8_t>;

inline constexpr std::array<std::uint8_t, 3> FRAME_HEADER{0x00, 0x5A, 0xF0};
inline constexpr std::uint8_t FRAME_END = 0xFF;
inline constexpr std::size_t FRAME_OVERHEAD = 6;  // header, code, length, end

inline constexpr std::uint8_t CMD_PROGRAM_LINE = 0x00;
inline constexpr std::uint8_t CMD_BOOT_MODE = 0x01;
inline constexpr std::uint8_t CMD_RUN_MODE = 0x02;
inline constexpr std::uint8_t CMD_ERASE = 0x05;
inline constexpr std::uint8_t CMD_GET_MODE = 0x07;
inline constexpr std::uint8_t CMD_GET_VERSION = 0x08;
inline constexpr std::uint8_t CMD_RESET = 0x09;
inline constexpr std::uint8_t CMD_SEND_MESSAGE = 0x0A;
inline constexpr std::uint8_t CMD_GET_MESSAGE = 0x0C;
inline constexpr std::uint8_t CMD_CLEAR_BUFFER = 0x0D;
inline constexpr std::uint8_t CMD_SET_POLL_ITEM = 0x0F;
inline constexpr std::uint8_t CMD_GET_POLL_ITEM = 0x10;
inline constexpr std::uint8_t CMD_GET_POLL_SPEED = 0x11;
inline constexpr std::uint8_t CMD_GET_NODE_STATUS = 0x12;
inline constexpr std::uint8_t CMD_GET_ETH_POLL_NODE = 0x13;
inline constexpr std::uint8_t CMD_GET_ETH_POLL_PTR = 0x14;

inline constexpr std::size_t LINE_RECORD_LENGTH = 43;

using FixedFrame = std::array<std::uint8_t, 6>;

// The constant frames of the commands without payload.
inline constexpr FixedFrame FRAME_BOOT_MODE{0x00, 0x5A, 0xF0, CMD_BOOT_MODE, 0x00, FRAME_END};
inline constexpr FixedFrame FRAME_RUN_MODE{0x00, 0x5A, 0xF0, CMD_RUN_MODE, 0x00, FRAME_END};
inline constexpr FixedFrame FRAME_ERASE{0x00, 0x5A, 0xF0, CMD_ERASE, 0x00, FRAME_END};
inline constexpr FixedFrame FRAME_GET_MODE{0x00, 0x5A, 0xF0, CMD_GET_MODE, 0x00, FRAME_END};
inline constexpr FixedFrame FRAME_GET_VERSION{0x00, 0x5A, 0xF0, CMD_GET_VERSION, 0x00, FRAME_END};
inline constexpr FixedFrame FRAME_RESET{0x00, 0x5A, 0xF0, CMD_RESET, 0x00, FRAME_END};
inline constexpr FixedFrame FRAME_GET_MESSAGE{0x00, 0x5A, 0xF0, CMD_GET_MESSAGE, 0x00, FRAME_END};
inline constexpr FixedFrame FRAME_CLEAR_BUFFER{0x00, 0x5A, 0xF0, CMD_CLEAR_BUFFER, 0x00, FRAME_END};
inline constexpr FixedFrame FRAME_GET_POLL_SPEED{0x00, 0x5A,     0xF0, CMD_GET_POLL_SPEED,
                                                 0x00, FRAME_END};
inline constexpr FixedFrame FRAME_GET_ETH_POLL_NODE{0x00, 0x5A,     0xF0, CMD_GET_ETH_POLL_NODE,
                                                    0x00, FRAME_END};
inline constexpr FixedFrame FRAME_GET_ETH_POLL_PTR{0x00, 0x5A,     0xF0, CMD_GET_ETH_POLL_PTR,
                                                   0x00, FRAME_END};

// Templates: the variable bytes are 0 and filled in a copy.
inline constexpr std::array<std::uint8_t, 7> TEMPLATE_GET_POLL_ITEM{
    0x00, 0x5A, 0xF0, CMD_GET_POLL_ITEM, 0x01, 0x00, FRAME_END};
inline constexpr std::array<std::uint8_t, 7> TEMPLATE_GET_NODE_STATUS{
    0x00, 0x5A, 0xF0, CMD_GET_NODE_STATUS, 0x01, 0x00, FRAME_END};
inline constexpr std::array<std::uint8_t, 8> TEMPLATE_SET_POLL_ITEM{
    0x00, 0x5A, 0xF0, CMD_SET_POLL_ITEM, 0x02, 0x00, 0x00, FRAME_END};

// Prefixes to which the sender appends the rest.
inline constexpr std::array<std::uint8_t, 5> PREFIX_PROGRAM_LINE{0x00, 0x5A, 0xF0, CMD_PROGRAM_LINE,
                                                                 0x2B};
inline constexpr std::array<std::uint8_t, 4> PREFIX_SEND_MESSAGE{0x00, 0x5A, 0xF0,
                                                                 CMD_SEND_MESSAGE};

// Why a builder refused.
struct FrameRefusal {
    enum class Reason {
        EndByteInPayload,   // payload byte at payloadPosition is 0xFF
        PayloadTooLong,     // payloadLength does not fit the length byte
        WrongRecordLength,  // a line record that is not 43 bytes
    };
    Reason reason = Reason::EndByteInPayload;
    std::size_t payloadPosition = 0;  // counted from 0
    std::uint8_t value = FRAME_END;
    std::size_t payloadLength = 0;
    // One log line naming the value, e.g. for the handler to show.
    std::string LogLine() const;
    bool operator==(const FrameRefusal&) const = default;
};

// A built frame, or the reason it was refused.
struct FrameBuild {
    Frame frame;                          // empty when refused
    std::optional<FrameRefusal> refusal;  // set when refused
    explicit operator bool() const { return !refusal.has_value(); }
};

FrameBuild BuildGetPollItem(std::uint8_t index);
FrameBuild BuildGetNodeStatus(std::uint8_t node);
FrameBuild BuildSetPollItem(std::uint8_t index, std::uint8_t node);
// The 43 ASCII characters of one line record. Refused unless exactly 43 bytes.
FrameBuild BuildProgramLine(std::span<const std::uint8_t> lineRecord);
// The NodeMessage bytes (flag, node, device, command, count, parameters).
// Refused when it holds 0xFF or is longer than 254 bytes (the length byte
// itself would then be 0xFF or wrap).
FrameBuild BuildSendMessage(std::span<const std::uint8_t> nodeMessage);

// The first payload byte that equals FRAME_END, if any.
std::optional<FrameRefusal> FindFrameEndInPayload(std::span<const std::uint8_t> payload);

}  // namespace kovex
