// kovexctl --capture, -v and --sim-replay as processes on the simulated
// card; the captures decoded by tshark with the dissector kovexctl ships.
// The tshark cases are skipped only where tshark is not installed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "link/CaptureFile.h"
#include "support/ChildProcess.h"
#include "support/FakeSysfs.h"
#include "support/TempFolder.h"

namespace kovex::testing {
namespace {

const std::string DATA = KOVEX_CLI_DATA_DIR;
const std::string ICON = DATA + "/../../pictures/data/icon.ico";
const std::string PROGRAM_FILE = DATA + "/four-lines.hex";

ChildProcess::Ended Kovexctl(std::vector<std::string> args) {
    args.insert(args.begin(), KOVEXCTL_PATH);
    return ChildProcess(args).Finish();
}

std::string TsharkPath() {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / "tshark";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// tshark's fields of each packet, one line each, separated by "|".
std::vector<std::vector<std::string>> Decoded(const std::string& capture,
                                              const std::vector<std::string>& fields) {
    std::vector<std::string> args{
        TsharkPath(), "-n",         "-X", std::string("lua_script:") + KOVEX_DISSECTOR,
        "-r",         capture,      "-T", "fields",
        "-E",         "separator=|"};
    for (const std::string& field : fields) {
        args.emplace_back("-e");
        args.push_back(field);
    }
    const ChildProcess::Ended run = ChildProcess(args).Finish();
    EXPECT_EQ(run.err.find("Lua"), std::string::npos) << run.err;
    std::vector<std::vector<std::string>> rows;
    std::stringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> row;
        std::stringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '|');)
            row.push_back(cell);
        row.resize(fields.size());
        rows.push_back(row);
    }
    return rows;
}

// The -v lines of a run: "> 00 5A ..." out, "< ..." in, "! ..." events.
std::vector<std::string> Traced(const std::string& err) {
    std::vector<std::string> lines;
    std::stringstream in(err);
    for (std::string line; std::getline(in, line);) {
        for (const char* mark : {"kovexctl: > ", "kovexctl: < ", "kovexctl: ! "}) {
            if (line.starts_with(mark)) lines.push_back(line.substr(10));
        }
    }
    return lines;
}

std::vector<int> BytesOf(const std::string& traced) {
    std::vector<int> bytes;
    std::stringstream in(traced.substr(2, traced.find(" (") - 2));
    for (std::string word; in >> word;)
        bytes.push_back(std::stoi(word, nullptr, 16));
    return bytes;
}

std::string HexField(int value) {
    std::ostringstream out;
    out << "0x" << std::hex << std::setw(2) << std::setfill('0') << value;
    return out.str();
}

// Each packet as tshark decodes it, against the bytes -v showed on the wire.
void ExpectDecodedAsSent(const std::vector<std::string>& traced,
                         const std::vector<std::vector<std::string>>& rows, const char* name) {
    ASSERT_EQ(rows.size(), traced.size()) << name;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::vector<std::string>& row = rows[i];  // len, dir, cmd, length, node, device, msg
        const std::vector<int> bytes =
            traced[i][0] == '!' ? std::vector<int>{} : BytesOf(traced[i]);
        EXPECT_EQ(row[0], std::to_string(bytes.size())) << name << " packet " << i + 1;
        if (traced[i][0] == '>') {
            EXPECT_EQ(row[1], "0") << name << " packet " << i + 1;
            EXPECT_EQ(row[2], HexField(bytes[3])) << name << " packet " << i + 1;
            EXPECT_EQ(row[3], std::to_string(bytes[4])) << name << " packet " << i + 1;
            if (bytes[3] == 0x0A) {
                EXPECT_EQ(row[4], std::to_string(bytes[6])) << name;
                EXPECT_EQ(row[5], std::to_string(bytes[7])) << name;
                EXPECT_EQ(row[6], std::to_string(bytes[8])) << name;
            }
        } else if (traced[i][0] == '<') {
            EXPECT_EQ(row[1], "1") << name << " packet " << i + 1;
        }
    }
}

