#include "seam/HexText.h"

#include <algorithm>
#include <string_view>

namespace kovex {

std::string Hex(std::uint32_t value, int width) {
    constexpr std::string_view DIGITS = "0123456789ABCDEF";
    std::string digits;
    do {
        digits.push_back(DIGITS[value & 0x0F]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(digits.size()) < width)
        digits.push_back('0');
    std::reverse(digits.begin(), digits.end());
    return digits;
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += ' ';
        text += Hex(byte, 2);
    }
    return text;
}

}  // namespace kovex
