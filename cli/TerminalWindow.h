// The window seam on a terminal: log lines are kept as the command's result,
// problem lines and boxes go to standard error at once, the dialogs take
// their answers from the command line, and the pump runs the main window's
// 100 ms tick.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/ProgressMeter.h"
#include "cli/ResultOutput.h"
#include "link/CardPort.h"
#include "link/Clock.h"
#include "seam/AppState.h"
#include "seam/WindowServices.h"

namespace kovex {

class TerminalWindow final : public WindowServices {
public:
    TerminalWindow(AppState& state, MonotonicClock& clock, bool quiet);

    // What the dialogs answer for the command being run.
    void AnswerInputBox(std::string text) { inputAnswer_ = std::move(text); }
    void AnswerYes(bool yes) { answerYes_ = yes; }
    void AnswerFirmwareFile(std::string path) { firmwareFile_ = std::move(path); }
    // Log lines (a long run's steps) are shown as they come: on standard
    // output when `live` is given (a terminal, where they are the result as
    // it grows), otherwise on standard error as progress, the result itself
    // going out when the command is done.
    void EchoSteps(ResultOutput* live) {
        echo_ = !quiet_;
        live_ = live;
    }
    // The lines went to standard output as they came.
    bool ShownLive() const { return echo_ && live_ != nullptr; }

    // One pass of the window's message loop during a wait.
    void Pump(CardPort& port);
    void StartCommand();

    const std::vector<std::string>& LogLines() const { return log_; }
    void ForgetLog() { log_.clear(); }
    // Every text shown on standard error for the command (problem lines and
    // boxes), in UTF-8, in order.
    const std::vector<std::string>& Problems() const { return problems_; }
    void FinishProgress() { progress_.Finish(); }
    // Prints the UTF-8 text on standard error, "kovexctl: " before each line.
    static void Note(std::string_view utf8);
    // Called with each log line once it is shown.
    void WatchLog(std::function<void(std::string_view)> watcher) { watcher_ = std::move(watcher); }
    // Message boxes are not shown while muted: Open's "PLX Not found" is
    // said by its caller, from the result.
    void MuteMessageBoxes(bool muted) { messageBoxesMuted_ = muted; }
    // A message box's text is one of the command's result lines (Test's
    // steps, Save's "Saved"), not a problem.
    void MessageBoxesAreResults(bool results) { messageBoxesAreResults_ = results; }
    bool MessageBoxesAreResults() const { return messageBoxesAreResults_; }
    // Shows a problem: on standard error now, and kept for the JSON.
    void ShowProblem(std::string_view utf8);

    // WindowServices
    void AppendLog(std::string_view line) override;
    void LogProblem(std::string_view line) override;
    void ClearLog() override {}
    void SetStatusLabel(std::string_view /*text*/) override {}
    void SetEnabled(Control control, bool enabled) override;
    bool IsEnabled(Control control) const override;
    bool DebugChecked() const override { return false; }
    void SetCaption(Control /*control*/, std::string_view /*caption*/) override {}
    void SetTimer2Running(bool running) override { timer2_ = running; }
    bool Timer2Running() const override { return timer2_; }
    void ShowMessage(std::string_view text) override;
    void ShowError(std::string_view text) override;
    std::string InputBox(std::string_view caption, std::string_view prompt,
                         std::string_view defaultText, int maxLength,
                         const std::vector<std::string>& earlier) override;
    bool AskYesNo(std::string_view caption, std::string_view text, bool defaultYes) override;
    std::optional<std::string> ChooseFirmwareFile() override;
    // A terminal does not guess among several cards: --device names one.
    std::optional<std::size_t> ChooseCard(const std::vector<CardChoice>& /*cards*/) override {
        return std::nullopt;
    }
    void ShowProgress(std::size_t sent, std::size_t total) override;

private:
    void Activity() { lastActivity_ = clock_.Now(); }
    void Echo(std::string_view line);
    // A line from standard input; nothing at its end.
    std::optional<std::string> ReadAnswer() const;

    AppState& state_;
    MonotonicClock& clock_;
    ProgressMeter progress_;
    bool quiet_;
    std::array<bool, CONTROLS.size()> enabled_{};
    std::vector<std::string> log_;
    std::vector<std::string> problems_;
    std::string inputAnswer_;
    std::optional<std::string> firmwareFile_;
    Nanos lastTick_{0};
    Nanos lastActivity_{0};
    bool answerYes_ = false;
    bool timer2_ = false;
    bool echo_ = false;
    ResultOutput* live_ = nullptr;
    bool waitingNoted_ = false;
    bool messageBoxesMuted_ = false;
    bool messageBoxesAreResults_ = false;
    std::function<void(std::string_view)> watcher_;
};

inline constexpr std::string_view NOTE_PREFIX = "kovexctl: ";
// The text with "kovexctl: " before each of its lines, safe for a terminal.
std::string NoteText(std::string_view utf8);

}  // namespace kovex
