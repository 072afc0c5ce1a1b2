#include "cli/AllCards.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <string>

#include "cli/ExitStatus.h"
#include "cli/Interrupt.h"
#include "cli/TerminalWindow.h"

namespace kovex {
namespace {

constexpr std::string_view NOTE_PREFIX = "kovexctl: ";

struct CardRun {
    PciAddress address;
    pid_t pid = -1;
    std::array<int, 2> pipes{-1, -1};  // its standard output and error
    std::array<std::string, 2> text;
    int status = EXIT_DONE;
};

void StartRun(CardRun& run, const std::function<int(const PciAddress&)>& runOne) {
    std::array<int, 2> out{};
    std::array<int, 2> err{};
    if (pipe2(out.data(), O_CLOEXEC) != 0 || pipe2(err.data(), O_CLOEXEC) != 0) {
        run.status = EXIT_NO_CARD;
        run.text[1] = "cannot start a run: no pipe\n";
        return;
    }
    std::fflush(nullptr);
    run.pid = fork();
    if (run.pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        const int status = runOne(run.address);
        std::fflush(nullptr);
        _exit(status);
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

int WaitFor(const CardRun& run) {
    if (run.pid <= 0) return run.status;
    int status = 0;
    while (waitpid(run.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return EXIT_SIGNAL_BASE + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
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
// inside), and its notes with the address after "kovexctl: ".
void Relay(const CardRun& run, bool json, ResultOutput& output) {
    const std::string address = PciAddressText(run.address);
    for (std::string line : LinesOf(run.text[0])) {
        if (!json) line.insert(0, address + " ");
        output.Line(line);
    }
    for (std::string line : LinesOf(run.text[1])) {
        if (line.starts_with(NOTE_PREFIX)) line.erase(0, NOTE_PREFIX.size());
        line.insert(0, address + ": ");
        TerminalWindow::Note(line);
    }
}

}  // namespace

int RunOnEveryCard(const std::vector<PciAddress>& cards, bool json, ResultOutput& output,
                   const std::function<int(const PciAddress&)>& runOne) {
    std::vector<CardRun> runs;
    runs.reserve(cards.size());
    for (const PciAddress& address : cards)
        runs.push_back({address, -1, {-1, -1}, {}, EXIT_DONE});
    for (CardRun& run : runs)
        StartRun(run, runOne);
    CollectOutput(runs);
    int worst = EXIT_DONE;
    for (CardRun& run : runs) {
        run.status = WaitFor(run);
        worst = std::max(worst, run.status);
        Relay(run, json, output);
    }
    return worst;
}

}  // namespace kovex
