// kovexctl run as a process against its simulated card: what each command
// prints and how it exits.
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

namespace {

struct Child {
    pid_t pid = -1;
    int out = -1;
    int err = -1;
};

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

Child Spawn(std::vector<std::string> args) {
    args.insert(args.begin(), {KOVEXCTL_PATH, "--sim"});
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::array<int, 2> out{};
    std::array<int, 2> err{};
    EXPECT_EQ(pipe(out.data()), 0);
    EXPECT_EQ(pipe(err.data()), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    Child child;
    EXPECT_EQ(posix_spawn(&child.pid, KOVEXCTL_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    child.out = out[0];
    child.err = err[0];
    return child;
}

// Reads what is there on either pipe (waiting for it); false once both end.
bool ReadSome(Child& child, Finished& into) {
    std::array<pollfd, 2> fds{{{child.out, POLLIN, 0}, {child.err, POLLIN, 0}}};
    if (child.out < 0 && child.err < 0) return false;
    poll(fds.data(), fds.size(), -1);
    for (auto [fd, text] : {std::pair{&child.out, &into.out}, std::pair{&child.err, &into.err}}) {
        std::array<char, 4096> buffer{};
        const pollfd& polled = *fd == child.out ? fds[0] : fds[1];
        if (*fd < 0 || polled.revents == 0) continue;
        const ssize_t got = read(*fd, buffer.data(), buffer.size());
        if (got <= 0) {
            close(*fd);
            *fd = -1;
        } else {
            text->append(buffer.data(), static_cast<std::size_t>(got));
        }
    }
    return true;
}

Finished Finish(Child& child, Finished so_far = {}) {
    while (ReadSome(child, so_far)) {
    }
    int status = 0;
    waitpid(child.pid, &status, 0);
    so_far.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return so_far;
}

Finished RunKovexctl(const std::vector<std::string>& args) {
    Child child = Spawn(args);
    return Finish(child);
}

const std::string DATA = KOVEX_CLI_DATA_DIR;

struct CommandCase {
    std::vector<std::string> args;
    int status;
    std::string out;
};

TEST(Kovexctl, EachCommandPrintsTheWindowsLinesAndExitsWithItsStatus) {
    const std::vector<CommandCase> cases{
        {{"list"},
         0,
         "  1237 - 8086        [b:0 s:0 f:0 ]\n  8139 - 10EC        [b:0 s:3 f:0 ]\n"
         "* 9030 - 10B5        [b:3 s:7 f:0 ]\n"},
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
        {{"poll-list", "set", "10", "255"}, 2, ""},
        {{"messages"}, 0, "No messages available\n"},
        {{"loopback"}, 0, "KOVEX Responded = 0 Packets sent, 0 Packets recieved\n"},
        {{"send", "10 0 7"}, 0, "Sent:  00 5A F0 0A 05 01 0A 00 07 00 FF\n"},
        {{"send", "10 255 7"}, 2, ""},
        {{"send", "1"}, 2, ""},
        {{"display", "clear"}, 0, "Sent:  00 5A F0 0A 05 01 0A 22 02 00 FF\n"},
        {{"display", "text", "Hi"}, 0, "Sent:  00 5A F0 0A 07 01 0A 22 06 02 48 69 FF\n"},
        {{"display", "text", "\xE2\x82\xAC"}, 2, ""},
        {{"program", DATA + "/four-lines.hex"},
         0,
         "Reading Hex file\nReseting KOVEX\nErasing KOVEX Firmware\nProgramming KOVEX\n"
         "Programmed 4 lines, 2000-203F\n"
         "Reseting KOVEX\nFirmware version from KOVEX = KOVEX FW crc32=100ECE8C\n"
         "KOVEX Run Mode = 66\n"},
        {{"program", DATA + "/blank.hex"},
         3,
         "Reading Hex file\nProgramming not started: KOVEX was not touched\n"},
        {{"--yes", "program", DATA + "/blank.hex"},
         0,
         "Reading Hex file\nReseting KOVEX\nErasing KOVEX Firmware\nProgramming KOVEX\n"
         "Programmed 0 lines\n"
         "Reseting KOVEX\nFirmware version from KOVEX = KOVEX FW crc32=00000000\n"
         "KOVEX Run Mode = 66\n"},
        {{"program", DATA + "/none.hex"}, 2, "Reading Hex file\n"},
        {{"--sim-fault", "endless", "version"},
         1,
         "KOVEX keeps sending: 4096 bytes thrown away; command abandoned\n"},
        {{"--device", "0000:03:08.0", "version"}, 4, ""},
        {{"--device", "0000:03:07.0", "--json", "mode"},
         0,
         "{\"command\":\"mode\",\"args\":[],\"exit\":0,\"log\":[\"KOVEX Run Mode = 66\"],"
         "\"errors\":[]}\n"},
        {{"flash"}, 2, ""},
    };
    for (const CommandCase& c : cases) {
        const Finished run = RunKovexctl(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.back() << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.args.back();
    }
}

TEST(Kovexctl, UploadsAPictureInThirtyTwoMessagesToTheGivenNode) {
    const Finished run =
        RunKovexctl({"display", "upload", DATA + "/../../pictures/data/icon.ico", "--node", "12"});
    EXPECT_EQ(run.status, 0) << run.err;
    // Node 12, device 34, the write-columns command.
    std::size_t sent = 0;
    for (std::size_t at = run.out.find(" 01 0C 22 10 "); at != std::string::npos;
         at = run.out.find(" 01 0C 22 10 ", at + 1)) {
        ++sent;
    }
    EXPECT_EQ(sent, 32U) << run.out;
}

TEST(Kovexctl, CtrlCEndsAWaitForASilentCardAtOnce) {
    Child child = Spawn({"--sim-fault", "silent", "version"});
    Finished so_far;
    while (so_far.err.find("waiting for the card") == std::string::npos) {
        ASSERT_TRUE(ReadSome(child, so_far)) << so_far.err;
    }
    const auto interrupted = std::chrono::steady_clock::now();
    kill(child.pid, SIGINT);
    const Finished run = Finish(child, so_far);
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, std::chrono::milliseconds(500));
    EXPECT_EQ(run.status, 130);
    EXPECT_NE(run.err.find("interrupted"), std::string::npos) << run.err;
}

}  // namespace
