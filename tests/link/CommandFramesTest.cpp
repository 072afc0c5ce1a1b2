#include "link/CommandFrames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kovex {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Reason = FrameRefusal::Reason;

// An Intel HEX line with 16 data bytes: the 43 characters of one record.
constexpr std::string_view kLineRecord = ":10010000214601360121470136007EFE09D2190140";

Bytes Ascii(std::string_view text) {
    Bytes bytes(text.begin(), text.end());
    return bytes;
}

Bytes Concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes Filled(std::size_t size, std::uint8_t value) {
    Bytes bytes(size, value);  // not braced: that would make two elements
    return bytes;
}

Bytes WithByte(Bytes bytes, std::size_t position, std::uint8_t value) {
    bytes.at(position) = value;
    return bytes;
}

TEST(CommandFrames, ConstantFramesAreEmptyCommands) {
    struct ConstantCase {
        const char* name;
        FixedFrame frame;
        std::uint8_t code;
    };
    const std::vector<ConstantCase> cases{
        {"BOOT_MODE", FRAME_BOOT_MODE, 0x01},
        {"RUN_MODE", FRAME_RUN_MODE, 0x02},
        {"ERASE", FRAME_ERASE, 0x05},
        {"GET_MODE", FRAME_GET_MODE, 0x07},
        {"GET_VERSION", FRAME_GET_VERSION, 0x08},
        {"RESET", FRAME_RESET, 0x09},
        {"GET_MESSAGE", FRAME_GET_MESSAGE, 0x0C},
        {"CLEAR_BUFFER", FRAME_CLEAR_BUFFER, 0x0D},
        {"GET_POLL_SPEED", FRAME_GET_POLL_SPEED, 0x11},
        {"GET_ETH_POLL_NODE", FRAME_GET_ETH_POLL_NODE, 0x13},
        {"GET_ETH_POLL_PTR", FRAME_GET_ETH_POLL_PTR, 0x14},
    };
    for (const auto& [name, frame, code] : cases) {
        EXPECT_EQ(Bytes(frame.begin(), frame.end()), (Bytes{0x00, 0x5A, 0xF0, code, 0x00, 0xFF}))
            << name;
    }
}

TEST(CommandFrames, BuildersFillACopyOfTheTemplate) {
    struct BuildCase {
        const char* name;
        FrameBuild build;
        Bytes expected;
    };
    const Bytes message{0x01, 0x0C, 0x02, 0x30, 0x02, 0x12, 0x34};
    const std::vector<BuildCase> cases{
        {"GET_POLL_ITEM 3", BuildGetPollItem(3), {0x00, 0x5A, 0xF0, 0x10, 0x01, 0x03, 0xFF}},
        {"GET_POLL_ITEM 254", BuildGetPollItem(254), {0x00, 0x5A, 0xF0, 0x10, 0x01, 0xFE, 0xFF}},
        {"GET_NODE_STATUS 0", BuildGetNodeStatus(0), {0x00, 0x5A, 0xF0, 0x12, 0x01, 0x00, 0xFF}},
        {"GET_NODE_STATUS 254",
         BuildGetNodeStatus(254),
         {0x00, 0x5A, 0xF0, 0x12, 0x01, 0xFE, 0xFF}},
        {"SET_POLL_ITEM 0 12",
         BuildSetPollItem(0, 12),
         {0x00, 0x5A, 0xF0, 0x0F, 0x02, 0x00, 0x0C, 0xFF}},
        {"SET_POLL_ITEM 254 1",
         BuildSetPollItem(254, 1),
         {0x00, 0x5A, 0xF0, 0x0F, 0x02, 0xFE, 0x01, 0xFF}},
        {"SEND_MESSAGE", BuildSendMessage(message),
         Concat({0x00, 0x5A, 0xF0, 0x0A, 0x07}, Concat(message, {0xFF}))},
        {"SEND_MESSAGE empty", BuildSendMessage({}), {0x00, 0x5A, 0xF0, 0x0A, 0x00, 0xFF}},
        {"SEND_MESSAGE 254 bytes", BuildSendMessage(Filled(254, 0x41)),
         Concat({0x00, 0x5A, 0xF0, 0x0A, 0xFE}, Concat(Filled(254, 0x41), {0xFF}))},
        {"PROGRAM_LINE, 49 bytes", BuildProgramLine(Ascii(kLineRecord)),
         Concat({0x00, 0x5A, 0xF0, 0x00, 0x2B}, Concat(Ascii(kLineRecord), {0xFF}))},
    };
    for (const auto& [name, build, expected] : cases) {
        EXPECT_TRUE(build) << name;
        EXPECT_FALSE(build.refusal.has_value()) << name;
        EXPECT_EQ(build.frame, expected) << name;
    }
    EXPECT_EQ(TEMPLATE_GET_POLL_ITEM[5], 0x00);
    EXPECT_EQ(TEMPLATE_GET_NODE_STATUS[5], 0x00);
    EXPECT_EQ(TEMPLATE_SET_POLL_ITEM[5], 0x00);
    EXPECT_EQ(TEMPLATE_SET_POLL_ITEM[6], 0x00);
}

