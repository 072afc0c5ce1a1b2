#include "firmware/HexPreflight.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "seam/HexText.h"

namespace kovex {
namespace {

// Which image bytes the records loaded, to find those the loop leaves past
// the end it programs (records out of address order put them there), each
// counted once. The marks are made at the first data record.
class LoadedBytes {
public:
    void Add(const HexRecord& data) {
        if (marks_.empty()) marks_.resize(FIRMWARE_IMAGE_SIZE);
        const auto count = static_cast<std::int32_t>(data.digits.size() / 2);
        std::fill_n(marks_.begin() + data.start, count, std::uint8_t{1});
        end_ = std::max(end_, data.start + count);
    }

    std::optional<BytesNotProgrammed> PastEnd(std::int32_t imageEnd) const {
        BytesNotProgrammed found;
        for (std::int32_t i = imageEnd + 1; i < end_; ++i) {
            if (marks_[static_cast<std::size_t>(i)] == 0) continue;
            const auto address = static_cast<std::uint32_t>(IMAGE_BASE + i);
            if (found.count++ == 0) found.first = address;
            found.last = address;
        }
        if (found.count == 0) return std::nullopt;
        found.programmedEnd = static_cast<std::uint32_t>(IMAGE_BASE + imageEnd);
        return found;
    }

private:
    std::vector<std::uint8_t> marks_;
    std::int32_t end_ = 0;  // just past the highest loaded byte
};

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

void NoteProblem(PreflightFindings& findings, std::optional<RecordProblem> problem,
                 std::size_t lineNumber) {
    if (!problem) return;
    if (problem->damaged) {
        Count(findings.damagedRecords, findings.firstDamage, lineNumber, std::move(problem->what));
    } else {
        Count(findings.faultyRecords, findings.firstFault, lineNumber, std::move(problem->what));
    }
}

}  // namespace

bool PreflightFindings::Clean() const {
    return damagedRecords == 0 && faultyRecords == 0 && recordsOutsideWindow == 0 &&
           !endRecordMissing && !afterEnd && !noDataForCard && !pastImageEnd;
}

CheckedHexFile LoadAndCheckHexFile(std::span<const std::uint8_t> file) {
    CheckedHexFile checked;
    HexImage& image = checked.image;
    PreflightFindings& findings = checked.findings;
    findings.endRecordMissing = true;
    LoadedBytes loaded;
    ForEachHexLine(file, [&](std::string_view line, std::size_t lineNumber) {
        if (line.empty()) return true;
        // The loader reads nothing past its end-of-file record: what follows
        // (a second file appended, say) is only counted.
        if (!findings.endRecordMissing) {
            NoteLineAfterEnd(findings.afterEnd, lineNumber);
            return true;
        }
        HexRecord record = ReadHexRecord(line, image.UpperAddress);
        NoteProblem(findings, std::move(record.problem), lineNumber);
        if (record.kind == HexRecord::Kind::OutsideWindow) ++findings.recordsOutsideWindow;
        if (record.kind == HexRecord::Kind::Data) loaded.Add(record);
        findings.endRecordMissing = LoadRecord(record, image);
        return true;
    });
    EndImage(image);
    checked.plan = PlanLines(image);
    findings.noDataForCard = checked.plan.empty();
    findings.pastImageEnd = loaded.PastEnd(image.ImageEnd);
    return checked;
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