TEST(Capture, EveryCommandCapturedDecodesInTsharkAsItWasSent) {
    if (TsharkPath().empty()) GTEST_SKIP() << "tshark is not installed";
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> infos;  // in the Info column, in this order
    };
    const std::vector<Case> cases{
        {{"version"}, {"CMD_GET_VERSION", "Firmware version from KOVEX = KOVEX 2.14 sim"}},
        {{"mode"}, {"CMD_GET_MODE", "KOVEX Run Mode = 66 (run)"}},
        {{"mode", "boot"}, {"CMD_BOOT_MODE", "KOVEX Responded = 153"}},
        {{"mode", "run"}, {"CMD_RUN_MODE", "KOVEX Responded = 102"}},
        {{"poll-speed"}, {"CMD_GET_POLL_SPEED", "Poll speed = 20"}},
        {{"clear-buffer"}, {"CMD_CLEAR_BUFFER", "KOVEX Responded = 0"}},
        {{"poll-list", "get"},
         {"CMD_GET_POLL_ITEM item 0", "Poll list node = 10", "CMD_GET_NODE_STATUS node 10",
          "Node status = 1"}},
        {{"poll-list", "set", "10", "12"},
         {"CMD_SET_POLL_ITEM item 0 := node 10", "CMD_SET_POLL_ITEM item 2 := node 0"}},
        {{"send", "10 34 5 3 4"}, {"CMD_SEND_MESSAGE node 10 device 34: display set XY 3, 4"}},
        {{"messages"}, {}},
        {{"loopback"},
         {"CMD_GET_ETH_POLL_PTR", "KOVEX Responded = 0 Packets sent, 0 Packets recieved"}},
        {{"program", PROGRAM_FILE},
         {"CMD_RESET", "CMD_ERASE", "CMD_PROGRAM_LINE line 2000: 000102030405060708090A0B0C0D0E0F",
          "Line acknowledged = 6", "CMD_GET_VERSION", "CMD_GET_MODE"}},
        {{"display", "clear"}, {"CMD_SEND_MESSAGE node 10 device 34: display clear"}},
        {{"display", "text", "Hi 2"}, {"node 10 device 34: display text \"Hi 2\""}},
        {{"display", "upload", ICON},
         {"display write columns offset 0 page 0, 64 columns",
          "display write columns offset 192 page 7, 64 columns"}},
    };
    const std::string capture = scratch::RunFolder() + "every-command.pcapng";
    for (const Case& c : cases) {
        std::vector<std::string> args{"--sim", "-v", "--capture", capture};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ChildProcess::Ended run = Kovexctl(args);
        const char* name = c.args.front().c_str();
        ASSERT_EQ(run.status, 0) << name << run.err;
        const auto rows =
            Decoded(capture, {"frame.len", "kovex.direction", "kovex.command", "kovex.length",
                              "kovex.msg.node", "kovex.msg.device", "kovex.msg.command",
                              "_ws.col.Info", "_ws.expert.severity"});
        ExpectDecodedAsSent(Traced(run.err), rows, name);
        std::string infos;
        for (const auto& row : rows) {
            infos += row[7] + "\n";
            // Comments only (severity 0x100000): no frame breaks the frame rules.
            EXPECT_EQ(row[8].find("8388608"), std::string::npos) << name << ": " << row[7];
        }
        std::size_t at = 0;
        for (const std::string& info : c.infos) {
            at = infos.find(info, at);
            EXPECT_NE(at, std::string::npos) << name << " lacks " << info << " in\n" << infos;
        }
    }
}

// Frames that break the frame rules, written as a capture, each flagged.
TEST(Capture, TsharkFlagsFramesThatBreakTheFrameRules) {
    if (TsharkPath().empty()) GTEST_SKIP() << "tshark is not installed";
    struct Case {
        std::vector<std::uint8_t> frame;
        std::string expert;
    };
    const std::vector<Case> cases{
        {{0x00, 0x5A, 0xF0, 0x10, 0x01, 0x03, 0xFF}, ""},
        {{0x00, 0x5A, 0xF0, 0x10, 0x02, 0x03, 0xFF},
         "Length 2, but 1 bytes between it and the end"},
        {{0x00, 0x5A, 0xF0, 0x0F, 0x02, 0xFF, 0x03, 0xFF}, "0xFF at byte 5"},
        {{0x01, 0x5A, 0xF0, 0x07, 0x00, 0xFF}, "Frame does not start 00 5A F0"},
        {{0x00, 0x5A, 0xFF}, "Frame shorter than 6 bytes"},
    };
    const std::string path = scratch::RunFolder() + "broken.pcapng";
    {
        CaptureFile file(path, "test", {std::chrono::microseconds(0), Nanos{0}});
        CardCapture card(file, [] { return std::string("0000:03:07.0"); });
        for (const Case& c : cases) {
            TrafficPacket packet = TrafficPacket::Of(TrafficKind::Frame);
            packet.bytes = c.frame;
            card.Packet(packet);
        }
    }
    const auto rows = Decoded(path, {"_ws.expert.message"});
    ASSERT_EQ(rows.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (cases[i].expert.empty()) {
            EXPECT_EQ(rows[i][0], "");
        } else {
            EXPECT_NE(rows[i][0].find(cases[i].expert), std::string::npos) << rows[i][0];
        }
    }
}

std::string HexText(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text.push_back(' ');
        text.append(HexField(byte).substr(2));
    }
    return text;
}

