// kovexctl against its simulated card: what each command prints on which
// stream, how it exits, and the JSON object it prints on every path.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace kovex::testing {
namespace {

// kovexctl on its simulated card, with these arguments.
std::vector<std::string> Kovexctl(std::vector<std::string> args) {
    args.insert(args.begin(), {KOVEXCTL_PATH, "--sim"});
    return args;
}

ChildProcess::Ended RunKovexctl(const std::vector<std::string>& args) {
    return ChildProcess(Kovexctl(args)).Finish();
}

const std::string DATA = KOVEX_CLI_DATA_DIR;
const std::string ICON = DATA + "/../../pictures/data/icon.ico";

struct CommandCase {
    std::vector<std::string> args;
    int status;
    std::string out;  // a failure prints nothing on standard output
};

TEST(Kovexctl, EachCommandPrintsItsResultAndExitsWithItsStatus) {
    const std::vector<CommandCase> cases{
        {{"list"},
         0,
         "0000:00:00.0 8086:1237\n0000:00:03.0 10ec:8139\n0000:03:07.0 10b5:9030 card *\n"},
        {{"version"}, 0, "Firmware version from KOVEX = KOVEX 2.14 sim\n"},
        {{"mode"}, 0, "KOVEX Run Mode = 66\n"},
        {{"mode", "run"}, 0, "KOVEX Responded = 102\n"},
        {{"mode", "boot"}, 0, "KOVEX Responded = 153\n"},
        {{"poll-speed"}, 0, "Poll speed = 20\n"},
        {{"clear-buffer"}, 0, "KOVEX Responded = 0\n"},
        {{"poll-list", "get"}, 0, "Poll list   =  10 12\nNode status =  1 1\n"},
        {{"poll-list", "set", "10", "12"},
         0,
         "Adding poll list item 0 (10)\nAdding poll list item 1 (12)\n"
         "Adding poll list item 2 (0)\nSetting poll list to  10 12 0\n"},
        {{"poll-list", "set", "0"}, 0, "Adding poll list item 0 (0)\nSetting poll list to  0\n"},
        {{"messages"}, 0, "No messages available\n"},
        {{"loopback"}, 0, "KOVEX Responded = 0 Packets sent, 0 Packets recieved\n"},
        {{"send", "10 0 7"}, 0, "Sent:  00 5A F0 0A 05 01 0A 00 07 00 FF\n"},
        {{"display", "clear"}, 0, "Sent:  00 5A F0 0A 05 01 0A 22 02 00 FF\n"},
        {{"display", "text", "Hi"}, 0, "Sent:  00 5A F0 0A 07 01 0A 22 06 02 48 69 FF\n"},
        {{"program", DATA + "/four-lines.hex"},
         0,
         "Reading Hex file\nReseting KOVEX\nErasing KOVEX Firmware\nProgramming KOVEX\n"
         "Programmed 4 lines, 2000-203F\n"
         "Reseting KOVEX\nFirmware version from KOVEX = KOVEX FW crc32=100ECE8C\n"
         "KOVEX Run Mode = 66\n"},
        {{"--device", "all", "version"},
         0,
         "0000:03:07.0 Firmware version from KOVEX = KOVEX 2.14 sim\n"},
        {{"--yes", "program", DATA + "/blank.hex"},
         0,
         "Reading Hex file\nReseting KOVEX\nErasing KOVEX Firmware\nProgramming KOVEX\n"
         "Programmed 0 lines\n"
         "Reseting KOVEX\nFirmware version from KOVEX = KOVEX FW crc32=00000000\n"
         "KOVEX Run Mode = 66\n"},
        // Failures, each with its reason on standard error only.
        {{"program", DATA + "/blank.hex"}, 3, ""},
        {{"program", DATA + "/four-lines.hex", "--expect-version", "KOVEX 9"}, 5, ""},
        {{"program", DATA + "/none.hex"}, 2, ""},
        {{"poll-list", "set", "10", "255"}, 2, ""},
        {{"poll-list", "set", "10", "256"}, 2, ""},
        {{"poll-list", "set", "abc", "def"}, 2, ""},
        {{"send", "10 255 7"}, 2, ""},
        {{"send", "x y z"}, 2, ""},
        {{"send", "1"}, 2, ""},
        {{"display", "text", "\xE2\x82\xAC"}, 2, ""},
        {{"display", "upload", ICON, "--node", "256"}, 2, ""},
        {{"--sim-fault", "endless", "version"}, 1, ""},
        {{"--sim-fault", "silent", "--timeout", "0.2", "version"}, 1, ""},
        {{"--device", "0000:03:08.0", "version"}, 4, ""},
        {{"flash"}, 2, ""},
        {{"display", "text", "hi", "--node", "12"}, 2, ""},
        {{"version", "--yes"}, 2, ""},
        {{"mode", "fast"}, 2, ""},
        {{"--device", "34", "display", "upload", ICON}, 2, ""},
    };
    for (const CommandCase& c : cases) {
        const ChildProcess::Ended run = RunKovexctl(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.back() << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.args.back();
        if (c.status != 0) {
            EXPECT_FALSE(run.err.empty()) << c.args.back();
        }
    }
}

TEST(Kovexctl, OptionsGoBeforeOrAfterTheCommandAndTheShortDeviceFormIsTaken) {
    // Node 12, device 34, the write-columns command: 32 messages wherever the option stands.
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--node", "12", "display", "upload", ICON},
             {"display", "upload", ICON, "--node", "12", "--device", "03:07.0"},
             {"display", "--node=12", "upload", ICON}}) {
        const ChildProcess::Ended run = RunKovexctl(args);
        EXPECT_EQ(run.status, 0) << run.err;
        std::size_t sent = 0;
        for (std::size_t at = run.out.find(" 01 0C 22 10 "); at != std::string::npos;
             at = run.out.find(" 01 0C 22 10 ", at + 1)) {
            ++sent;
        }
        EXPECT_EQ(sent, 32U) << args.front();
    }
}

