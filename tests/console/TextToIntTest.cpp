#include "console/TextToInt.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace kovex {
namespace {

struct TextCase {
    std::string text;
    std::int32_t expected;
};

TEST(TextToInt, ConvertsTypedText) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    // 10^100 is a multiple of 2^32, so these long numbers wrap to their tail.
    const std::string hundredZeros(100, '0');
    const std::vector<TextCase> cases{
        {"7", 7},
        {" 7", 7},
        {"   7", 7},
        {"7x", 7},
        {"7 ", 7},
        {"abc", 0},
        {"", 0},
        {"   ", 0},
        {"$1F", 31},
        {"0x1f", 31},
        {"0X1F", 31},
        {"$ff", 255},
        {"$FFFFFFFF", -1},
        {"-3", -3},
        {"-3x", 3},
        {"-3 ", 3},
        {"+5", 5},
        {"+5x", 5},
        {"-", 0},
        {"+", 0},
        {"+ 5", 0},
        {"\t7", 0},
        {"$", 0},
        {"0x", 0},
        {"x1f", 31},
        {"X10", 16},
        {"$1G", 1},
        {"0", 0},
        {"007", 7},
        {"-0", 0},
        {"300", 300},
        {"12a", 12},
        {"12A", 12},
        {"2147483647", kMax},
        {"-2147483648", kMin},
        {"$80000000", kMin},
        {"$7FFFFFFF", kMax},
        {"-$5", 0},
        {"-0x5", 0},
        {"4294967296", 0},
        {"4294967298", 2},
        {"2147483648", kMin},
        {"$123456789", 0x23456789},
        {"-4294967297", -1},
        {"4294967297x", 1},
        {"1" + hundredZeros + "7", 7},
        {"-1" + hundredZeros + "7", -7},
        {"$" + std::string(40, 'F') + "12345678", 0x12345678},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(TextToInt(text), expected) << "text: \"" << text << '"';
    }
}

}  // namespace
}  // namespace kovex
