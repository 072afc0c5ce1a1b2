#include <gtest/gtest.h>

#include "firmware/HexPreflight.h"
#include "support/HexText.h"

namespace kovex::testing {
namespace {

const std::string D2000 = DataRecord(0x2000, 16, 0x11);

}  // namespace
}  // namespace kovex::testing

namespace kovex {
void PrintTo(const PreflightFindings& f, std::ostream* os) {
    const auto first = [](const std::optional<RecordFault>& fault) {
        return fault ? std::to_string(fault->lineNumber) + " " + fault->what : std::string("none");
    };
    *os << "{damaged " << f.damagedRecords << ", first " << first(f.firstDamage) << ", faulty "
        << f.faultyRecords << ", first " << first(f.firstFault) << ", outside "
        << f.recordsOutsideWindow << ", endMissing " << f.endRecordMissing << ", afterEnd "
        << (f.afterEnd ? f.afterEnd->count : 0) << ", noData " << f.noDataForCard << "}";
}
}  // namespace kovex

namespace kovex::testing {
namespace {

PreflightFindings Findings(std::size_t faulty, std::optional<RecordFault> first,
                           std::size_t outside = 0, bool endMissing = false, bool noData = false,
                           std::optional<BytesNotProgrammed> past = {}) {
    return {0, {}, faulty, std::move(first), outside, endMissing, {}, noData, past};
}

// A file with damaged records, and what else the check finds in it.
PreflightFindings Damaged(std::size_t damaged, RecordFault first, PreflightFindings others = {}) {
    others.damagedRecords = damaged;
    others.firstDamage = std::move(first);
    return others;
}

PreflightFindings AfterEnd(std::size_t count, std::size_t firstLine) {
    PreflightFindings findings;
    findings.afterEnd = LinesAfterEnd{count, firstLine};
    return findings;
}

PreflightFindings Check(const std::string& text) {
    return LoadAndCheckHexFile(Bytes(text)).findings;
}

TEST(HexPreflightTest, FindsWhatTheLoaderWouldQuietlyMisread) {
    struct Case {
        const char* name;
        std::string file;
        PreflightFindings findings;
    };
    const Case cases[] = {
        {"clean file", HexFile({UpperAddressRecord(0), D2000, END_RECORD}), Findings(0, {})},
        {"clean file, lower case", ":02200000abcd66\r\n:00000001ff\r\n", Findings(0, {})},
        {"start codes of type 02, 03, 05 with zero segment",
         HexFile({HexRecord(0, 2, {0, 0}), HexRecord(0, 3, {0, 0, 0, 0}),
                  HexRecord(0, 5, {0, 0, 0x20, 0}), D2000, END_RECORD}),
         Findings(0, {})},
        {"wrong checksum", HexFile({D2000, ":0220100012340F", ":0220200012340F", END_RECORD}),
         Damaged(2, RecordFault{2, "its checksum is 0F, should be 88"})},
        {"no start code", HexFile({D2000, "20100012", END_RECORD}),
         Findings(1, RecordFault{2, "it does not begin with ':'"})},
        {"not a hex digit", HexFile({":0220100012G488", END_RECORD}),
         Damaged(1, RecordFault{1, "'G' at column 12 is not a hex digit"})},
        {"control character", HexFile({std::string(":02201000\t2340F"), END_RECORD}),
         Damaged(1, RecordFault{1, "character 09 at column 10 is not a hex digit"})},
        {"byte above 7F",
         HexFile({std::string(":02201000\xB0"
                              "2340F"),
                  END_RECORD}),
         Damaged(1, RecordFault{1, "character B0 at column 10 is not a hex digit"})},
        {"line longer than its count", HexFile({":0120100012340F", END_RECORD}),
         Damaged(1, RecordFault{1, "it has 15 characters, its byte count 01 needs 13"})},
        {"record shorter than its count",
         HexFile({D2000, DataRecord(0x2010, 16, 1).substr(0, 30), END_RECORD}),
         Damaged(1, RecordFault{2, "it has 30 characters, its byte count 10 needs 43"})},
        {"too short", HexFile({":0000", D2000, END_RECORD}),
         Damaged(1, RecordFault{1, "it is too short for a record"})},
        {"damaged and unusual records counted apart",
         HexFile({HexRecord(0x2000, 0x06, {}), ":0220100012340F", D2000}),
         Damaged(1, RecordFault{2, "its checksum is 0F, should be 88"},
                 Findings(1, RecordFault{1, "record type 06 is unknown"}, 0, true))},
        {"unknown type", HexFile({HexRecord(0x2000, 0x06, {}), D2000, END_RECORD}),
         Findings(1, RecordFault{1, "record type 06 is unknown"})},
        {"type 04 with count 1", HexFile({HexRecord(0, 0x04, {0}), D2000, END_RECORD}),
         Findings(1, RecordFault{1, "a type 04 record needs byte count 02, not 01"}, 1, false,
                  true)},
        {"type 01 with count 1", HexFile({D2000, HexRecord(0, 0x01, {0})}),
         Findings(1, RecordFault{2, "a type 01 record needs byte count 00, not 01"})},
        {"segment address not zero", HexFile({HexRecord(0, 2, {0x10, 0}), D2000, END_RECORD}),
         Findings(1, RecordFault{1,
                                 "extended segment address 1000 is not supported: the data "
                                 "after it would load at the wrong address"})},
        {"LF line ends", D2000 + "\n" + END_RECORD + "\n", Findings(0, {})},
        {"records outside the window",
         HexFile({DataRecord(0x1000, 16, 1), D2000, UpperAddressRecord(1), DataRecord(0x6001, 1, 1),
                  UpperAddressRecord(2), DataRecord(0, 1, 1), END_RECORD}),
         Findings(0, {}, 3)},
        {"no end record", HexFile({D2000}), Findings(0, {}, 0, true)},
        {"lines after the end record counted, not checked",
         HexFile({D2000, END_RECORD, ":zz", "", D2000, END_RECORD}), AfterEnd(3, 3)},
        {"empty lines pass", "\r\n" + D2000 + "\r\n\r\n" + END_RECORD, Findings(0, {})},
        {"no data for the card", HexFile({DataRecord(0x1000, 16, 1), END_RECORD}),
         Findings(0, {}, 1, false, true)},
        {"only FF data", HexFile({DataRecord(0x2000, 16, 0xFF), END_RECORD}),
         Findings(0, {}, 0, false, true)},
        {"empty file", "", Findings(0, {}, 0, true, true)},
        {"records at 3000 then 2000", HexFile({DataRecord(0x3000, 16, 1), D2000, END_RECORD}),
         Findings(0, {}, 0, false, false, {{16, 0x3000, 0x300F, 0x203F}})},
        {"overlapping records past the end: each byte once",
         HexFile({DataRecord(0x3000, 16, 1), DataRecord(0x3008, 16, 2), D2000, END_RECORD}),
         Findings(0, {}, 0, false, false, {{24, 0x3000, 0x3017, 0x203F}})},
        {"a record reaching past the last line, then one below it",
         HexFile({DataRecord(0x2030, 32, 1), D2000, END_RECORD}),
         Findings(0, {}, 0, false, false, {{16, 0x2040, 0x204F, 0x203F}})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Check(c.file), c.findings) << c.name;
}

TEST(HexPreflightTest, TheQuestionSaysEveryFindingThenAsks) {
    struct Case {
        const char* name;
        PreflightFindings findings;
        std::string text;
    };
    const Case cases[] = {
        {"one fault", Findings(1, RecordFault{7, "it is too short for a record"}),
         "Faulty records in the file: 1. The first, on line 7: it is too short for a record.\n"
         "Program KOVEX anyway?"},
        {"everything", Findings(3, RecordFault{2, "record type 06 is unknown"}, 4, true, true),
         "Faulty records in the file: 3. The first, on line 2: record type 06 is unknown.\n"
         "Data records outside 2000-16000, which are not programmed: 4.\n"
         "The file has no end-of-file record: it may have been cut short.\n"
         "The file holds no data for the card: programming would erase it and write nothing.\n"
         "Program KOVEX anyway?"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PreflightQuestion(c.findings), c.text) << c.name;
    EXPECT_EQ(PreflightQuestion(AfterEnd(2, 9)),
              "The file goes on after its end-of-file record: 2 more lines from line 9 are not "
              "read, so nothing in them is programmed.\nProgram KOVEX anyway?");
    EXPECT_EQ(DamagedFileText(Damaged(2, RecordFault{4, "its checksum is 0F, should be 88"})),
              "Damaged records in the file: 2. The first, on line 4: its checksum is 0F, should "
              "be 88. The file is refused: KOVEX was not touched");
    EXPECT_TRUE(Findings(0, {}).Clean());
    EXPECT_FALSE(Findings(0, {}, 0, true).Clean());
}

}  // namespace
}  // namespace kovex::testing
