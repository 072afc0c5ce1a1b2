#include "link/CommandFrames.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "seam/HexText.h"

namespace kovex {

namespace {

// Header, code and length byte come before the payload.
constexpr std::size_t PAYLOAD_OFFSET = FRAME_HEADER.size() + 2;
// A longer message would need 0xFF (or more) in its length byte.
constexpr std::size_t MAX_MESSAGE_LENGTH = 254;

static_assert(PREFIX_PROGRAM_LINE.back() == LINE_RECORD_LENGTH);

FrameBuild Refused(const FrameRefusal& refusal) {
    return FrameBuild{Frame{}, refusal};
}

FrameBuild Built(Frame frame) {
    return FrameBuild{std::move(frame), std::nullopt};
}

// Copies a template and writes the payload into its zeroed payload bytes;
// the template itself stays as it is.
FrameBuild FillTemplate(std::span<const std::uint8_t> frameTemplate,
                        std::span<const std::uint8_t> payload) {
    if (const auto refusal = FindFrameEndInPayload(payload)) {
        return Refused(*refusal);
    }
    Frame frame(frameTemplate.begin(), frameTemplate.end());
    std::ranges::copy(payload, frame.begin() + PAYLOAD_OFFSET);
    return Built(std::move(frame));
}

// Everything up to and including the length byte, then payload, then end.
// The frame is made at its final size and filled in place: growing it with
// insert() after reserve() leaves a reallocation path that GCC 12 at -O3
// misreads as writing past the reserved bytes.
Frame Assemble(std::span<const std::uint8_t> head, std::span<const std::uint8_t> payload) {
    Frame frame(head.size() + payload.size() + 1);
    const auto payloadStart = std::ranges::copy(head, frame.begin()).out;
    std::ranges::copy(payload, payloadStart);
    frame.back() = FRAME_END;
    return frame;
}

}  // namespace

std::string FrameRefusal::LogLine() const {
    switch (reason) {
        case Reason::EndByteInPayload:
            return "Not sent: byte " + std::to_string(value) + " (0x" + Hex(value, 2) +
                   ") at payload position " + std::to_string(payloadPosition) +
                   " would end the frame early";
        case Reason::PayloadTooLong:
            return "Not sent: a payload of " + std::to_string(payloadLength) +
                   " bytes does not fit in one frame";
        case Reason::WrongRecordLength:
            return "Not sent: a line record must be " + std::to_string(LINE_RECORD_LENGTH) +
                   " bytes, this one has " + std::to_string(payloadLength);
    }
    return "Not sent";
}

std::optional<FrameRefusal> FindFrameEndInPayload(std::span<const std::uint8_t> payload) {
    const auto found = std::ranges::find(payload, FRAME_END);
    if (found == payload.end()) {
        return std::nullopt;
    }
    return FrameRefusal{
        .reason = FrameRefusal::Reason::EndByteInPayload,
        .payloadPosition = static_cast<std::size_t>(std::distance(payload.begin(), found)),
        .value = *found,
    };
}

FrameBuild BuildGetPollItem(std::uint8_t index) {
    const std::array<std::uint8_t, 1> payload{index};
    return FillTemplate(TEMPLATE_GET_POLL_ITEM, payload);
}

FrameBuild BuildGetNodeStatus(std::uint8_t node) {
    const std::array<std::uint8_t, 1> payload{node};
    return FillTemplate(TEMPLATE_GET_NODE_STATUS, payload);
}

FrameBuild BuildSetPollItem(std::uint8_t index, std::uint8_t node) {
    const std::array<std::uint8_t, 2> payload{index, node};
    return FillTemplate(TEMPLATE_SET_POLL_ITEM, payload);
}

FrameBuild BuildProgramLine(std::span<const std::uint8_t> lineRecord) {
    if (lineRecord.size() != LINE_RECORD_LENGTH) {
        return Refused({.reason = FrameRefusal::Reason::WrongRecordLength,
                        .payloadLength = lineRecord.size()});
    }
    if (const auto refusal = FindFrameEndInPayload(lineRecord)) {
        return Refused(*refusal);
    }
    return Built(Assemble(PREFIX_PROGRAM_LINE, lineRecord));
}

FrameBuild BuildSendMessage(std::span<const std::uint8_t> nodeMessage) {
    if (nodeMessage.size() > MAX_MESSAGE_LENGTH) {
        return Refused(
            {.reason = FrameRefusal::Reason::PayloadTooLong, .payloadLength = nodeMessage.size()});
    }
    if (const auto refusal = FindFrameEndInPayload(nodeMessage)) {
        return Refused(*refusal);
    }
    std::array<std::uint8_t, PREFIX_SEND_MESSAGE.size() + 1> head{};
    std::ranges::copy(PREFIX_SEND_MESSAGE, head.begin());
    head.back() = static_cast<std::uint8_t>(nodeMessage.size());
    return Built(Assemble(head, nodeMessage));
}

}  // namespace kovex
