// kovexctl's commands for the graphic window's buttons, the Test sequence
// and messages --follow, and a simulated card kept in a state file, run in
// process on virtual time: exact lines, exit statuses, what the state file
// holds from one run to the next.
#include <gtest/gtest.h>

#include <csignal>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "VirtualRun.h"
#include "cli/Run.h"
#include "sim/CardStateText.h"
#include "sim/ToolCard.h"
#include "support/CapturedFile.h"
#include "support/ChildProcess.h"
#include "support/TempFolder.h"

namespace kovex::testing {
namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

const std::string DATA = KOVEX_CLI_DATA_DIR;
const std::string FOLLOWING = "kovexctl: following the node messages (Ctrl-C stops)\n";

TEST(Rehearsal, TheDisplayButtonsAndTestSendTheWindowsFrames) {
    struct Case {
        std::vector<std::string> words;
        int status;
        std::string out;
        std::string err;
    };
    const std::vector<Case> cases{
        {{"display", "save", "7"}, 0, "Sent:  00 5A F0 0A 06 01 0A 22 0D 01 07 FF\nSaved\n", ""},
        {{"display", "show", "$1F"}, 0, "Sent:  00 5A F0 0A 06 01 0A 22 0C 01 1F FF\n", ""},
        {{"display", "font", "5x7"}, 0, "Sent:  00 5A F0 0A 06 01 0A 22 0F 01 00 FF\n", ""},
        {{"display", "font", "10x14"}, 0, "Sent:  00 5A F0 0A 06 01 0A 22 0F 01 01 FF\n", ""},
        {{"display", "xy", "12", "30"}, 0, "Sent:  00 5A F0 0A 07 01 0A 22 05 02 0C 1E FF\n", ""},
        {{"display", "font", "8x8"}, 2, "", "kovexctl: display font takes 5x7 or 10x14, not 8x8\n"},
        {{"display", "save", "255"},
         2,
         "",
         "kovexctl: display save takes numbers from 0 to 254 (decimal, or hex after $, x or 0x), "
         "not 255\nkovexctl: try 'kovexctl --help'\n"},
        {{"display", "xy", "12"},
         2,
         "",
         "kovexctl: display xy takes X Y\nkovexctl: try 'kovexctl --help'\n"},
        // Save's box comes only once the message went out.
        {{"--sim-fault", "stuck-busy", "--timeout", "1", "display", "save", "3"},
         1,
         "",
         "kovexctl: KOVEX did not answer within 1 s; command abandoned\nkovexctl: The display "
         "command was not sent: KOVEX did not answer within 1 s; command abandoned.\n"},
        {{"--sim-fault", "stuck-busy", "--timeout", "1", "test"},
         1,
         "",
         "kovexctl: KOVEX did not answer within 1 s; command abandoned\n"},
    };
    for (const Case& c : cases) {
        const VirtualRun run = RunOnVirtualTime(c.words);
        EXPECT_EQ(run.status, c.status) << c.words.back() << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.words.back();
        EXPECT_EQ(run.err, c.err) << c.words.back();
    }

    // Test: each step's box, then its message, seventeen times.
    const VirtualRun test = RunOnVirtualTime({"test"});
    EXPECT_EQ(test.status, 0) << test.err;
    const std::string start =
        "Relay 1 = 1\nSent:  00 5A F0 0A 06 01 0A 03 02 01 01 FF\n"
        "Relay 1 = 0\nSent:  00 5A F0 0A 06 01 0A 03 02 01 00 FF\n";
    const std::string end =
        "Get FW Ver\nSent:  00 5A F0 0A 05 01 0A 00 07 00 FF\n"
        "Send Serial\nSent:  00 5A F0 0A 0F 01 0A 12 03 0A 30 31 32 33 34 35 36 0A 0D 00 FF\n";
    EXPECT_TRUE(test.out.starts_with(start)) << test.out;
    EXPECT_TRUE(test.out.ends_with(end)) << test.out;
    EXPECT_EQ(std::count(test.out.begin(), test.out.end(), '\n'), 34);
}

TEST(Rehearsal, FollowEndsAfterItsCountOrItsTimeAndNeedsRunMode) {
    // Node 12 speaks every 6 s of the card's (virtual) time.
    const std::string first = "6 Bytes recieved:  0C 03 07 02 30 30\n";
    const std::string second = "6 Bytes recieved:  0C 03 07 02 30 31\n";
    struct Case {
        std::vector<std::string> words;
        int status;
        std::string out;
        std::string err;
    };
    const std::vector<Case> cases{
        {{"messages", "--follow", "--count", "2"}, 0, first + second, FOLLOWING},
        {{"messages", "-f", "--for", "5"}, 0, "", FOLLOWING},
        {{"messages", "--follow", "--for", "13"}, 0, first + second, FOLLOWING},
        {{"messages", "--follow", "--count", "1", "--quiet"}, 0, first, ""},
        {{"--sim-fault", "silent", "--timeout", "1", "messages", "--follow"},
         1,
         "",
         "kovexctl: KOVEX did not answer within 1 s; command abandoned\n"},
        {{"messages", "--count", "1"},
         2,
         "",
         "kovexctl: --count needs --follow\nkovexctl: try 'kovexctl --help'\n"},
        {{"messages", "--follow", "--count", "0"},
         2,
         "",
         "kovexctl: --count takes a whole number from 1 to 1000000, not 0\nkovexctl: try "
         "'kovexctl --help'\n"},
    };
    for (const Case& c : cases) {
        const VirtualRun run = RunOnVirtualTime(c.words);
        EXPECT_EQ(run.status, c.status) << c.words.back() << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.words.back();
        EXPECT_EQ(run.err, c.err) << c.words.back();
    }

    // --json: one object a message, with its time in UTC to the millisecond.
    const VirtualRun json = RunOnVirtualTime({"--json", "messages", "--follow", "--count", "2"});
    EXPECT_EQ(json.status, 0);
    const std::regex line(
        R"(\{"time":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z","bytes":\[12,3,7,2,48,4[89]\]\}\n)");
    const auto lines = std::distance(std::sregex_iterator(json.out.begin(), json.out.end(), line),
                                     std::sregex_iterator());
    EXPECT_EQ(lines, 2) << json.out;
    EXPECT_EQ(json.out.size(), json.out.find('\n') * 2 + 2) << json.out;

