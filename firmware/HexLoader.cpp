#include "firmware/HexLoader.h"

#include <bit>
#include <cstring>

namespace kovex {
namespace {

constexpr std::size_t UPPER_ADDRESS_END = 13;  // type 04: its value fills 9-12
constexpr std::int32_t BLOCK_END_BITS = 0x3F;
constexpr auto WINDOW_START = static_cast<std::uint32_t>(IMAGE_BASE);
constexpr auto WINDOW_LAST = static_cast<std::uint32_t>(IMAGE_LIMIT);

inline std::uint8_t Byte(const char* digits) {
    return static_cast<std::uint8_t>((HexDigit(digits[0]) << 4) | HexDigit(digits[1]));
}

// One line of the file; false once the end-of-file record is reached.
bool LoadLine(std::string_view line, HexImage& image) {
    const HexRecord record = ReadHexRecord(line, image.UpperAddress);
    if (record.kind == HexRecord::Kind::EndOfFile) return false;
    if (record.kind != HexRecord::Kind::Data) return true;
    const std::size_t count = record.digits.size() / 2;
    const char* digits = record.digits.data();
    std::uint8_t* out = image.FirmwareImage.data() + record.start;
    for (std::size_t k = 0; k < count; ++k, digits += 2)
        out[k] = Byte(digits);
    image.ImageEnd = record.start + static_cast<std::int32_t>(count);
    return true;
}

}  // namespace

HexRecord ReadHexRecord(std::string_view line, std::uint16_t& upperAddress) {
    using Kind = HexRecord::Kind;
    if (line.size() < HEX_DATA_AT || line[0] != LINE_START) return {};
    const std::uint8_t type = HexByte(line, HEX_TYPE_AT);
    if (type == RECORD_EXTENDED_LINEAR_ADDRESS) {
        if (line.size() >= UPPER_ADDRESS_END) upperAddress = HexWord(line, HEX_DATA_AT);
        return {};
    }
    if (type == RECORD_END_OF_FILE) return {Kind::EndOfFile, 0, {}};
    if (type != RECORD_DATA) return {};
    // Upper addresses run to FFFF: the load address needs 32 unsigned bits.
    const std::uint32_t load = std::uint32_t{upperAddress} << 16 | HexWord(line, HEX_ADDRESS_AT);
    if (load < WINDOW_START || load > WINDOW_LAST) return {Kind::OutsideWindow, 0, {}};
    const std::size_t digits = 2 * std::size_t{HexByte(line, HEX_COUNT_AT)};
    if (line.size() < HEX_DATA_AT + digits) return {};
    return {Kind::Data, static_cast<std::int32_t>(load - WINDOW_START),
            line.substr(HEX_DATA_AT, digits)};
}

const char* FindLineEnd(const char* at, const char* end) {
    if constexpr (std::endian::native == std::endian::little) {
        // Eight characters at a time: a byte of the word equals CR, LF or
        // Ctrl-Z when the word XOR that byte repeated has a zero byte.
        constexpr std::uint64_t ONES = 0x0101010101010101ull;
        constexpr std::uint64_t HIGHS = 0x8080808080808080ull;
        constexpr std::uint64_t CRS = ONES * static_cast<unsigned char>(CARRIAGE_RETURN);
        constexpr std::uint64_t LFS = ONES * static_cast<unsigned char>(LINE_FEED);
        constexpr std::uint64_t CTRL_ZS = ONES * static_cast<unsigned char>(END_OF_TEXT);
        const auto zeroByte = [](std::uint64_t x) { return (x - ONES) & ~x & HIGHS; };
        while (end - at >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, at, sizeof word);
            const std::uint64_t found =
                zeroByte(word ^ CRS) | zeroByte(word ^ LFS) | zeroByte(word ^ CTRL_ZS);
            if (found != 0) return at + std::countr_zero(found) / 8;
            at += 8;
        }
    }
    while (at != end && *at != CARRIAGE_RETURN && *at != LINE_FEED && *at != END_OF_TEXT)
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
