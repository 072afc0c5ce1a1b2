#include "firmware/HexLoader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cstring>
#include <utility>

#include "seam/HexText.h"

namespace kovex {
namespace {

constexpr std::size_t UPPER_ADDRESS_END = 13;  // type 04: its value fills 9-12
constexpr std::size_t SHORTEST_RECORD = 11;    // ':', count, address, type, checksum
constexpr std::int32_t BLOCK_END_BITS = 0x3F;
constexpr auto WINDOW_START = static_cast<std::uint32_t>(IMAGE_BASE);
constexpr auto WINDOW_LAST = static_cast<std::uint32_t>(IMAGE_LIMIT);
constexpr std::uint8_t RECORD_EXTENDED_SEGMENT_ADDRESS = 0x02;
constexpr std::uint8_t LAST_KNOWN_TYPE = 0x05;

inline unsigned DigitEntry(char c) {
    return HEX_DIGIT_TABLE[static_cast<unsigned char>(c)];
}

inline std::uint8_t Byte(const char* digits) {
    return static_cast<std::uint8_t>((HexDigit(digits[0]) << 4) | HexDigit(digits[1]));
}

HexRecord Record(HexRecord::Kind kind, std::int32_t start = 0, std::string_view digits = {}) {
    HexRecord record;
    record.kind = kind;
    record.start = start;
    record.digits = digits;
    return record;
}

// The record's fields as the loader takes them.
HexRecord RecordAsLoaded(std::string_view line, std::uint16_t& upperAddress) {
    using Kind = HexRecord::Kind;
    if (line.size() < HEX_DATA_AT || line[0] != LINE_START) return {};
    const std::uint8_t type = HexByte(line, HEX_TYPE_AT);
    if (type == RECORD_EXTENDED_LINEAR_ADDRESS) {
        if (line.size() >= UPPER_ADDRESS_END) upperAddress = HexWord(line, HEX_DATA_AT);
        return {};
    }
    if (type == RECORD_END_OF_FILE) return Record(Kind::EndOfFile);
    if (type != RECORD_DATA) return {};
    // Upper addresses run to FFFF: the load address needs 32 unsigned bits.
    const std::uint32_t load = std::uint32_t{upperAddress} << 16 | HexWord(line, HEX_ADDRESS_AT);
    if (load < WINDOW_START || load > WINDOW_LAST) return Record(Kind::OutsideWindow);
    const std::size_t digits = 2 * std::size_t{HexByte(line, HEX_COUNT_AT)};
    if (line.size() < HEX_DATA_AT + digits) return {};
    return Record(Kind::Data, static_cast<std::int32_t>(load - WINDOW_START),
                  line.substr(HEX_DATA_AT, digits));
}

std::string Printable(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x20 && code < 0x7F) return std::string("'") + c + "'";
    return "character " + Hex(code, 2);
}

std::string FirstNonDigit(std::string_view line) {
    for (std::size_t i = 1; i < line.size(); ++i) {
        if ((DigitEntry(line[i]) & NOT_A_HEX_DIGIT) != 0) {
            return Printable(line[i]) + " at column " + std::to_string(i + 1) +
                   " is not a hex digit";
        }
    }
    return {};
}

struct PairSum {
    bool allDigits = true;
    std::uint8_t sum = 0;  // of the bytes the digits spell, from position 1 on
};

// An odd digit left at the end is checked but not added. Four entries add
// up to at most 60 in their low byte: their marks stay above it, and only
// the low byte of the sum counts.
PairSum SumOfPairs(std::string_view line) {
    unsigned sum = 0;
    unsigned marks = 0;
    std::size_t i = 1;
    // Four pairs a turn, then what is left pair by pair.
    for (; i + 8 < line.size(); i += 8) {
        const unsigned highs = DigitEntry(line[i]) + DigitEntry(line[i + 2]) +
                               DigitEntry(line[i + 4]) + DigitEntry(line[i + 6]);
        const unsigned lows = DigitEntry(line[i + 1]) + DigitEntry(line[i + 3]) +
                              DigitEntry(line[i + 5]) + DigitEntry(line[i + 7]);
        sum += (highs << 4) + lows;
        marks |= highs | lows;
    }
    for (; i + 1 < line.size(); i += 2) {
        const unsigned high = DigitEntry(line[i]);
        const unsigned low = DigitEntry(line[i + 1]);
        sum += (high << 4) + low;
        marks |= high | low;
    }
    if (i < line.size()) marks |= DigitEntry(line[i]);
    return {(marks & ~0xFFu) == 0, static_cast<std::uint8_t>(sum)};
}

// The byte count each record type other than data must carry.
std::optional<std::uint8_t> RequiredCount(std::uint8_t type) {
    switch (type) {
        case RECORD_END_OF_FILE:
            return 0;
        case RECORD_EXTENDED_SEGMENT_ADDRESS:
        case RECORD_EXTENDED_LINEAR_ADDRESS:
            return 2;
        case RECORD_DATA:
            return std::nullopt;
        default:  // start segment and start linear address
            return 4;
    }
}

std::optional<RecordProblem> ProblemOf(std::string_view line) {
    const auto damaged = [](std::string what) { return RecordProblem{std::move(what), true}; };
    const auto unusual = [](std::string what) { return RecordProblem{std::move(what), false}; };
    if (line[0] != LINE_START) return unusual("it does not begin with ':'");
    const PairSum pairs = SumOfPairs(line);
    if (!pairs.allDigits) return damaged(FirstNonDigit(line));
    if (line.size() < SHORTEST_RECORD) return damaged("it is too short for a record");
    const std::uint8_t count = HexByte(line, HEX_COUNT_AT);
    const std::size_t expected = SHORTEST_RECORD + 2 * std::size_t{count};
    if (line.size() != expected) {
        return damaged("it has " + std::to_string(line.size()) + " characters, its byte count " +
                       Hex(count, 2) + " needs " + std::to_string(expected));
    }
    // All bytes including the checksum add up to 0 in a sound record.
    if (pairs.sum != 0) {
        const std::uint8_t checksum = HexByte(line, line.size() - 2);
        const auto wanted = static_cast<std::uint8_t>(checksum - pairs.sum);
        return damaged("its checksum is " + Hex(checksum, 2) + ", should be " + Hex(wanted, 2));
    }
    const std::uint8_t type = HexByte(line, HEX_TYPE_AT);
    if (type > LAST_KNOWN_TYPE) return unusual("record type " + Hex(type, 2) + " is unknown");
    const auto required = RequiredCount(type);
    if (required && count != *required) {
        return unusual("a type " + Hex(type, 2) + " record needs byte count " + Hex(*required, 2) +
                       ", not " + Hex(count, 2));
    }
    if (type == RECORD_EXTENDED_SEGMENT_ADDRESS && HexWord(line, HEX_DATA_AT) != 0) {
        return unusual("extended segment address " + Hex(HexWord(line, HEX_DATA_AT), 4) +
                       " is not supported: the data after it would load at the wrong address");
    }
    return std::nullopt;
}

}  // namespace