std::vector<char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Capture, TsharkReadsTheWholePacketsOfACaptureCutShort) {
    if (TsharkPath().empty()) GTEST_SKIP() << "tshark is not installed";
    const std::string whole = scratch::RunFolder() + "whole.pcapng";
    ASSERT_EQ(Kovexctl({"--sim", "--capture", whole, "poll-list", "get"}).status, 0);
    const std::vector<char> bytes = ReadAll(whole);
    const std::size_t packets = Decoded(whole, {"frame.number"}).size();
    // Cut 10 bytes into the last packet's block: every packet before it reads.
    const std::string cut = scratch::RunFolder() + "cut.pcapng";
    {
        std::ofstream out(cut, std::ios::binary);
        // The last packet, the list's ending 0, is a 1-byte reply: 32 bytes.
        const std::size_t lastBlock = 32;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() - lastBlock + 10));
    }
    EXPECT_EQ(Decoded(cut, {"frame.number"}).size(), packets - 1);
}

TEST(Capture, AReplayedProgrammingRunGivesTheSameOutputAndStatus) {
    const std::string capture = scratch::RunFolder() + "program.pcapng";
    const ChildProcess::Ended live =
        Kovexctl({"--sim", "--capture", capture, "program", PROGRAM_FILE, "--json"});
    ASSERT_EQ(live.status, 0) << live.err;
    const ChildProcess::Ended replayed =
        Kovexctl({"--sim-replay", capture, "program", PROGRAM_FILE, "--json"});
    EXPECT_EQ(replayed.status, live.status) << replayed.err;
    EXPECT_EQ(replayed.out, live.out);
    EXPECT_EQ(replayed.err.find("replay:"), std::string::npos) << replayed.err;

    // A card that did not answer replays as one that does not answer.
    const std::string silent = scratch::RunFolder() + "silent.pcapng";
    const ChildProcess::Ended quiet = Kovexctl(
        {"--sim", "--sim-fault", "silent", "--timeout", "0.2", "--capture", silent, "version"});
    ASSERT_EQ(quiet.status, 1) << quiet.err;
    const ChildProcess::Ended again =
        Kovexctl({"--sim-replay", silent, "--timeout", "0.2", "version"});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, quiet.err);
}

// Each card's run is a process of its own, all writing to the one file: an
// interface per card, each card's frame and give-up under its own. The
// made-up cards take frames and never answer (their status shows RX_EMPTY).
TEST(Capture, EveryCardOfTheBusHasItsInterfaceInTheOneFile) {
    FakeSysfs sysfs;
    std::string silentMailbox(16, '\0');
    silentMailbox[2] = 0x02;
    for (const char* name : {"0000:03:07.0", "0000:04:00.0"}) {
        sysfs.Add(Kovex(name));
        sysfs.Write(name, "resource2", silentMailbox);
    }
    const std::string path = scratch::RunFolder() + "all.pcapng";
    const ChildProcess::Ended run =
        Kovexctl({"--sysfs-root", sysfs.SysfsRoot().string(), "--timeout", "0.2", "--device", "all",
                  "--capture", path, "mode"});
    ASSERT_EQ(run.status, 1) << run.err;
    std::ifstream in(path, std::ios::binary);
    const CaptureContents read =
        ReadCapture({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    EXPECT_TRUE(read.stopped.empty()) << read.stopped;
    EXPECT_EQ(read.interfaces, (std::vector<std::string>{"0000:03:07.0", "0000:04:00.0"}));
    std::vector<std::vector<std::string>> seen(2);
    for (const PacketRecord& packet : read.packets) {
        ASSERT_LT(packet.interface, 2U);
        seen[packet.interface].push_back(packet.comments.empty() ? HexText(packet.bytes)
                                                                 : packet.comments.front());
    }
    const std::vector<std::string> each{
        " 00 5a f0 07 00 ff", "give-up: KOVEX did not answer within 0.2 s; command abandoned"};
    EXPECT_EQ(seen, (std::vector<std::vector<std::string>>{each, each}));
}

TEST(Capture, AFrameThatDiffersFromTheCaptureIsNamedAndTheCardFallsSilent) {
    const std::string capture = scratch::RunFolder() + "mode.pcapng";
    ASSERT_EQ(Kovexctl({"--sim", "--capture", capture, "mode"}).status, 0);
    const ChildProcess::Ended run =
        Kovexctl({"--sim-replay", capture, "--timeout", "0.2", "version"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("kovexctl: replay: the host sent 00 5A F0 08 00 FF where the capture "
                           "has packet 1: 00 5A F0 07 00 FF; the card is silent from here"),
              std::string::npos)
        << run.err;

    const ChildProcess::Ended none = Kovexctl({"--sim-replay", DATA + "/blank.hex", "mode"});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("holds no KOVEX card traffic"), std::string::npos) << none.err;
}

}  // namespace
}  // namespace kovex::testing
