#include "console/NodeMessage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kovex {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(const Bytes& bytes) {
    std::string line = "Sent: ";
    static constexpr char digits[] = "0123456789ABCDEF";
    for (const auto b : bytes) {
        line += ' ';
        line += digits[b >> 4];
        line += digits[b & 0xF];
    }
    return line;
}

// n numbers "1 2 3 ... " wrapping inside 1..200, so none is 255.
std::string CountingLine(int n) {
    std::string line;
    for (int i = 0; i < n; ++i)
        line += std::to_string(i % 200 + 1) + " ";
    return line;
}

Bytes CountingFrame(int n) {
    Bytes frame{0x00, 0x5A, 0xF0, 0x0A, static_cast<std::uint8_t>(n + 2), 0x01};
    for (int i = 0; i < n; ++i) {
        frame.push_back(static_cast<std::uint8_t>(i % 200 + 1));
        if (i == 2) frame.push_back(static_cast<std::uint8_t>(n - 3));
    }
    frame.push_back(0xFF);
    return frame;
}

TEST(NodeMessage, TextBecomesItsExactFrameAndLine) {
    struct Case {
        std::string text;
        Bytes frame;
    };
    const std::vector<Case> cases{
        {"10 0 7", {0x00, 0x5A, 0xF0, 0x0A, 0x05, 0x01, 0x0A, 0x00, 0x07, 0x00, 0xFF}},
        {"0 5 2 1", {0x00, 0x5A, 0xF0, 0x0A, 0x06, 0x00, 0x00, 0x05, 0x02, 0x01, 0x01, 0xFF}},
        {"  \t10   0    7 1\r\n",
         {0x00, 0x5A, 0xF0, 0x0A, 0x06, 0x01, 0x0A, 0x00, 0x07, 0x01, 0x01, 0xFF}},
        {"10\v0\x01"
         "7\r\n10\t3 2\n1",
         {0x00, 0x5A, 0xF0, 0x0A, 0x09, 0x01, 0x0A, 0x00, 0x07, 0x04, 0x0A, 0x03, 0x02, 0x01,
          0xFF}},
        {"$1F 0x10 +3 7x 254",
         {0x00, 0x5A, 0xF0, 0x0A, 0x07, 0x01, 0x1F, 0x10, 0x03, 0x02, 0x07, 0xFE, 0xFF}},
        {"10 34 16 0 0 64",
         {0x00, 0x5A, 0xF0, 0x0A, 0x08, 0x01, 0x0A, 0x22, 0x10, 0x03, 0x00, 0x00, 0x40, 0xFF}},
        {"   ", {}},  // three blanks: one number, refused below
        {CountingLine(249), CountingFrame(249)},
    };
    for (const Case& c : cases) {
        if (c.frame.empty()) continue;
        const NodeMessage message = BuildNodeMessage(c.text);
        ASSERT_EQ(message.outcome, NodeMessage::Outcome::Built) << c.text;
        EXPECT_EQ(message.frame, c.frame) << c.text;
        EXPECT_EQ(message.line, Hex(c.frame)) << c.text;
    }
    EXPECT_EQ(BuildNodeMessage(CountingLine(249)).frame.size(), 257u);
    EXPECT_EQ(BuildNodeMessage("10 0 7").line, "Sent:  00 5A F0 0A 05 01 0A 00 07 00 FF");
}

TEST(NodeMessage, LinesThatCannotTravelAreRefusedWithTheirReason) {
    struct Case {
        std::string text;
        std::string line;
    };
    const std::vector<Case> cases{
        {"1 2",
         "Message not sent: a node message needs node, device and command; "
         "this line has 2 numbers"},
        {"100",
         "Message not sent: a node message needs node, device and command; "
         "this line has 1 number"},
        {"   ",
         "Message not sent: a node message needs node, device and command; "
         "this line has 1 number"},
        {"255 0 7",
         "Message not sent: number 1 (node), 255, is 255 as a byte and would end "
         "the frame early"},
        {"10 $FF 7",
         "Message not sent: number 2 (device), $FF, is 255 as a byte and would end "
         "the frame early"},
        {"10 0 511", "Message not sent: number 3 (command), 511, is not a number from 0 to 254"},
        {"256 0 7", "Message not sent: number 1 (node), 256, is not a number from 0 to 254"},
        {"4294967306 0 7",
         "Message not sent: number 1 (node), 4294967306, is not a number from 0 to 254"},
        {"10 $10000000A 7",
         "Message not sent: number 2 (device), $10000000A, is not a number from 0 to 254"},
        {"10 0 7 1 -1",
         "Message not sent: number 5 (parameter 2), -1, is not a number from 0 to 254"},
        {"x y z", "Message not sent: number 1 (node), x, is not a number"},
        {"10 0 7 abc", "Message not sent: number 4 (parameter 1), abc, is not a number"},
        {CountingLine(250),
         "Message not sent: this line has 250 numbers; at most 249 fit one "
         "message"},
    };
    for (const Case& c : cases) {
        const NodeMessage message = BuildNodeMessage(c.text);
        EXPECT_EQ(message.outcome, NodeMessage::Outcome::Refused) << c.text;
        EXPECT_EQ(message.line, c.line) << c.text;
        EXPECT_TRUE(message.frame.empty()) << c.text;
    }
}

TEST(NodeMessage, TextsShorterThanThreeCharactersAreIgnoredSilently) {
    for (const std::string text : {"", "0", "12", "1 "}) {
        const NodeMessage message = BuildNodeMessage(text);
        EXPECT_EQ(message.outcome, NodeMessage::Outcome::Ignored) << text;
        EXPECT_TRUE(message.line.empty()) << text;
        EXPECT_TRUE(message.frame.empty()) << text;
    }
}

}  // namespace
}  // namespace kovex
