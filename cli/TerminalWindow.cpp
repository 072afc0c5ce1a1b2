#include "cli/TerminalWindow.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "cli/LogText.h"
#include "console/Timer1Rule.h"

namespace kovex {
namespace {

constexpr Nanos TIMER1_INTERVAL = std::chrono::milliseconds(100);
// A wait this long without a word says that it waits, and how to stop it.
constexpr Nanos SILENCE_NOTED_AFTER = std::chrono::seconds(1);

}  // namespace

TerminalWindow::TerminalWindow(AppState& state, MonotonicClock& clock, bool quiet)
    : state_(state),
      clock_(clock),
      progress_(clock, stderr, isatty(STDERR_FILENO) == 1),
      quiet_(quiet),
      lastTick_(clock.Now()),
      lastActivity_(clock.Now()) {
    for (const ControlSpec& row : CONTROLS)
        enabled_.at(ControlIndex(row.control)) = row.enabledAtStart;
}

void TerminalWindow::StartCommand() {
    Activity();
    waitingNoted_ = false;
}

void TerminalWindow::Pump(CardPort& port) {
    const Nanos now = clock_.Now();
    // A wait of so many ticks (a reset, a programming line) ends by itself:
    // only a wait for the card's own answer is worth a word.
    if (state_.TickCountdown > 0) Activity();
    if (now - lastTick_ >= TIMER1_INTERVAL) {
        // Like a window timer, ticks missed while busy are not made up.
        lastTick_ = now - lastTick_ >= 2 * TIMER1_INTERVAL ? now : lastTick_ + TIMER1_INTERVAL;
        Timer1Timer(state_, port, *this);
    }
    if (!waitingNoted_ && now - lastActivity_ >= SILENCE_NOTED_AFTER) {
        waitingNoted_ = true;
        progress_.Finish();
        Note("waiting for the card (Ctrl-C stops)");
    }
}

std::string NoteText(std::string_view utf8) {
    const std::string text = TerminalText(utf8, true);
    std::string out;
    out.reserve(text.size() + NOTE_PREFIX.size());
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        out.append(NOTE_PREFIX).append(text, start, end - start);
        if (end == text.size()) break;
        out.push_back('\n');
        start = end + 1;
    }
    return out;
}

void TerminalWindow::Note(std::string_view utf8) {
    std::fprintf(stderr, "%s\n", NoteText(utf8).c_str());
    std::fflush(stderr);
}

void TerminalWindow::ShowProblem(std::string_view utf8) {
    progress_.Finish();
    problems_.emplace_back(utf8);
    Note(utf8);
}

void TerminalWindow::AppendLog(std::string_view line) {
    Activity();
    log_.emplace_back(line);
    if (echo_) Echo(line);
    if (watcher_) watcher_(line);
}

void TerminalWindow::Echo(std::string_view line) {
    progress_.Finish();
    const std::string text = TerminalText(Latin1ToUtf8(line));
    if (live_ != nullptr) {
        live_->Line(text);
        return;
    }
    Note(text);
}

void TerminalWindow::LogProblem(std::string_view line) {
    Activity();
    ShowProblem(MessageToUtf8(line));
}

void TerminalWindow::SetEnabled(Control control, bool enabled) {
    enabled_.at(ControlIndex(control)) = enabled;
}

bool TerminalWindow::IsEnabled(Control control) const {
    return enabled_.at(ControlIndex(control));
}

void TerminalWindow::ShowMessage(std::string_view text) {
    if (messageBoxesMuted_) return;
    if (messageBoxesAreResults_) {
        AppendLog(text);
    } else {
        ShowProblem(MessageToUtf8(text));
    }
}

void TerminalWindow::ShowError(std::string_view text) {
    ShowProblem(MessageToUtf8(text));
}

std::string TerminalWindow::InputBox(std::string_view /*caption*/, std::string_view /*prompt*/,
                                     std::string_view /*defaultText*/, int /*maxLength*/,
                                     const std::vector<std::string>& /*earlier*/) {
    return inputAnswer_;
}

bool TerminalWindow::AskYesNo(std::string_view /*caption*/, std::string_view text,
                              bool defaultYes) {
    if (answerYes_) return true;
    if (isatty(STDIN_FILENO) != 1) {
        ShowMessage(text);
        ShowProblem("answered No; --yes answers Yes");
        return false;
    }
    // On a terminal the question waits for its answer; Enter alone takes
    // the default.
    progress_.Finish();
    problems_.push_back(MessageToUtf8(text));
    std::fprintf(stderr, "%s %s ", NoteText(problems_.back()).c_str(),
                 defaultYes ? "[Y/n]" : "[y/N]");
    std::fflush(stderr);
    const std::optional<std::string> answer = ReadAnswer();
    if (!answer) std::fputc('\n', stderr);
    Activity();
    if (!answer || answer->empty()) return defaultYes;
    return answer->front() == 'y' || answer->front() == 'Y';
}

std::optional<std::string> TerminalWindow::ReadAnswer() const {
    std::string answer;
    for (;;) {
        char c = 0;
        const ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) {
            // A stopping signal ends the question as it ends any wait.
            if (state_.Closing) throw WindowClosing();
            continue;
        }
        if (got <= 0) return std::nullopt;
        if (c == '\n') return answer;
        answer.push_back(c);
    }
}

std::optional<std::string> TerminalWindow::ChooseFirmwareFile() {
    return firmwareFile_;
}

void TerminalWindow::ShowProgress(std::size_t sent, std::size_t total) {
    Activity();
    if (!quiet_) progress_.Show(sent, total);
}

}  // namespace kovex
