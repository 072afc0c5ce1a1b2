#include "firmware/HexLoader.h"

#include <bit>
#include <cstring>

namespace kovex {
namespace {

constexpr std::size_t COUNT_AT = 1;
constexpr std::size_t ADDRESS_AT = 3;
constexpr std::size_t TYPE_AT = 7;
constexpr std::size_t DATA_AT = 9;
constexpr std::size_t UPPER_ADDRESS_END = 13;  // type 04: its value fills 9-12
constexpr std::int32_t BLOCK_END_BITS = 0x3F;
constexpr auto WINDOW_START = static_cast<std::uint32_t>(IMAGE_BASE);
constexpr auto WINDOW_LAST = static_cast<std::uint32_t>(IMAGE_LIMIT);

inline std::uint8_t Byte(const char* digits) {
    return static_cast<std::uint8_t>((HexDigit(digits[0]) << 4) | HexDigit(digits[1]));
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
    // Upper addresses run to FFFF: the load address needs 32 unsigned bits.
    const std::uint32_t load = std::uint32_t{image.UpperAddress} << 16 | address;
    if (type != RECORD_DATA || load < WINDOW_START || load > WINDOW_LAST) return true;
    if (line.size() < DATA_AT + 2 * std::size_t{count}) return true;
    const std::size_t start = load - WINDOW_START;
    const char* digits = line.data() + DATA_AT;
    std::uint8_t* out = image.FirmwareImage.data() + start;
    for (std::size_t k = 0; k < count; ++k, digits += 2)
        out[k] = Byte(digits);
    image.ImageEnd = static_cast<std::int32_t>(start + count);
    return true;
}

}  // namespace

const char* FindLineEnd(const char* at, const char* end) {
    if constexpr (std::endian::native == std::endian::little) {
        // Eight characters at a time: a byte of the word equals CR or Ctrl-Z
        // when the word XOR that byte repeated has a zero byte.
        constexpr std::uint64_t ONES = 0x0101010101010101ull;
        constexpr std::uint64_t HIGHS = 0x8080808080808080ull;
        constexpr std::uint64_t CRS = ONES * static_cast<unsigned char>(CARRIAGE_RETURN);
        constexpr std::uint64_t CTRL_ZS = ONES * static_cast<unsigned char>(END_OF_TEXT);
        while (end - at >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, at, sizeof word);
            const std::uint64_t cr = word ^ CRS;
            const std::uint64_t ctrlZ = word ^ CTRL_ZS;
            const std::uint64_t found =
                ((cr - ONES) & ~cr & HIGHS) | ((ctrlZ - ONES) & ~ctrlZ & HIGHS);
            if (found != 0) return at + std::countr_zero(found) / 8;
            at += 8;
        }
    }
    while (at != end && *at != CARRIAGE_RETURN && *at != END_OF_TEXT)
        ++at;
    return at;
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
    ForEachHexLine(file,
                   [&image](std::string_view line, std::size_t) { return LoadLine(line, image); });
    image.ImageEnd |= BLOCK_END_BITS;
}

}  // namespace kovex
