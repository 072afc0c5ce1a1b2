#include "firmware/HexPreflight.h"

#include <algorithm>
#include <array>
#include <vector>

#include "firmware/ProgrammingLines.h"
#include "seam/HexText.h"

namespace kovex {
namespace {

constexpr std::uint8_t NOT_A_DIGIT = 0xFF;
constexpr std::size_t SHORTEST_RECORD = 11;  // ':', count, address, type, checksum
constexpr std::uint8_t RECORD_EXTENDED_SEGMENT_ADDRESS = 0x02;
constexpr std::uint8_t LAST_KNOWN_TYPE = 0x05;

constexpr std::array<std::uint8_t, 256> MakeStrictDigitTable() {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t code = 0; code < table.size(); ++code) {
        if (code >= '0' && code <= '9') {
            table[code] = static_cast<std::uint8_t>(code - '0');
        } else if (code >= 'A' && code <= 'F') {
            table[code] = static_cast<std::uint8_t>(code - 'A' + 10);
        } else if (code >= 'a' && code <= 'f') {
            table[code] = static_cast<std::uint8_t>(code - 'a' + 10);
        } else {
            table[code] = NOT_A_DIGIT;
        }
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> STRICT_DIGITS = MakeStrictDigitTable();

// Two characters at once: the byte they spell, or NOT_A_PAIR when either is
// not a hex digit. Built once; 128 KiB.
constexpr std::uint16_t NOT_A_PAIR = 0x100;

const std::vector<std::uint16_t>& PairTable() {
    static const std::vector<std::uint16_t> table = [] {
        std::vector<std::uint16_t> pairs(0x10000, NOT_A_PAIR);
        for (std::size_t high = 0; high < 256; ++high) {
            for (std::size_t low = 0; low < 256; ++low) {
                if (STRICT_DIGITS[high] == NOT_A_DIGIT || STRICT_DIGITS[low] == NOT_A_DIGIT)
                    continue;
                pairs[high << 8 | low] =
                    static_cast<std::uint16_t>(STRICT_DIGITS[high] << 4 | STRICT_DIGITS[low]);
            }
        }
        return pairs;
    }();
    return table;
}

std::string Printable(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x20 && code < 0x7F) return std::string("'") + c + "'";
    return "character " + Hex(code, 2);
}

std::string FirstNonDigit(std::string_view line) {
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (STRICT_DIGITS[static_cast<unsigned char>(line[i])] == NOT_A_DIGIT) {
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

// An odd digit left at the end is checked but not added.
PairSum SumOfPairs(std::string_view line, const std::vector<std::uint16_t>& pairs) {
    unsigned sum = 0;
    unsigned seen = 0;
    std::size_t i = 1;
    for (; i + 1 < line.size(); i += 2) {
        const std::uint16_t value = pairs[static_cast<unsigned char>(line[i]) << 8 |
                                          static_cast<unsigned char>(line[i + 1])];
        sum += value;
        seen |= value;
    }
    bool allDigits = (seen & NOT_A_PAIR) == 0;
    if (i < line.size())
        allDigits = allDigits && STRICT_DIGITS[static_cast<unsigned char>(line[i])] != NOT_A_DIGIT;
    return {allDigits, static_cast<std::uint8_t>(sum)};
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

// The loaded bytes past the last line sent. A file in address order has none,
// so the marks that count each byte once are made only for one that has.
class PastImageEnd {
public:
    explicit PastImageEnd(std::int32_t imageEnd) : end_(imageEnd) {}

    void Add(const HexRecord& data) {
        const auto end = data.start + static_cast<std::int32_t>(data.digits.size() / 2);
        for (std::int32_t i = std::max(data.start, end_ + 1); i < end; ++i) {
            if (marks_.empty()) marks_.resize(FIRMWARE_IMAGE_SIZE);
            const auto at = static_cast<std::size_t>(i);
            if (marks_[at]) continue;
            marks_[at] = true;
            const auto address = static_cast<std::uint32_t>(IMAGE_BASE + i);
            if (found_.count++ == 0 || address < found_.first) found_.first = address;
            found_.last = std::max(found_.last, address);
        }
    }

    std::optional<BytesNotProgrammed> Found() const {
        if (found_.count == 0) return std::nullopt;
        BytesNotProgrammed found = found_;
        found.programmedEnd = static_cast<std::uint32_t>(IMAGE_BASE + end_);
        return found;
    }

private:
    std::int32_t end_;
    std::vector<bool> marks_;
    BytesNotProgrammed found_;
};

}  // namespace

bool PreflightFindings::Clean() const {
    return damagedRecords == 0 && faultyRecords == 0 && recordsOutsideWindow == 0 &&
           !endRecordMissing && !afterEnd && !noDataForCard && !pastImageEnd;
}

std::optional<RecordProblem> ProblemOfRecord(std::string_view line) {
    const auto damaged = [](std::string what) { return RecordProblem{std::move(what), true}; };
    const auto unusual = [](std::string what) { return RecordProblem{std::move(what), false}; };
    if (line.empty()) return unusual("it is empty");
    if (line[0] != LINE_START) return unusual("it does not begin with ':'");
    const PairSum pairs = SumOfPairs(line, PairTable());
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

namespace {

void Count(std::size_t& count, std::optional<RecordFault>& first, std::size_t lineNumber,
           std::string what) {
    if (count++ == 0) first = RecordFault{lineNumber, std::move(what)};
}

void NoteLineAfterEnd(std::optional<LinesAfterEnd>& afterEnd, std::size_t lineNumber) {
    if (!afterEnd) afterEnd = LinesAfterEnd{0, lineNumber};
    ++afterEnd->count;
}

std::string FirstRecordText(std::string_view label, std::size_t count, const RecordFault& first) {
    return std::string(label) + std::to_string(count) + ". The first, on line " +
           std::to_string(first.lineNumber) + ": " + first.what + ".";
}

}  // namespace

PreflightFindings PreflightCheck(std::span<const std::uint8_t> file, const HexImage& image) {
    PreflightFindings findings;
    findings.endRecordMissing = true;
    std::uint16_t upperAddress = 0;
    PastImageEnd pastEnd(image.ImageEnd);
    ForEachHexLine(file, [&](std::string_view line, std::size_t lineNumber) {
        if (line.empty()) return true;
        // The loader reads nothing past its end-of-file record: what follows
        // (a second file appended, say) is only counted.
        if (!findings.endRecordMissing) {
            NoteLineAfterEnd(findings.afterEnd, lineNumber);
            return true;
        }
        if (auto problem = ProblemOfRecord(line)) {
            if (problem->damaged) {
                Count(findings.damagedRecords, findings.firstDamage, lineNumber,
                      std::move(problem->what));
            } else {
                Count(findings.faultyRecords, findings.firstFault, lineNumber,
                      std::move(problem->what));
            }
        }
        // What the loader makes of the same line.
        const HexRecord record = ReadHexRecord(line, upperAddress);
        if (record.kind == HexRecord::Kind::OutsideWindow) ++findings.recordsOutsideWindow;
        if (record.kind == HexRecord::Kind::Data) pastEnd.Add(record);
        findings.endRecordMissing = record.kind != HexRecord::Kind::EndOfFile;
        return true;
    });
    findings.noDataForCard = PlanLines(image).empty();
    findings.pastImageEnd = pastEnd.Found();
    return findings;
}

std::string DamagedFileText(const PreflightFindings& findings) {
    if (!findings.firstDamage) return {};
    return FirstRecordText("Damaged records in the file: ", findings.damagedRecords,
                           *findings.firstDamage) +
           " The file is refused: KOVEX was not touched";
}

std::string PreflightQuestion(const PreflightFindings& findings) {
    std::string text;
    if (findings.firstFault) {
        text += FirstRecordText("Faulty records in the file: ", findings.faultyRecords,
                                *findings.firstFault) +
                "\n";
    }
    if (findings.recordsOutsideWindow > 0) {
        text += "Data records outside 2000-16000, which are not programmed: " +
                std::to_string(findings.recordsOutsideWindow) + ".\n";
    }
    if (const auto& past = findings.pastImageEnd) {
        text += "Data records out of address order: programming ends at " +
                Hex(past->programmedEnd, 4) + ", with the last data record in the file, so " +
                std::to_string(past->count) + " loaded bytes in " + Hex(past->first, 4) + "-" +
                Hex(past->last, 4) + " are not programmed.\n";
    }
    if (findings.endRecordMissing) {
        text += "The file has no end-of-file record: it may have been cut short.\n";
    }
    if (const auto& after = findings.afterEnd) {
        text += "The file goes on after its end-of-file record: " + std::to_string(after->count) +
                " more lines from line " + std::to_string(after->firstLine) +
                " are not read, so nothing in them is programmed.\n";
    }
    if (findings.noDataForCard) {
        text +=
            "The file holds no data for the card: programming would erase it and write "
            "nothing.\n";
    }
    return text + "Program KOVEX anyway?";
}

}  // namespace kovex
