// A scripted stand-in for the main window: records what the handlers do.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "seam/WindowServices.h"

namespace kovex::testing {

class FakeWindow final : public WindowServices {
public:
    FakeWindow();

    void AppendLog(std::string_view line) override { log.emplace_back(line); }
    void ClearLog() override {
        log.clear();
        refreshLines = 0;
        ++clears;
    }
    void ShowRefreshRead(const std::vector<std::string>& lines) override;
    void SetStatusLabel(std::string_view text) override {
        label = text;
        labels.emplace_back(text);
    }
    void SetEnabled(Control control, bool isEnabled) override;
    bool IsEnabled(Control control) const override { return enabled.at(control); }
    bool DebugChecked() const override { return debugChecked; }
    void SetCaption(Control control, std::string_view caption) override {
        captions[control] = caption;
    }
    void SetTimer2Running(bool running) override { timer2Running = running; }
    bool Timer2Running() const override { return timer2Running; }
    void ShowMessage(std::string_view text) override;
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    std::string InputBox(std::string_view caption, std::string_view prompt,
                         std::string_view defaultText, int maxLength,
                         const std::vector<std::string>& earlier) override;
    bool AskYesNo(std::string_view caption, std::string_view text, bool defaultYes) override;
    std::optional<std::string> ChooseFirmwareFile() override;
    std::optional<std::size_t> ChooseCard(const std::vector<CardChoice>& cards) override;
    void CardOpened(std::string_view cardName) override {
        openedCard = cardName;
        WindowServices::CardOpened(cardName);
    }

    std::vector<std::string> log;
    int clears = 0;
    // The last refresh read: log[refreshFirst] on, refreshLines of them.
    std::size_t refreshFirst = 0;
    std::size_t refreshLines = 0;
    int refreshReads = 0;
    std::string label = "Label1";
    // Every text Label1 was given, in order.
    std::vector<std::string> labels;
    std::map<Control, bool> enabled;
    // Every SetEnabled call, in order.
    std::vector<std::pair<Control, bool>> enableCalls;
    bool debugChecked = false;
    // Captions set by the handlers (none at start).
    std::map<Control, std::string> captions;
    bool timer2Running = false;
    std::vector<std::string> messages;
    // Runs inside ShowMessage, after the text is recorded (a test's "user").
    std::function<void(std::string_view)> onMessage;
    std::vector<std::string> errors;

    // Every input box shown, and the answers the script gives, in order. An
    // empty answer queue means Cancel (the input box returns its default).
    struct InputBoxShown {
        std::string caption;
        std::string prompt;
        std::string defaultText;
        int maxLength = 0;
        std::vector<std::string> earlier;
    };
    std::vector<InputBoxShown> inputBoxes;
    std::deque<std::string> inputAnswers;

    // Every Yes/No question, and the answers; an empty queue answers No.
    struct QuestionAsked {
        std::string caption;
        std::string text;
        bool defaultYes = false;
    };
    std::vector<QuestionAsked> questions;
    std::deque<bool> yesNoAnswers;

    // Every card chooser shown, and the answers; an empty queue cancels.
    std::vector<std::vector<CardChoice>> cardChoosers;
    std::deque<std::optional<std::size_t>> cardAnswers;
    // The name the latest successful Open gave.
    std::string openedCard;

    // The files the firmware dialog returns in turn; an empty queue cancels.
    int fileDialogs = 0;
    std::deque<std::optional<std::string>> fileAnswers;
};

}  // namespace kovex::testing