    // In boot mode nodes leave nothing: it says so and ends at once.
    const std::string state = scratch::RunFolder() + "follow-boot.state";
    ASSERT_EQ(RunOnVirtualTime({"--sim-state", state, "mode", "boot"}).status, 0);
    const VirtualRun boot = RunOnVirtualTime({"--sim-state", state, "messages", "--follow"});
    EXPECT_EQ(boot.status, 1);
    EXPECT_EQ(boot.out, "");
    EXPECT_EQ(boot.err,
              "kovexctl: The card is not in run mode (mode 99): nodes leave messages only in run "
              "mode; kovexctl mode run starts it\n");
}

// A card's state saved by the library, for what no command sets.
std::string SavedState(const std::function<void(SimulatedCard&)>& setUp) {
    VirtualClock clock;
    SimulatedCard card(clock);
    SetUpToolCard(card);
    setUp(card);
    return CardStateText(card, clock.Now());
}

TEST(Rehearsal, EveryPieceOfTheStateSurvivesARun) {
    const std::string& folder = scratch::RunFolder();
    struct Step {
        std::vector<std::string> words;
        std::string out;  // what it prints, when it reads
    };
    struct Case {
        std::string what;
        std::string savedFirst;  // a state written by the library; empty: a new card
        std::vector<Step> steps;
    };
    const std::vector<Case> cases{
        {"poll list",
         "",
         {{{"poll-list", "set", "10", "12", "14"}, ""},
          {{"poll-list", "get"}, "Poll list   =  10 12 14\nNode status =  1 1 0\n"}}},
        {"mode", "", {{{"mode", "boot"}, ""}, {{"mode"}, "KOVEX Run Mode = 99\n"}}},
        {"waiting messages",
         "",
         {{{"send", "10 0 7"}, ""},
          {{"messages"}, "6 Bytes recieved:  0A 00 07 02 31 32\n"},
          {{"messages"}, "No messages available\n"}}},
        {"firmware and its version",
         "",
         {{{"program", DATA + "/four-lines.hex"}, ""},
          {{"version"}, "Firmware version from KOVEX = KOVEX FW crc32=100ECE8C\n"}}},
        {"node statuses",
         SavedState([](SimulatedCard& card) { card.State().nodeStatus[12] = 7; }),
         {{{"poll-list", "get"}, "Poll list   =  10 12\nNode status =  1 7\n"}}},
        {"packet counters",
         SavedState([](SimulatedCard& card) {
             card.SetMode(MODE_BOOT);
             card.SetPacketCounters(5, 9);
         }),
         {{{"loopback"}, "KOVEX Responded = 5 Packets sent, 9 Packets recieved\n"}}},
    };
    for (const Case& c : cases) {
        const std::string state = folder + "kept-" + std::to_string(&c - cases.data()) + ".state";
        if (!c.savedFirst.empty()) WriteFile(state, c.savedFirst);
        for (const Step& step : c.steps) {
            std::vector<std::string> words = step.words;
            words.insert(words.begin(), {"--sim-state", state});
            const VirtualRun run = RunOnVirtualTime(words);
            EXPECT_EQ(run.status, 0) << c.what << "\n" << run.err;
            if (!step.out.empty()) {
                EXPECT_EQ(run.out, step.out) << c.what;
            }
        }
    }

    // The display's pages and stored images, as the node holds them.
    const std::string display = folder + "display.state";
    for (const std::vector<std::string>& words : {std::vector<std::string>{"display", "text", "Hi"},
                                                  {"display", "save", "3"},
                                                  {"display", "clear"},
                                                  {"display", "font", "10x14"}}) {
        std::vector<std::string> withState = words;
        withState.insert(withState.begin(), {"--sim-state", display});
        ASSERT_EQ(RunOnVirtualTime(withState).status, 0) << words.back();
    }
    VirtualClock clock;
    SimulatedCard card(clock);
    ASSERT_EQ(ReadCardState(card, FileText(display)).error, "");
    const SimDisplay::Memory memory = card.Display().Remembered();
    ASSERT_EQ(memory.saved.count(3), 1U);
    EXPECT_NE(memory.saved.at(3), SimDisplay::PageMemory{});  // "Hi", stored
    EXPECT_EQ(memory.pages, SimDisplay::PageMemory{});        // cleared since
    EXPECT_EQ(memory.font, DisplayFont::Large10x14);
}

