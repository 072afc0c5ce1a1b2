#include <filesystem>

#include "ProgrammingRig.h"
#include "link/CardExchange.h"
#include "support/HexText.h"
#include "support/OddFiles.h"

namespace kovex::testing {
namespace {

using Lines = std::vector<std::string>;

TEST_F(ProgrammingTest, CancellingTheDialogDoesNothing) {
    Click();
    EXPECT_EQ(rig->window.fileDialogs, 1);
    EXPECT_TRUE(rig->window.log.empty());
    EXPECT_EQ(rig->window.label, "Label1");
    EXPECT_TRUE(rig->card.Mailbox().HostBytes().empty());
}

TEST_F(ProgrammingTest, AFileThatCannotBeReadLeavesTheCardAlone) {
    const OddFiles odd("", FIRMWARE_FILE_LIMIT);
    const std::pair<std::string, std::string> cases[] = {
        {"/nonexistent/kovex.hex", ": No such file or directory."},
        {odd.folder, ": it is a folder."},
        {odd.fifo, ": it is a FIFO (named pipe), not a regular file."},
        {odd.zeroLink, ": it is a character device, not a regular file."},
        {odd.overLimit, ": it is 67108865 bytes long, more than the 64 MiB allowed."},
    };
    for (const auto& [path, reason] : cases) {
        rig->window.log.clear();
        rig->window.errors.clear();
        rig->window.fileAnswers.emplace_back(path);
        WithFifoWriter(odd.fifo, [this] { Click(); });
        std::string error = "Cannot read the firmware file " + path;
        EXPECT_EQ(rig->window.errors, Lines{error += reason});
        EXPECT_EQ(rig->window.log, Lines{"Reading Hex file"});
    }
    EXPECT_TRUE(rig->card.Mailbox().HostBytes().empty());
}

TEST_F(ProgrammingTest, AFileOnDiskIsReadWhole) {
    const auto path = std::filesystem::temp_directory_path() / "kovex-programming-test.hex";
    const std::string hex = HexFile({DataRecord(0x2000, 16, 0x42), END_RECORD});
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(hex.data(), 1, hex.size(), file);
        std::fclose(file);
    }
    const FirmwareFile read = ReadFirmwareFile(path.string());
    EXPECT_EQ(std::string(read.Bytes().begin(), read.Bytes().end()), hex);
    rig->window.fileAnswers.emplace_back(path.string());
    Click();
    std::filesystem::remove(path);
    EXPECT_EQ(rig->window.log, CompletedRunLog());
    EXPECT_EQ(rig->card.State().flash.at(0x2000), 0x42);
}

// A damaged file is refused with no question, whatever the user would
// answer; a finding that may be intended is asked, and only Yes programs.
TEST_F(ProgrammingTest, ADamagedFileIsRefusedAndAnUnusualOneAsked) {
    const std::string d2000 = DataRecord(0x2000, 16, 0x11);
    const std::string unusual =
        "Faulty records in the file: 1. The first, on line 2: record type 06 is unknown.\n"
        "Program KOVEX anyway?";
    struct Case {
        const char* name;
        std::string hex;
        bool answer;
        std::string question;  // empty: none asked
        std::string error;     // empty: none shown
        bool programs;
    };
    const Case cases[] = {
        {"damaged, Yes would be given",
         HexFile({d2000, ":0220100012340F", ":0220200012340F", END_RECORD}), true, "",
         "Damaged records in the file: 2. The first, on line 2: its checksum is 0F, should be "
         "88. The file is refused: KOVEX was not touched.",
         false},
        {"unusual, No", HexFile({d2000, HexRecord(0, 0x06, {}), END_RECORD}), false, unusual, "",
         false},
        {"unusual, Yes", HexFile({d2000, HexRecord(0, 0x06, {}), END_RECORD}), true, unusual, "",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        rig->window.yesNoAnswers.push_back(c.answer);
        Program(c.hex);
        ASSERT_EQ(rig->window.questions.size(), c.question.empty() ? 0u : 1u);
        if (!c.question.empty()) {
            EXPECT_EQ(rig->window.questions[0].caption, "KOVEX Programmer");
            EXPECT_EQ(rig->window.questions[0].text, c.question);
            EXPECT_FALSE(rig->window.questions[0].defaultYes);
        }
        EXPECT_EQ(rig->window.errors, c.error.empty() ? Lines{} : Lines{c.error});
        if (c.programs) {
            EXPECT_EQ(rig->window.log, CompletedRunLog());
            EXPECT_EQ(rig->card.State().flash.at(0x2000), 0x11);
        } else {
            EXPECT_EQ(rig->window.log.front(), "Reading Hex file");
            EXPECT_TRUE(rig->card.Mailbox().HostBytes().empty());
        }
    }
}

TEST_F(ProgrammingTest, DataLeftPastTheEndByRecordsOutOfOrderIsNamedFirst) {
    std::string hex = FilledHexFile(0x2040, 0x2FF0);
    hex.insert(hex.rfind(END_RECORD), DataRecord(0x2000, {0x02, 0x20, 0x40, 0x00}) + "\r\n");
    Program(hex);
    ASSERT_EQ(rig->window.questions.size(), 1u);
    EXPECT_EQ(rig->window.questions[0].text,
              "Data records out of address order: programming ends at 203F, with the last data "
              "record in the file, so 4032 loaded bytes in 2040-2FFF are not programmed.\n"
              "Program KOVEX anyway?");
    EXPECT_TRUE(rig->card.Mailbox().HostBytes().empty());
}

TEST_F(ProgrammingTest, AnImageWithALinePastFFFFIsRefusedBeforeTheCard) {
    struct Case {
        const char* name;
        std::string hex;
        std::string error;
    };
    const Case cases[] = {
        {"lines up to 10010", FilledHexFile(0xFFC0, 0x10010),
         "The file holds data for card address 10000, but a programming line carries addresses "
         "up to FFFF only; nothing was sent to KOVEX."},
        {"data past a blank block",
         HexFile({DataRecord(0xFFF0, 1, 1), UpperAddressRecord(1), DataRecord(0x0085, 1, 1),
                  END_RECORD}),
         "The file holds data for card address 10080, but a programming line carries addresses "
         "up to FFFF only; nothing was sent to KOVEX."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        Program(c.hex);
        EXPECT_EQ(rig->window.errors, Lines{c.error});
        EXPECT_EQ(rig->window.log, Lines{"Reading Hex file"});
        EXPECT_TRUE(rig->window.questions.empty());
        EXPECT_TRUE(rig->card.Mailbox().HostBytes().empty());
    }
}

TEST_F(ProgrammingTest, BeforeOpenNothingIsAsked) {
    CardRig closed;
    ProgrammingSequence unopened{closed.port, closed.window};
    closed.window.fileAnswers.emplace_back("kovex.hex");
    unopened.Button2Click();
    EXPECT_EQ(closed.window.log, Lines{std::string(NO_CARD_OPEN_LINE)});
    EXPECT_EQ(closed.window.fileDialogs, 0);
}

}  // namespace
}  // namespace kovex::testing