TEST(CommandFrames, RefusesPayloadsThatWouldEndTheFrameEarly) {
    struct RefusalCase {
        const char* name;
        FrameBuild build;
        FrameRefusal expected;
    };
    const auto endByteAt = [](std::size_t position) {
        return FrameRefusal{
            .reason = Reason::EndByteInPayload, .payloadPosition = position, .value = 0xFF};
    };
    const Bytes record = Ascii(kLineRecord);
    const std::vector<RefusalCase> cases{
        {"GET_POLL_ITEM 255", BuildGetPollItem(255), endByteAt(0)},
        {"GET_NODE_STATUS 255", BuildGetNodeStatus(255), endByteAt(0)},
        {"SET_POLL_ITEM index 255", BuildSetPollItem(255, 12), endByteAt(0)},
        {"SET_POLL_ITEM node 255", BuildSetPollItem(0, 255), endByteAt(1)},
        {"SET_POLL_ITEM both 255", BuildSetPollItem(255, 255), endByteAt(0)},
        {"SEND_MESSAGE with FF", BuildSendMessage(Bytes{0x01, 0x0C, 0xFF, 0x30}), endByteAt(2)},
        {"SEND_MESSAGE FF last", BuildSendMessage(WithByte(Filled(254, 0x41), 253, 0xFF)),
         endByteAt(253)},
        {"SEND_MESSAGE 255 bytes",
         BuildSendMessage(Filled(255, 0x41)),
         {.reason = Reason::PayloadTooLong, .payloadLength = 255}},
        {"SEND_MESSAGE 300 bytes with FF",
         BuildSendMessage(Filled(300, 0xFF)),
         {.reason = Reason::PayloadTooLong, .payloadLength = 300}},
        {"PROGRAM_LINE with FF", BuildProgramLine(WithByte(record, 10, 0xFF)), endByteAt(10)},
        {"PROGRAM_LINE 42 bytes",
         BuildProgramLine(Bytes(record.begin(), record.end() - 1)),
         {.reason = Reason::WrongRecordLength, .payloadLength = 42}},
        {"PROGRAM_LINE 44 bytes",
         BuildProgramLine(Concat(record, {0x0D})),
         {.reason = Reason::WrongRecordLength, .payloadLength = 44}},
        {"PROGRAM_LINE empty",
         BuildProgramLine({}),
         {.reason = Reason::WrongRecordLength, .payloadLength = 0}},
    };
    for (const auto& [name, build, expected] : cases) {
        EXPECT_FALSE(build) << name;
        EXPECT_TRUE(build.frame.empty()) << name;
        EXPECT_EQ(build.refusal, expected) << name;
    }
}

TEST(CommandFrames, FindsTheFirstEndByte) {
    struct FindCase {
        Bytes payload;
        std::optional<std::size_t> position;
    };
    const std::vector<FindCase> cases{
        {{}, std::nullopt},
        {{0x00, 0xFE, 0x7F}, std::nullopt},
        {{0xFF}, 0},
        {{0x01, 0x02, 0xFF, 0xFF}, 2},
    };
    for (const auto& [payload, position] : cases) {
        const auto refusal = FindFrameEndInPayload(payload);
        ASSERT_EQ(refusal.has_value(), position.has_value());
        if (refusal) {
            EXPECT_EQ(refusal->payloadPosition, *position);
            EXPECT_EQ(refusal->value, 0xFF);
            EXPECT_EQ(refusal->reason, Reason::EndByteInPayload);
        }
    }
}

TEST(CommandFrames, RefusalLogLines) {
    struct LogCase {
        FrameRefusal refusal;
        std::string expected;
    };
    const std::vector<LogCase> cases{
        {{.reason = Reason::EndByteInPayload, .payloadPosition = 1, .value = 0xFF},
         "Not sent: byte 255 (0xFF) at payload position 1 would end the frame early"},
        {{.reason = Reason::EndByteInPayload, .payloadPosition = 0, .value = 0xFF},
         "Not sent: byte 255 (0xFF) at payload position 0 would end the frame early"},
        {{.reason = Reason::PayloadTooLong, .payloadLength = 300},
         "Not sent: a payload of 300 bytes does not fit in one frame"},
        {{.reason = Reason::WrongRecordLength, .payloadLength = 42},
         "Not sent: a line record must be 43 bytes, this one has 42"},
    };
    for (const auto& [refusal, expected] : cases) {
        EXPECT_EQ(refusal.LogLine(), expected);
    }
}

}  // namespace
}  // namespace kovex
