// The window seam on a terminal: log lines are kept for the command's
// result (and echoed to standard output as they come when asked), the boxes
// become lines on standard error, the dialogs take their answers from the
// command line, and the pump runs the main window's 100 ms tick and sees
// Ctrl-C.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cli/ProgressMeter.h"
#include "link/CardPort.h"
#include "link/Clock.h"
#include "seam/AppState.h"
#include "seam/WindowServices.h"

namespace kovex {

class TerminalWindow final : public WindowServices {
public:
    TerminalWindow(AppState& state, MonotonicClock& clock);

    // What the dialogs answer for the command being run.
    void AnswerInputBox(std::string text) { inputAnswer_ = std::move(text); }
    void AnswerYes(bool yes) { answerYes_ = yes; }
    void AnswerFirmwareFile(std::string path) { firmwareFile_ = std::move(path); }
    // Log lines also go to standard output as they come.
    void EchoLog(bool echo) { echo_ = echo; }

    // One pass of the window's message loop during a wait.
    void Pump(CardPort& port);
    void StartCommand();

    const std::vector<std::string>& LogLines() const { return log_; }
    void ForgetLog() { log_.clear(); }
    // Errors and box texts in UTF-8, in order, as shown on standard error.
    const std::vector<std::string>& Notes() const { return notes_; }
    bool ErrorShown() const { return errorShown_; }
    bool QuestionDeclined() const { return declined_; }
    const std::string& LastStatusLabel() const { return statusLabel_; }
    void FinishProgress() { progress_.Finish(); }
    // Prints a note on standard error: "kovexctl: " and the UTF-8 text.
    static void Note(std::string_view utf8);
    // A box with UTF-8 text; an error box marks the command as refused.
    void ShowBox(std::string_view utf8, bool error);

    // WindowServices
    void AppendLog(std::string_view line) override;
    void ClearLog() override {}
    void SetStatusLabel(std::string_view text) override;
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
    void ShowProgress(std::size_t sent, std::size_t total) override;

private:
    void Activity() { lastActivity_ = clock_.Now(); }

    AppState& state_;
    MonotonicClock& clock_;
    ProgressMeter progress_;
    std::array<bool, static_cast<std::size_t>(Control::CheckBox1) + 1> enabled_{};
    std::vector<std::string> log_;
    std::vector<std::string> notes_;
    std::string inputAnswer_;
    std::optional<std::string> firmwareFile_;
    std::string statusLabel_;
    Nanos lastTick_{0};
    Nanos lastActivity_{0};
    bool answerYes_ = false;
    bool echo_ = false;
    bool timer2_ = false;
    bool errorShown_ = false;
    bool declined_ = false;
    bool waitingNoted_ = false;
};

}  // namespace kovex
