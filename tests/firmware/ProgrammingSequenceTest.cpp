#include "ProgrammingRig.h"
#include "console/StatusCommands.h"
#include "link/CardExchange.h"
#include "link/CommandFrames.h"
#include "sim/CardCommands.h"
#include "support/HexText.h"

namespace kovex::testing {
namespace {

using Addresses = std::vector<std::uint32_t>;
using Lines = std::vector<std::string>;

Addresses Range(std::uint32_t first, std::uint32_t last) {
    Addresses addresses;
    for (std::uint32_t a = first; a <= last; a += 16)
        addresses.push_back(a);
    return addresses;
}

Addresses Join(Addresses a, const Addresses& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(ProgrammingTest, ACompletedRunSendsExactlyTheLinesThatHoldData) {
    struct Case {
        const char* name;
        std::string hex;
        Addresses lines;
        std::uint32_t labelEnd;
    };
    const Case cases[] = {
        {"one byte at 2005: four lines", HexFile({DataRecord(0x2005, {0x5A}), END_RECORD}),
         Range(0x2000, 0x2030), 0x203F},
        {"blank block between two blocks skipped",
         HexFile({DataRecord(0x2000, 16, 0x11), DataRecord(0x2080, 16, 0x22), END_RECORD}),
         Join(Range(0x2000, 0x2030), Range(0x2080, 0x20B0)), 0x20BF},
        {"2000-5FFF: blank block at 6000 skipped", FilledHexFile(0x2000, 0x5FF0),
         Range(0x2000, 0x5FF0), 0x603F},
        {"descending records: only below ImageEnd",
         HexFile({DataRecord(0x3000, 16, 0x11), DataRecord(0x2000, 16, 0x22), END_RECORD}),
         Range(0x2000, 0x2030), 0x203F},
        {"data at 10000 beyond ImageEnd is not sent",
         HexFile({UpperAddressRecord(1), DataRecord(0, 16, 0x33), UpperAddressRecord(0),
                  DataRecord(0x2000, 16, 0x22), END_RECORD}),
         Range(0x2000, 0x2030), 0x203F},
        {"last line before 10000", FilledHexFile(0xFFF0, 0xFFF0), Range(0xFFC0, 0xFFF0), 0x1003F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        rig->window.yesNoAnswers.push_back(true);  // records out of order ask
        Program(c.hex);
        EXPECT_EQ(rig->window.log, CompletedRunLog(c.lines));
        EXPECT_EQ(Commands(), CompletedRunCommands(c.lines.size()));
        EXPECT_EQ(LineAddresses(), c.lines);
        EXPECT_EQ(rig->window.labels, ProgressLabels(c.lines, c.labelEnd));
        EXPECT_EQ(rig->card.State().flash, FlashOf(c.hex, c.lines));
        EXPECT_EQ(rig->state.CardMode, MODE_RUN);
        EXPECT_TRUE(rig->window.errors.empty());
    }
}

TEST_F(ProgrammingTest, EachLineIsOneFrameOfFortyNineBytes) {
    const std::string hex = HexFile({DataRecord(0x2005, {0x5A}), END_RECORD});
    Program(hex);
    const auto& frames = rig->card.Mailbox().FramesReceived();
    ASSERT_EQ(frames.size(), 9u);
    // The record: ":10", address, "00", 16 bytes, "00" where a checksum would be.
    const std::string record =
        ":102000"
        "00"
        "FFFFFFFFFF5AFFFFFFFFFFFFFFFFFFFF"
        "00";
    std::vector<std::uint8_t> line{0x00, 0x5A, 0xF0, 0x00, 0x2B};
    line.insert(line.end(), record.begin(), record.end());
    line.push_back(0xFF);
    EXPECT_EQ(frames[2], line);
    EXPECT_EQ(frames[2].size(), 49u);
}

TEST_F(ProgrammingTest, AnyAcknowledgementByteAcceptsTheLine) {
    for (const std::uint8_t ack : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
        SCOPED_TRACE(static_cast<int>(ack));
        rig->window.log.clear();
        rig->card.State().lineAck = ack;
        Program(HexFile({DataRecord(0x2000, 16, 0x11), END_RECORD}));
        EXPECT_EQ(rig->window.log, CompletedRunLog());
        EXPECT_EQ(LineAddresses().size() % 4, 0u);
    }
    EXPECT_EQ(LineAddresses(), Join(Range(0x2000, 0x2030), Range(0x2000, 0x2030)));
}

TEST_F(ProgrammingTest, ACardThatTakesEachByteSlowlyAndAcksLateIsServed) {
    rig->card.Timing().txBusyHold = 40us;
    rig->card.Timing().lineAckDelay = 1900ms;  // just inside the 20 ticks
    const std::string hex = HexFile({DataRecord(0x2000, 16, 0x11), END_RECORD});
    Program(hex);
    EXPECT_EQ(rig->window.log, CompletedRunLog());
    EXPECT_EQ(rig->card.State().flash, FlashOf(hex, Range(0x2000, 0x2030)));
}

TEST_F(ProgrammingTest, ALineNotAcknowledgedInTimeEndsTheRun) {
    rig->card.Faults().noAckAtLine = 2;
    Program(HexFile({DataRecord(0x2000, 64, 0x11), DataRecord(0x2040, 64, 0x22), END_RECORD}));
    const std::string stopped =
        "Stopped after line 2010 (2 of 8 lines sent): the card holds part of its firmware; "
        "program it again";
    EXPECT_EQ(rig->window.log,
              (Lines{"Reading Hex file", "Reseting KOVEX", "Erasing KOVEX Firmware",
                     "Programming KOVEX", "Programming timed out", stopped}));
    EXPECT_EQ(rig->window.label, "Programming timed out");
    EXPECT_EQ(LineAddresses(), (Addresses{0x2000, 0x2010, 0x2020}));
    EXPECT_EQ(Commands(), (std::vector<std::uint8_t>{CMD_RESET, CMD_ERASE, 0, 0, 0}));
    EXPECT_EQ(rig->card.State().resetCount, 1);
    EXPECT_EQ(rig->state.CardMode, MODE_BEFORE);
}

TEST_F(ProgrammingTest, AByteFoundOnlyAsTheTicksRunOutIsATimeOut) {
    struct Case {
        std::uint8_t ticksLeft;  // when the acknowledgement appears
        bool completes;
    };
    for (const Case c : {Case{1, true}, Case{0, false}}) {
        SCOPED_TRACE(static_cast<int>(c.ticksLeft));
        Restart();
        rig->card.Faults().noAckAtLine = 0;
        WhenFirst(
            [this, c] {
                return rig->card.Mailbox().FramesReceived().size() == 3 &&
                       rig->state.TickCountdown == c.ticksLeft;
            },
            [this] { rig->card.Mailbox().InjectReplyBytes({0x06}); });
        Program(HexFile({DataRecord(0x2000, 16, 0x11), END_RECORD}));
        if (c.completes) {
            EXPECT_EQ(rig->window.log, CompletedRunLog());
        } else {
            EXPECT_EQ(rig->window.log.back(),
                      "Stopped after the erase: the card holds no firmware; program it again");
            EXPECT_EQ(rig->window.log.end()[-2], "Programming timed out");
            EXPECT_TRUE(rig->port.ByteWaiting());  // it had arrived
            EXPECT_EQ(rig->state.CardMode, MODE_BEFORE);
        }
    }
}

TEST_F(ProgrammingTest, AFileWithNoDataErasesTheCardOnlyWhenTheUserSaysYes) {
    rig->window.yesNoAnswers.push_back(true);
    Program(HexFile({DataRecord(0x1000, 16, 0x11), END_RECORD}));
    ASSERT_EQ(rig->window.questions.size(), 1u);
    EXPECT_EQ(rig->window.questions[0].text,
              "Data records outside 2000-16000, which are not programmed: 1.\n"
              "The file holds no data for the card: programming would erase it and write "
              "nothing.\nProgram KOVEX anyway?");
    EXPECT_EQ(rig->window.log, CompletedRunLog({}));
    EXPECT_EQ(rig->window.log[6], "Firmware version from KOVEX = KOVEX FW crc32=00000000");
    EXPECT_EQ(Commands(), CompletedRunCommands(0));
    EXPECT_EQ(rig->window.labels, Lines{"Programmed 0 lines"});
}

TEST_F(ProgrammingTest, TheNewFirmwareNamesWhatWasProgrammed) {
    const std::string hex = FilledHexFile(0x2000, 0x20F0);
    Program(hex);
    EXPECT_EQ(rig->window.log[6], "Firmware version from KOVEX = " +
                                      FirmwareVersionText(FlashOf(hex, Range(0x2000, 0x20F0))));
    EXPECT_NE(rig->window.log[6], "Firmware version from KOVEX = KOVEX 2.14 sim");
}

TEST_F(ProgrammingTest, OtherCommandsAndASecondRunAreRefusedWhileItRuns) {
    StatusCommands status{rig->port, rig->window};
    rig->At(3s, [&] {
        status.Button4Click();
        Click();
    });
    Program(HexFile({DataRecord(0x2000, 16, 0x11), END_RECORD}));
    Lines expected = CompletedRunLog();
    expected.insert(expected.begin() + 6, 2, std::string(PORT_TAKEN_LINE));
    EXPECT_EQ(rig->window.log, expected);
    EXPECT_EQ(rig->window.fileDialogs, 1);
    EXPECT_EQ(Commands(), CompletedRunCommands(4));
}

TEST_F(ProgrammingTest, ACardThatStopsAnsweringEndsTheRunWithItsLine) {
    struct Case {
        const char* name;
        std::function<bool(const SimulatedCard&)> when;
        std::function<void(SimulatedCard&)> fault;
        std::size_t framesSent;
        std::size_t logLinesBefore;
        std::string_view problem;  // how the card's own line begins
        std::string_view label;
        std::string stopped;  // the line that says what the card holds
    };
    const Case cases[] = {
        {"stuck busy after the first line",
         [](const SimulatedCard& card) { return card.Mailbox().FramesReceived().size() == 3; },
         [](SimulatedCard& card) { card.Faults().stuckTxBusy = true; }, 3, 4,
         "KOVEX did not answer", STOPPED_SILENT_LABEL,
         "Stopped after line 2000 (1 of 4 lines sent): the card holds part of its firmware; "
         "program it again"},
        {"silent after the closing reset",
         [](const SimulatedCard& card) { return card.State().resetCount == 2; },
         [](SimulatedCard& card) { card.Faults().silent = true; }, 8, 6, "KOVEX did not answer",
         STOPPED_SILENT_LABEL,
         "Stopped in the closing reset: all 4 lines were programmed; check the card's firmware "
         "version"},
        {"sending without end after the first line",
         [](const SimulatedCard& card) { return card.Mailbox().FramesReceived().size() == 3; },
         [](SimulatedCard& card) { card.Faults().endlessStream = true; }, 7, 6,
         "KOVEX keeps sending", STOPPED_SENDING_LABEL,
         "Stopped in the closing reset: all 4 lines were programmed; check the card's firmware "
         "version"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        WhenFirst([&] { return c.when(rig->card); }, [&] { c.fault(rig->card); });
        Program(HexFile({DataRecord(0x2000, 16, 0x11), END_RECORD}));
        ASSERT_EQ(rig->window.log.size(), c.logLinesBefore + 2);
        EXPECT_TRUE(rig->window.log.end()[-2].starts_with(c.problem)) << rig->window.log.end()[-2];
        EXPECT_EQ(rig->window.log.back(), c.stopped);
        EXPECT_EQ(rig->window.label, c.label);
        EXPECT_EQ(rig->card.Mailbox().FramesReceived().size(), c.framesSent);
        EXPECT_EQ(rig->state.CardMode, MODE_BEFORE);
    }
}

}  // namespace
}  // namespace kovex::testing
