// kovexctl as a process against its simulated card: what needs a process
// (a run per card, the picture helper, pipes and a full disk, no terminal).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

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

// What needs a process of its own (each command's result and refusal is
// tested in process, on virtual time): a run per card in processes of its
// own, and the file check's question with no terminal to ask on.
TEST(Kovexctl, ARunOnEveryCardAndAQuestionWithNoTerminal) {
    const std::vector<CommandCase> cases{
        {{"--device", "all", "version"},
         0,
         "0000:03:07.0 Firmware version from KOVEX = KOVEX 2.14 sim\n"},
        {{"program", DATA + "/blank.hex"}, 3, ""},
    };
    for (const CommandCase& c : cases) {
        const ChildProcess::Ended run = RunKovexctl(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.back() << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.args.back();
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
