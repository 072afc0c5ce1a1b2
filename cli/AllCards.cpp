#include "cli/AllCards.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/CardSession.h"
#include "cli/ExitStatus.h"
#include "cli/Interrupt.h"
#include "cli/Json.h"
#include "cli/TerminalWindow.h"

namespace kovex {
namespace {

struct CardRun {
    PciAddress address;
    pid_t pid = -1;
    std::array<int, 2> pipes{-1, -1};  // its standard output and error
    std::array<std::string, 2> text;
    int status = EXIT_DONE;
    // Why the run gave no result of its own; empty when it ended by itself.
    std::string failure;
    std::string_view failureCode;
};

constexpr std::string_view NOT_RUN_CODE = "not_run";
constexpr std::string_view KILLED_CODE = "killed";

void Fail(CardRun& run, std::string_view code, std::string why, int status) {
    run.failureCode = code;
    run.failure = std::move(why);
    run.status = status;
}

// No run for the card: why (errno says the rest), and its pipes closed.
void NotStarted(CardRun& run, std::string_view what, const std::array<int, 2>& out,
                const std::array<int, 2>& err) {
    Fail(run, NOT_RUN_CODE,
         "its run could not start: " + std::string(what) + " (" + std::strerror(errno) + ")",
         EXIT_CARD_FAILED);
    for (const int end : {out[0], out[1], err[0], err[1]}) {
        if (end >= 0) close(end);
    }
}

void StartRun(CardRun& run, const std::function<int(const PciAddress&)>& runOne,
              const Spawn& spawn) {
    std::array<int, 2> out{-1, -1};
    std::array<int, 2> err{-1, -1};
    if (pipe2(out.data(), O_CLOEXEC) != 0 || pipe2(err.data(), O_CLOEXEC) != 0) {
        NotStarted(run, "no pipe", out, err);
        return;
    }
    std::fflush(nullptr);
    run.pid = spawn();
    if (run.pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        const int status = runOne(run.address);
        std::fflush(nullptr);
        _exit(status);
    }
    if (run.pid < 0) {
        NotStarted(run, "no process", out, err);
        return;
    }
    close(out[1]);
    close(err[1]);
    run.pipes = {out[0], err[0]};
}

// Every pipe still open, and the run and stream it belongs to.
struct OpenPipes {
    std::vector<pollfd> fds;
    std::vector<std::pair<CardRun*, std::size_t>> owners;
};

OpenPipes PipesOf(std::vector<CardRun>& runs) {
    OpenPipes open;
    for (CardRun& run : runs) {
        for (std::size_t i = 0; i < run.pipes.size(); ++i) {
            if (run.pipes.at(i) < 0) continue;
            open.fds.push_back({run.pipes.at(i), POLLIN, 0});
            open.owners.emplace_back(&run, i);
        }
    }
    return open;
}

void ReadPipe(CardRun& run, std::size_t stream) {
    std::array<char, 4096> buffer{};
    const ssize_t got = read(run.pipes.at(stream), buffer.data(), buffer.size());
    if (got > 0) {
        run.text.at(stream).append(buffer.data(), static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
        close(run.pipes.at(stream));
        run.pipes.at(stream) = -1;
    }
}

// Reads what the runs write until every pipe has ended; an interrupt goes on
// to the runs, which end their waits and let their cards go.
void CollectOutput(std::vector<CardRun>& runs) {
    bool forwarded = false;
    for (OpenPipes open = PipesOf(runs); !open.fds.empty(); open = PipesOf(runs)) {
        if (Interrupted() && !forwarded) {
            forwarded = true;
            for (const CardRun& run : runs)
                ForwardInterrupt(run.pid);
        }
        if (poll(open.fds.data(), open.fds.size(), 100) < 0 && errno != EINTR) return;
        for (std::size_t k = 0; k < open.fds.size(); ++k) {
            if (open.fds[k].revents != 0) ReadPipe(*open.owners[k].first, open.owners[k].second);
        }
    }
}

void WaitFor(CardRun& run) {
    if (run.pid <= 0) return;
    int status = 0;
    pid_t waited = -1;
    while ((waited = waitpid(run.pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (waited < 0) {
        Fail(run, NOT_RUN_CODE,
             std::string("its run could not be waited for (") + std::strerror(errno) + ")",
             EXIT_CARD_FAILED);
    } else if (WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        Fail(run, KILLED_CODE,
             "its run was ended by signal " + std::to_string(WTERMSIG(status)) + " (" +
                 strsignal(WTERMSIG(status)) + ")",
             EXIT_SIGNAL_BASE + WTERMSIG(status));
    } else {
        Fail(run, NOT_RUN_CODE, "its run ended in an unknown way", EXIT_CARD_FAILED);
    }
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The run's results with the card's address in front (a JSON object has it
// inside), and its notes with the address after "kovexctl: ". A run that gave
// no result of its own gets a line that says why, and its JSON object.
void Relay(const CardRun& run, const CommandLine& command, ResultOutput& output) {
    const std::string address = PciAddressText(run.address);
    for (std::string line : LinesOf(run.text[0])) {
        if (!command.json) line.insert(0, address + " ");
        output.Line(line);
    }
    for (std::string line : LinesOf(run.text[1])) {
        if (line.starts_with(NOTE_PREFIX)) line.erase(0, NOTE_PREFIX.size());
        line.insert(0, address + ": ");
        TerminalWindow::Note(line);
    }
    if (run.failure.empty()) return;
    TerminalWindow::Note(address + ": " + run.failure);
    if (command.json && run.text[0].empty()) {
        output.Line(RunJson(command, JsonString(address), run.status, "{}", {},
                            {ErrorJson(run.failureCode, run.failure)}));
    }
}

}  // namespace

int RunOnEveryCard(const std::vector<PciAddress>& cards, const CommandLine& line,
                   ResultOutput& output, const std::function<int(const PciAddress&)>& runOne,
                   const Spawn& spawn) {
    std::vector<CardRun> runs(cards.size());
    for (std::size_t i = 0; i < cards.size(); ++i)
        runs[i].address = cards[i];
    for (CardRun& run : runs)
        StartRun(run, runOne, spawn);
    CollectOutput(runs);
    int worst = EXIT_DONE;
    for (CardRun& run : runs) {
        WaitFor(run);
        worst = std::max(worst, run.status);
        Relay(run, line, output);
    }
    if (!output.Failed()) return worst;
    TerminalWindow::Note("the results could not all be written to standard output: " +
                         output.Reason());
    return std::max(worst, static_cast<int>(EXIT_OUTPUT_FAILED));
}

}  // namespace kovex
