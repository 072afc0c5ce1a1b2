// Checks a firmware file as Intel HEX before the card is touched, record by
// record up to its end-of-file record, and says what the lenient loader would
// quietly make of it: records it misreads, data it drops or leaves past the
// end it programs, or an image with nothing to program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "firmware/HexLoader.h"

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

struct PreflightFindings {
    std::size_t faultyRecords = 0;
    std::optional<RecordFault> firstFault;
    std::size_t recordsOutsideWindow = 0;  // data records the loader drops
    bool endRecordMissing = false;
    bool noDataForCard = false;  // the loop would send no line
    std::optional<BytesNotProgrammed> pastImageEnd;
    bool Clean() const;
    bool operator==(const PreflightFindings&) const = default;
};

// file as read; image as LoadHexImage made it from file.
PreflightFindings PreflightCheck(std::span<const std::uint8_t> file, const HexImage& image);

// What is wrong with the record, if anything.
std::optional<std::string> RecordProblem(std::string_view line);

// The text of the question that asks whether to program anyway; one line per
// finding, then the question.
std::string PreflightQuestion(const PreflightFindings& findings);

}  // namespace kovex