TEST(Rehearsal, AFileThatIsNotAStateIsRefusedAndLeftAsItIs) {
    const std::string& folder = scratch::RunFolder();
    const std::string good = SavedState([](SimulatedCard&) {});
    struct Case {
        std::string name;
        std::string text;
        std::string err;
    };
    const std::vector<Case> cases{
        {"notes.txt", "hello\n", " is not a simulated card's state; it was left as it is\n"},
        {"empty", "", " is not a simulated card's state; it was left as it is\n"},
        {"damaged.state", good + "mode 1FF\n",
         " cannot be used as a simulated card's state (line " +
             std::to_string(std::count(good.begin(), good.end(), '\n') + 1) +
             " cannot be read); it was left as it is\n"},
    };
    for (const Case& c : cases) {
        const std::string path = folder + c.name;
        WriteFile(path, c.text);
        const VirtualRun run = RunOnVirtualTime({"--sim-state", path, "poll-list", "set", "1"});
        EXPECT_EQ(run.status, 2) << c.name;
        EXPECT_EQ(run.err, "kovexctl: " + path + c.err + "kovexctl: try 'kovexctl --help'\n");
        EXPECT_EQ(FileText(path), c.text) << c.name;
    }
    const VirtualRun folderAsState = RunOnVirtualTime({"--sim-state", folder, "version"});
    EXPECT_EQ(folderAsState.status, 2);
    const VirtualRun noFolder =
        RunOnVirtualTime({"--sim-state", folder + "none/card.state", "version"});
    EXPECT_EQ(noFolder.status, 2) << noFolder.err;
}

