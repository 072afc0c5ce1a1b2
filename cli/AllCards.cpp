#include "cli/AllCards.h"

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
    if (pipe(out.data()) != 0 || pipe(err.data()) != 0) {
        run.status = EXIT_NO_CARD;
        run.text[1] = "kovexctl: cannot start a run: no pipe\n";
        return;
    }
    std::fflush(nullptr);
    run.pid = fork();
    if (run.pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        for (const int fd : {out[0], out[1], err[0], err[1]})
            close(fd);
        const int status = runOne(run.address);
        std::fflush(nullptr);
        _exit(status);
    }
    close(out[1]);
    close(err[1]);
    run.pipes = {out[0], err[0]};
}

// Reads what the runs write until every pipe has ended; an interrupt goes on
// to the runs, which end their waits and let their cards go.
void CollectOutput(std::vector<CardRun>& runs) {
    bool forwarded = false;
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<std::pair<CardRun*, int>> owners;
        for (CardRun& run : runs) {
            for (int i = 0; i < 2; ++i) {
                if (run.pipes.at(i) < 0) continue;
                fds.push_back({run.pipes.at(i), POLLIN, 0});
                owners.emplace_back(&run, i);
            }
        }
        if (fds.empty()) return;
        if (Interrupted() && !forwarded) {
            forwarded = true;
            for (const CardRun& run : runs) {
                if (run.pid > 0) ForwardInterrupt(run.pid);
            }
        }
        if (poll(fds.data(), fds.size(), 100) < 0 && errno != EINTR) return;
        for (std::size_t k = 0; k < fds.size(); ++k) {
            if (fds[k].revents == 0) continue;
            auto& [run, i] = owners[k];
            std::array<char, 4096> buffer{};
            const ssize_t got = read(fds[k].fd, buffer.data(), buffer.size());
            if (got > 0) {
                run->text.at(i).append(buffer.data(), static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                close(fds[k].fd);
                run->pipes.at(i) = -1;
            }
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

// Each line of the run's text, with the card's address after "kovexctl: "
// on standard error and in front on standard output.
void Relay(const CardRun& run, bool json, ResultOutput& output) {
    const std::string address = PciAddressText(run.address);
    std::size_t start = 0;
    const std::string& out = run.text[0];
    while (start < out.size()) {
        const std::size_t end = std::min(out.find('\n', start), out.size());
        const std::string line = out.substr(start, end - start);
        output.Line(json ? line : address + " " + line);
        start = end + 1;
    }
    constexpr std::string_view PREFIX = "kovexctl: ";
    start = 0;
    const std::string& err = run.text[1];
    while (start < err.size()) {
        const std::size_t end = std::min(err.find('\n', start), err.size());
        std::string line = err.substr(start, end - start);
        if (line.starts_with(PREFIX)) line.erase(0, PREFIX.size());
        TerminalWindow::Note(address + ": " + line);
        start = end + 1;
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
