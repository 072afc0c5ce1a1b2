// Reads an Intel HEX firmware file into the image of the card's program
// memory from card address 0x2000 upward. The reading is lenient on purpose:
// it acts on data, end-of-file and extended linear address records, refuses
// nothing (its decoder says what is wrong with each record, for the check)
// and only skips lines too short for the fields they announce. A bare line
// feed ends a line as a carriage return does: a file from a Unix toolchain
// is read record by record, not as one line whose first record alone would
// load.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kovex {

inline constexpr std::int32_t IMAGE_BASE = 0x2000;    // card address of image index 0
inline constexpr std::int32_t IMAGE_LIMIT = 0x16000;  // highest record start address loaded
inline constexpr std::size_t FIRMWARE_IMAGE_SIZE = 0x20001;
inline constexpr std::uint8_t BLANK_BYTE = 0xFF;

inline constexpr std::uint8_t RECORD_DATA = 0x00;
inline constexpr std::uint8_t RECORD_END_OF_FILE = 0x01;
inline constexpr std::uint8_t RECORD_EXTENDED_LINEAR_ADDRESS = 0x04;

// Where a record's fields start: ':', count, address, type, data, checksum.
inline constexpr std::size_t HEX_COUNT_AT = 1;
inline constexpr std::size_t HEX_ADDRESS_AT = 3;
inline constexpr std::size_t HEX_TYPE_AT = 7;
inline constexpr std::size_t HEX_DATA_AT = 9;

inline constexpr char LINE_START = ':';
inline constexpr char CARRIAGE_RETURN = '\r';
inline constexpr char LINE_FEED = '\n';
inline constexpr char END_OF_TEXT = '\x1A';  // Ctrl-Z

struct HexImage {
    // Index i holds the byte for card address IMAGE_BASE + i.
    std::vector<std::uint8_t> FirmwareImage =
        std::vector<std::uint8_t>(FIRMWARE_IMAGE_SIZE, BLANK_BYTE);
    std::uint16_t UpperAddress = 0;
    // Just past the last accepted data record, raised to the end of its
    // 64-byte block once the file is read.
    std::int32_t ImageEnd = 0;
};

// One table for both readings of a character. Its low four bits are what
// the loader takes, by one rule: at most '9' its low four bits, above that
// the low four bits of its code less 7, so any character gives some value
// ('G' and the space give 0, ':' gives 3). NOT_A_HEX_DIGIT marks every
// character but 0-9, A-F and a-f, for the check; it stands above the low
// byte, so a sum of a few entries keeps the marks apart from the digits.
inline constexpr std::uint16_t NOT_A_HEX_DIGIT = 0x100;
constexpr std::array<std::uint16_t, 256> MakeHexDigitTable() {
    std::array<std::uint16_t, 256> table{};
    for (std::size_t code = 0; code < table.size(); ++code) {
        const std::size_t shifted = code <= 0x39 ? code : code - 7;
        const bool digit = (code >= '0' && code <= '9') || (code >= 'A' && code <= 'F') ||
                           (code >= 'a' && code <= 'f');
        table[code] = static_cast<std::uint16_t>((shifted & 0x0F) | (digit ? 0 : NOT_A_HEX_DIGIT));
    }
    return table;
}
inline constexpr std::array<std::uint16_t, 256> HEX_DIGIT_TABLE = MakeHexDigitTable();

inline std::uint8_t HexDigit(char c) {
    return static_cast<std::uint8_t>(HEX_DIGIT_TABLE[static_cast<unsigned char>(c)] & 0x0F);
}
// The two characters at position and position + 1; both must be in text.
inline std::uint8_t HexByte(std::string_view text, std::size_t position) {
    return static_cast<std::uint8_t>((HexDigit(text[position]) << 4) |
                                     HexDigit(text[position + 1]));
}
// HexByte at position, then at position + 2; all four must be in text.
inline std::uint16_t HexWord(std::string_view text, std::size_t position) {
    return static_cast<std::uint16_t>(HexByte(text, position) * 256 + HexByte(text, position + 2));
}

// The first carriage return, line feed or Ctrl-Z in [at, end), or end.
const char* FindLineEnd(const char* at, const char* end);

// Calls onLine(line, lineNumber) for each line of file, numbered from 1,
// until onLine returns false. A line ends at a carriage return, which takes
// a line feed right after it along, or at a bare line feed (what most
// toolchains write). Ctrl-Z ends the file: the text before it on its line is
// a last line.
template <typename OnLine>
void ForEachHexLine(std::span<const std::uint8_t> file, OnLine onLine) {
    if (file.empty()) return;
    std::size_t lineNumber = 0;
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): bytes read as characters
    const char* at = reinterpret_cast<const char*>(file.data());
    const char* const end = at + file.size();
    while (at != end) {
        const char* const lineEnd = FindLineEnd(at, end);
        if (!onLine(std::string_view(at, static_cast<std::size_t>(lineEnd - at)), ++lineNumber)) {
            return;
        }
        if (lineEnd == end || *lineEnd == END_OF_TEXT) return;
        at = lineEnd + 1;
        if (*lineEnd == CARRIAGE_RETURN && at != end && *at == LINE_FEED) ++at;
    }
}

// What is wrong with a record.
struct RecordProblem {
    std::string what;
    bool damaged = false;  // the record's text is corrupt, not merely unusual
};

// One line as the loader reads it, what it does with it, and what is wrong
// with it as Intel HEX.
struct HexRecord {
    enum class Kind {
        Skipped,        // not a record it acts on, too short for its fields, or an upper address
        EndOfFile,      // the loader stops here
        Data,           // loaded: `digits`, two per byte, from image index `start` on
        OutsideWindow,  // a data record whose load address is outside IMAGE_BASE to IMAGE_LIMIT
    };
    Kind kind = Kind::Skipped;
    std::int32_t start = 0;
    std::string_view digits;
    std::optional<RecordProblem> problem;  // none for a sound record or an empty line
};

// The one record decoder. An extended linear address record sets
// upperAddress, which the data records after it load under.
HexRecord ReadHexRecord(std::string_view line, std::uint16_t& upperAddress);
// Loads one record into image; false at the end-of-file record.
bool LoadRecord(const HexRecord& record, HexImage& image);
// Once the file is read: ImageEnd raised to the end of its 64-byte block.
void EndImage(HexImage& image);

// Loads file into a fresh image.
HexImage LoadHexImage(std::span<const std::uint8_t> file);
// Loads file into image, which starts over from all 0xFF.
void LoadHexImage(std::span<const std::uint8_t> file, HexImage& image);

}  // namespace kovex