// kovexctl --sim as a process, for signals, locks and a run per card.
std::vector<std::string> KovexctlProcess(std::vector<std::string> args) {
    args.insert(args.begin(), {KOVEXCTL_PATH, "--sim"});
    return args;
}

TEST(Rehearsal, TwoRunsOnOneStateAreTwoProgramsOnOneCardAndASignalEndsFollow) {
    const std::string state = scratch::RunFolder() + "shared.state";
    ChildProcess follower(KovexctlProcess({"--sim-state", state, "messages", "--follow"}));
    ASSERT_TRUE(follower.WaitForError("following the node messages"));

    const ChildProcess::Ended refused =
        ChildProcess(KovexctlProcess({"--sim-state", state, "version"})).Finish();
    EXPECT_EQ(refused.status, 4);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "kovexctl: Card 0000:03:07.0 is in use by kovexctl (pid " +
                               std::to_string(follower.Pid()) +
                               "); Open again when it has finished\n");

    ChildProcess waiter(KovexctlProcess({"--sim-state", state, "--wait-card", "version"}));
    ASSERT_TRUE(waiter.WaitForError("waiting for it"));
    follower.Signal(SIGINT);
    const ChildProcess::Ended followed = follower.Finish();
    EXPECT_EQ(followed.status, 128 + SIGINT);
    EXPECT_TRUE(followed.err.ends_with("kovexctl: interrupted\n")) << followed.err;
    // The run a signal ended wrote its card back; the waiting one went on.
    EXPECT_TRUE(IsCardStateText(FileText(state)));
    const ChildProcess::Ended waited = waiter.Finish();
    EXPECT_EQ(waited.status, 0) << waited.err;
    EXPECT_EQ(waited.out, "Firmware version from KOVEX = KOVEX 2.14 sim\n");
}

TEST(Rehearsal, EveryCardOfThreeWithOneSilent) {
    const std::string folder = scratch::RunFolder() + "three/";
    const std::vector<std::string> cards{"--sim-cards", "3", "--sim-state", folder};
    std::vector<std::string> set = cards;
    set.insert(set.end(), {"--sim-fault", "0000:02:00.0=silent", "--timeout", "0.5", "--device",
                           "all", "poll-list", "set", "20", "21"});
    const ChildProcess::Ended setRun = ChildProcess(KovexctlProcess(set)).Finish();
    EXPECT_EQ(setRun.status, 1);
    const std::string setLine =
        " Adding poll list item 0 (20); Adding poll list item 1 (21); Adding poll list item 2 "
        "(0); Setting poll list to  20 21 0\n";
    EXPECT_EQ(setRun.out, "0000:01:00.0" + setLine + "0000:03:00.0" + setLine);
    EXPECT_EQ(setRun.err,
              "kovexctl: 0000:02:00.0: KOVEX did not answer within 0.5 s; command abandoned\n"
              "kovexctl: 0000:02:00.0: Stopped while the poll list was being set: the card's poll "
              "list may be incomplete: set it again\n");

    std::vector<std::string> get = cards;
    get.insert(get.end(), {"--device", "all", "poll-list", "get"});
    const ChildProcess::Ended getRun = ChildProcess(KovexctlProcess(get)).Finish();
    EXPECT_EQ(getRun.status, 0) << getRun.err;
    // The silent card took the first item before it stopped answering.
    EXPECT_EQ(getRun.out,
              "0000:01:00.0 Poll list   =  20 21; Node status =  0 0\n"
              "0000:02:00.0 Poll list   =  20 12; Node status =  0 1\n"
              "0000:03:00.0 Poll list   =  20 21; Node status =  0 0\n");

    std::vector<std::string> list = cards;
    list.emplace_back("list");
    // Three cards and no --device: none is the one a command would open.
    EXPECT_EQ(ChildProcess(KovexctlProcess(list)).Finish().out,
              "0000:00:00.0 8086:1237\n0000:00:03.0 10ec:8139\n0000:01:00.0 10b5:9030 card\n"
              "0000:02:00.0 10b5:9030 card\n0000:03:00.0 10b5:9030 card\n");
}

}  // namespace
}  // namespace kovex::testing