HexRecord ReadHexRecord(std::string_view line, std::uint16_t& upperAddress) {
    HexRecord record = RecordAsLoaded(line, upperAddress);
    if (!line.empty()) record.problem = ProblemOf(line);
    return record;
}

bool LoadRecord(const HexRecord& record, HexImage& image) {
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

void EndImage(HexImage& image) {
    image.ImageEnd |= BLOCK_END_BITS;
}

const char* FindLineEnd(const char* at, const char* end) {
#if defined(__SSE2__)
    // Sixteen characters at a time, where the processor compares them at once.
    const __m128i crs = _mm_set1_epi8(CARRIAGE_RETURN);
    const __m128i lfs = _mm_set1_epi8(LINE_FEED);
    const __m128i ctrlZs = _mm_set1_epi8(END_OF_TEXT);
    while (end - at >= 16) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): an unaligned load
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, crs), _mm_cmpeq_epi8(chunk, lfs)),
                         _mm_cmpeq_epi8(chunk, ctrlZs));
        const auto found = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (found != 0) return at + std::countr_zero(found);
        at += 16;
    }
#endif
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
    ForEachHexLine(file, [&image](std::string_view line, std::size_t) {
        return LoadRecord(ReadHexRecord(line, image.UpperAddress), image);
    });
    EndImage(image);
}

}  // namespace kovex
