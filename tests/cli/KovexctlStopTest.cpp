// kovexctl stopped part way: by a signal in each step of a run (it says what
// the card was left holding and exits 128 + the signal), or by a reader
// that goes away (the run ends all the same, with a status that says so).
// A step that would end by itself is held (--sim-hold-after) until the
// signal comes, so no case depends on how fast the machine is.
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli/ProgressMeter.h"
#include "support/ChildProcess.h"
#include "support/TempFolder.h"

namespace kovex::testing {
namespace {

// kovexctl on its simulated card, with these arguments.
std::vector<std::string> Kovexctl(std::vector<std::string> args) {
    args.insert(args.begin(), {KOVEXCTL_PATH, "--sim"});
    return args;
}

const std::string DATA = KOVEX_CLI_DATA_DIR;

// Data records of 16 bytes from 2000 on, `lines` of them, and the end record,
// each line ended by CR LF.
std::string LongHexFile(int lines) {
    std::string path = scratch::RunFolder() + "long.hex";
    std::ofstream file(path);
    for (int line = 0; line < lines; ++line) {
        const int address = 0x2000 + line * 16;
        int sum = 16 + (address >> 8) + (address & 0xFF);
        std::array<char, 64> text{};
        std::snprintf(text.data(), text.size(), ":10%04X00", address);
        file << text.data();
        for (int i = 0; i < 16; ++i) {
            std::snprintf(text.data(), text.size(), "%02X", (line + i) & 0x7F);
            sum += (line + i) & 0x7F;
            file << text.data();
        }
        std::snprintf(text.data(), text.size(), "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        file << text.data();
    }
    file << ":00000001FF\r\n";
    return path;
}

TEST(KovexctlStop, ASignalInEachStepEndsTheRunAndSaysWhatTheCardHolds) {
    const std::string fourLines = DATA + "/four-lines.hex";
    const std::string longFile = LongHexFile(1000);
    struct StopCase {
        std::vector<std::string> args;
        std::string waitFor;  // on standard error
        int signal;
        std::string said;  // the last line on standard error
    };
    const std::vector<StopCase> cases{
        {{"--sim-fault", "silent", "version"}, "waiting for the card", SIGINT, "interrupted"},
        {{"--sim-fault", "silent", "version"}, "waiting for the card", SIGTERM, "interrupted"},
        {{"--sim-fault", "silent", "version"}, "waiting for the card", SIGHUP, "interrupted"},
        {{"--sim-fault", "silent", "version"}, "waiting for the card", SIGQUIT, "interrupted"},
        {{"--sim-hold-after", "Reseting KOVEX", "program", fourLines},
         "Reseting KOVEX",
         SIGINT,
         "interrupted in the reset before the erase: the card was not erased and holds the "
         "firmware it had"},
        {{"--sim-fault", "silent", "--sim-hold-after", "Erasing", "program", fourLines},
         "Erasing KOVEX Firmware",
         SIGINT,
         "interrupted after the erase: the card holds no firmware; program it again"},
        {{"program", longFile},
         "Programming: 10%",
         SIGTERM,
         "lines sent): the card holds part of its firmware; program it again"},
        {{"--sim-hold-after", "Adding poll list item 1 ", "poll-list", "set", "1 2 3 4 5 6 7 8 9"},
         "Adding poll list item 1 ",
         SIGINT,
         "interrupted while the poll list was being set: the card's poll list may be "
         "incomplete: set it again"},
        {{"--sim-hold-after", "Programmed", "program", fourLines},
         "Programmed 4 lines",
         SIGINT,
         "interrupted in the closing reset: all 4 lines were programmed; check the card's "
         "firmware version"},
    };
    for (const StopCase& c : cases) {
        ChildProcess child(Kovexctl(c.args));
        ASSERT_TRUE(child.WaitForError(c.waitFor)) << c.waitFor;
        child.Signal(c.signal);
        const ChildProcess::Ended run = child.Finish();
        EXPECT_EQ(run.status, 128 + c.signal) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        const std::string ending = c.said + "\n";
        EXPECT_TRUE(run.err.ends_with(ending)) << run.err;
    }
}

TEST(KovexctlStop, AReaderThatGoesAwayNeitherStopsTheRunNorPassesForDone) {
    ChildProcess child(Kovexctl({"-q", "program", DATA + "/four-lines.hex"}));
    child.CloseOutput();  // the reader is gone before the first result line
    const ChildProcess::Ended run = child.Finish();
    EXPECT_EQ(run.status, 6) << run.err;
    EXPECT_NE(run.err.find("the results could not all be written to standard output: Broken pipe"),
              std::string::npos)
        << run.err;
}

TEST(KovexctlStop, MoreLinesThanAnnouncedFillTheBarAndNoMore) {
    for (const auto& [sent, total] :
         std::vector<std::pair<std::size_t, std::size_t>>{{5, 4}, {4, 4}, {1, 0}, {0, 0}}) {
        const std::string bar = ProgressBarText(sent, total, 1.0);
        EXPECT_EQ(bar.substr(0, 32), "[" + std::string(30, '#') + "]") << sent << "/" << total;
    }
    EXPECT_EQ(ProgressBarText(2, 4, 1.0).substr(0, 32),
              "[" + std::string(15, '#') + std::string(15, '-') + "]");
}

}  // namespace
}  // namespace kovex::testing
