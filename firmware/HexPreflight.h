// Checks a firmware file as Intel HEX before the card is touched, record by
// record, and says what the lenient loader would quietly make of it. Two
// kinds of findings: a damaged record (a wrong checksum, a character that is
// not a hex digit, a length its byte count does not give) means the file is
// corrupt and is never programmed; the others (records the loader skips or
// misreads, data it drops, leaves past the end it programs or never reads
// after the end-of-file record, an image with nothing to program) may be
// intended, and the user is asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "firmware/HexLoader.h"
#include "firmware/ProgrammingLines.h"

namespace kovex {

struct RecordFault {
    std::size_t lineNumber = 0;  // counted from 1, lines as the loader splits them
    std::string what;
    bool operator==(const RecordFault&) const = default;
};

// Loaded bytes past the last line the loop sends, which records out of
// address order leave there: every byte counted once, card addresses.
struct BytesNotProgrammed {
    std::size_t count = 0;
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::uint32_t programmedEnd = 0;  // the last address the lines cover
    bool operator==(const BytesNotProgrammed&) const = default;
};

// Lines after the end-of-file record, which the loader never reads.
struct LinesAfterEnd {
    std::size_t count = 0;  // lines that are not empty
    std::size_t firstLine = 0;
    bool operator==(const LinesAfterEnd&) const = default;
};

struct PreflightFindings {
    std::size_t damagedRecords = 0;
    std::optional<RecordFault> firstDamage;
    std::size_t faultyRecords = 0;  // sound records the loader skips or misreads
    std::optional<RecordFault> firstFault;
    std::size_t recordsOutsideWindow = 0;  // data records the loader drops
    bool endRecordMissing = false;
    std::optional<LinesAfterEnd> afterEnd;
    bool noDataForCard = false;  // the loop would send no line
    std::optional<BytesNotProgrammed> pastImageEnd;
    // A damaged file is refused whatever the user would answer.
    bool Damaged() const { return damagedRecords > 0; }
    bool Clean() const;
    bool operator==(const PreflightFindings&) const = default;
};

// A file loaded and checked in one pass: the image exactly as LoadHexImage
// loads it, the lines the loop would send, and what the check found.
struct CheckedHexFile {
    HexImage image;
    LinePlan plan;
    PreflightFindings findings;
};
CheckedHexFile LoadAndCheckHexFile(std::span<const std::uint8_t> file);

// The refusal of a damaged file: the count and the first damaged record.
std::string DamagedFileText(const PreflightFindings& findings);

// The text of the question that asks whether to program anyway; one line per
// finding that may be intended, then the question.
std::string PreflightQuestion(const PreflightFindings& findings);

}  // namespace kovex
