// kovexctl on a real terminal (a pseudo-terminal): the file check's question
// waits for its answer, and only y programs.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

namespace kovex::testing {
namespace {

struct TerminalRun {
    int status = -1;
    std::string screen;
};

// Runs kovexctl on a terminal of its own and types `answer` once it asks.
TerminalRun RunOnTerminal(const std::vector<std::string>& args, std::string_view answer) {
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));  // NOLINT: execv's own type
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    TerminalRun run;
    if (pid < 0) return run;
    bool answered = false;
    for (;;) {
        std::array<char, 256> buffer{};
        const ssize_t got = read(terminal, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // the child closed the terminal (EIO)
        run.screen.append(buffer.data(), static_cast<std::size_t>(got));
        if (!answered && run.screen.find("[y/N] ") != std::string::npos) {
            answered = write(terminal, answer.data(), answer.size()) ==
                       static_cast<ssize_t>(answer.size());
        }
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    close(terminal);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

TEST(TerminalQuestion, WaitsForTheAnswerAndOnlyYesPrograms) {
    const std::vector<std::string> args{KOVEXCTL_PATH, "--sim", "program",
                                        std::string(KOVEX_CLI_DATA_DIR) + "/blank.hex"};
    const std::string question =
        "kovexctl: The file holds no data for the card: programming would erase it and write "
        "nothing.\r\nkovexctl: Program KOVEX anyway? [y/N] ";
    struct Case {
        std::string answer;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {"y\n", 0, "Programmed 0 lines"},
        {"\n", 3, "kovexctl: Programming not started: KOVEX was not touched"},
        {"nope\n", 3, "kovexctl: Programming not started: KOVEX was not touched"},
    };
    for (const Case& c : cases) {
        const TerminalRun run = RunOnTerminal(args, c.answer);
        EXPECT_EQ(run.status, c.status) << run.screen;
        EXPECT_NE(run.screen.find(question), std::string::npos) << run.screen;
        EXPECT_NE(run.screen.find(c.says), std::string::npos) << run.screen;
        EXPECT_EQ(run.screen.find("--yes answers Yes"), std::string::npos) << run.screen;
    }
}

}  // namespace
}  // namespace kovex::testing