// Every exit path prints one JSON object whose "exit" is the real status,
// whose errors say why, and whose strings are valid whatever bytes came in.
TEST(Kovexctl, JsonOnEveryPathCarriesTheRealStatusAndTheValues) {
    struct JsonCase {
        std::vector<std::string> args;
        const char* errorCode;  // null: done, no errors
        const char* valueKey;   // a value the command reads, or null
    };
    const std::vector<JsonCase> cases{
        {{"version", "--json"}, nullptr, "firmware_version"},
        {{"--json", "poll-list", "get"}, nullptr, "node_status"},
        {{"--json", "loopback"}, nullptr, "packets_received"},
        {{"--json", "program", DATA + "/four-lines.hex"}, nullptr, "last_address"},
        {{"--json", "send", "10 0 \xFF\xFE"}, "usage", nullptr},
        {{"--json", "display", "text", "\xE2\x82\xAC"}, "refused", nullptr},
        {{"--json", "flash", "\xC3"}, "usage", nullptr},
        {{"--frob", "\x9B", "--json", "version"}, "usage", nullptr},
        {{"--json", "--sim-fault", "silent", "--timeout", "0.2", "mode"}, "silent", nullptr},
        {{"--json", "--device", "0000:03:08.0", "mode"}, "no_card", nullptr},
        {{"--json", "program", DATA + "/blank.hex"}, "declined", nullptr},
    };
    for (const JsonCase& c : cases) {
        const ChildProcess::Ended run = RunKovexctl(c.args);
        QJsonParseError error{};
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out;
        const QJsonObject object = document.object();
        EXPECT_EQ(object["exit"].toInt(-1), run.status) << run.out;
        const QJsonArray errors = object["errors"].toArray();
        if (c.errorCode == nullptr) {
            EXPECT_EQ(run.status, 0) << run.out;
            EXPECT_TRUE(errors.isEmpty()) << run.out;
        } else {
            ASSERT_FALSE(errors.isEmpty()) << run.out;
            EXPECT_EQ(errors.last()["code"].toString().toStdString(), c.errorCode) << run.out;
        }
        if (c.valueKey != nullptr) {
            EXPECT_TRUE(object["values"].toObject().contains(c.valueKey)) << run.out;
            EXPECT_EQ(object["device"].toString().toStdString(), "0000:03:07.0");
        }
    }
}

// Standard output that cannot be written: a pipe with no reader (from the
// first argument on, help and usage errors included) or a full disk is a
// failed write, status 6, never a death by SIGPIPE.
TEST(Kovexctl, OutputThatCannotBeWrittenEndsWithStatusSix) {
    const std::vector<std::vector<std::string>> closedPipe{
        {"--help"}, {"--version"}, {"--frob", "--json"}, {"--device", "all", "version"}};
    for (const auto& args : closedPipe) {
        std::array<int, 2> ends{};
        ASSERT_EQ(pipe(ends.data()), 0);
        close(ends[0]);
        std::vector<std::string> argv = Kovexctl(args);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(ends[1], STDOUT_FILENO);
            std::vector<char*> raw;
            raw.reserve(argv.size() + 1);
            for (std::string& arg : argv)
                raw.push_back(arg.data());
            raw.push_back(nullptr);
            execv(raw[0], raw.data());
            _exit(127);
        }
        close(ends[1]);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << args.front() << " ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), args.front() == "--frob" ? 2 : 6) << args.front();
    }
    const std::string devFull =
        std::string("exec ") + KOVEXCTL_PATH + " --sim --device all version >/dev/full";
    const ChildProcess::Ended full = ChildProcess({"/bin/sh", "-c", devFull}).Finish();
    EXPECT_EQ(full.status, 6);
    EXPECT_NE(full.err.find("kovexctl: the results could not all be written to standard output: "
                            "No space left on device"),
              std::string::npos)
        << full.err;
}

}  // namespace
}  // namespace kovex::testing
