#include "firmware/HexLoader.h"

#include <array>
#include <cstring>

namespace kovex {
namespace {

// The four bits of every character by one rule: at most '9' its low four
// bits, above that the low four bits of its code less 7.
constexpr std::array<std::uint8_t, 256> MakeDigitTable() {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t code = 0; code < table.size(); ++code) {
        const std::size_t shifted = code <= 0x39 ? code : code - 7;
        table[code] = static_cast<std::uint8_t>(shifted & 0x0F);
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> DIGIT_TABLE = MakeDigitTable();

constexpr std::size_t COUNT_AT = 1;
constexpr std::size_t ADDRESS_AT = 3;
constexpr std::size_t TYPE_AT = 7;
constexpr std::size_t DATA_AT = 9;
constexpr std::size_t UPPER_ADDRESS_END = 13;  // type 04: its value fills 9-12
constexpr std::int32_t BLOCK_END_BITS = 0x3F;

inline std::uint8_t Byte(const char* digits) {
    return static_cast<std::uint8_t>((DIGIT_TABLE[static_cast<unsigned char>(digits[0])] << 4) |
                                     DIGIT_TABLE[static_cast<unsigned char>(digits[1])]);
}

// One line of the file; false once the end-of-file record is reached.
bool LoadLine(std::string_view line, HexImage& image) {
    if (line.size() < DATA_AT || line[0] != LINE_START) return true;
    const std::uint8_t count = HexByte(line, COUNT_AT);
    const std::uint16_t address = HexWord(line, ADDRESS_AT);
    const std::uint8_t type = HexByte(line, TYPE_AT);
    if (type == RECORD_EXTENDED_LINEAR_ADDRESS) {
        if (line.size() >= UPPER_ADDRESS_END) image.UpperAddress = HexWord(line, DATA_AT);
        return true;
    }
    if (type == RECORD_END_OF_FILE) return false;
    const std::int32_t load = static_cast<std::int32_t>(image.UpperAddress) * 0x10000 + address;
    if (type != RECORD_DATA || load < IMAGE_BASE || load > IMAGE_LIMIT) return true;
    if (line.size() < DATA_AT + 2 * std::size_t{count}) return true;
    const auto start = static_cast<std::size_t>(load - IMAGE_BASE);
    const char* digits = line.data() + DATA_AT;
    std::uint8_t* out = image.FirmwareImage.data() + start;
    for (std::size_t k = 0; k < count; ++k, digits += 2)
        out[k] = Byte(digits);
    image.ImageEnd = static_cast<std::int32_t>(start + count);
    return true;
}

}  // namespace

std::uint8_t HexDigit(char c) {
    return DIGIT_TABLE[static_cast<unsigned char>(c)];
}

std::uint8_t HexByte(std::string_view text, std::size_t position) {
    return Byte(text.data() + position);
}

std::uint16_t HexWord(std::string_view text, std::size_t position) {
    return static_cast<std::uint16_t>(HexByte(text, position) * 256 + HexByte(text, position + 2));
}

std::string_view HexFileText(std::span<const std::uint8_t> file) {
    if (file.empty()) return {};
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): bytes read as characters
    const auto* const chars = reinterpret_cast<const char*>(file.data());
    const auto* const stop = static_cast<const char*>(std::memchr(chars, END_OF_TEXT, file.size()));
    return {chars, stop == nullptr ? file.size() : static_cast<std::size_t>(stop - chars)};
}

HexImage LoadHexImage(std::span<const std::uint8_t> file) {
    HexImage image;
    LoadHexImage(file, image);
    return image;
}

void LoadHexImage(std::span<const std::uint8_t> file, HexImage& image) {
    image.FirmwareImage.assign(FIRMWARE_IMAGE_SIZE, BLANK_BYTE);
    image.UpperAddress = 0;
    image.ImageEnd = 0;
    ForEachHexLine(HexFileText(file),
                   [&image](std::string_view line, std::size_t) { return LoadLine(line, image); });
    image.ImageEnd |= BLOCK_END_BITS;
}

}  // namespace kovex
