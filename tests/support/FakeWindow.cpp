#include "support/FakeWindow.h"

namespace kovex::testing {

FakeWindow::FakeWindow() {
    for (const ControlSpec& row : CONTROLS)
        enabled[row.control] = row.enabledAtStart;
}

void FakeWindow::SetEnabled(Control control, bool isEnabled) {
    enabled[control] = isEnabled;
    enableCalls.emplace_back(control, isEnabled);
}

void FakeWindow::ShowRefreshRead(const std::vector<std::string>& lines) {
    // A test may have emptied the log itself.
    if (refreshFirst + refreshLines <= log.size()) {
        const auto first = log.begin() + static_cast<std::ptrdiff_t>(refreshFirst);
        log.erase(first, first + static_cast<std::ptrdiff_t>(refreshLines));
    }
    refreshFirst = log.size();
    refreshLines = lines.size();
    log.insert(log.end(), lines.begin(), lines.end());
    ++refreshReads;
}

void FakeWindow::ShowMessage(std::string_view text) {
    messages.emplace_back(text);
    if (onMessage) onMessage(text);
}

std::string FakeWindow::InputBox(std::string_view caption, std::string_view prompt,
                                 std::string_view defaultText, int maxLength,
                                 const std::vector<std::string>& earlier) {
    inputBoxes.push_back(
        {std::string(caption), std::string(prompt), std::string(defaultText), maxLength, earlier});
    if (inputAnswers.empty()) return std::string(defaultText);
    std::string answer = std::move(inputAnswers.front());
    inputAnswers.pop_front();
    return answer.substr(0, static_cast<std::size_t>(maxLength));
}

bool FakeWindow::AskYesNo(std::string_view caption, std::string_view text, bool defaultYes) {
    questions.push_back({std::string(caption), std::string(text), defaultYes});
    if (yesNoAnswers.empty()) return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

std::optional<std::string> FakeWindow::ChooseFirmwareFile() {
    ++fileDialogs;
    if (fileAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(fileAnswers.front());
    fileAnswers.pop_front();
    return answer;
}

std::optional<std::size_t> FakeWindow::ChooseCard(const std::vector<CardChoice>& cards) {
    cardChoosers.push_back(cards);
    if (cardAnswers.empty()) return std::nullopt;
    const std::optional<std::size_t> answer = cardAnswers.front();
    cardAnswers.pop_front();
    return answer;
}

}  // namespace kovex::testing
