// The platform's input box and Yes/No question, shared by both windows.
#pragma once

#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

namespace kovex {

// Returns the edited text on OK and defaultText on Cancel; the edit field
// takes at most maxLength characters and offers `earlier` in a drop-down.
std::string RunInputBox(QWidget* parent, std::string_view caption, std::string_view prompt,
                        std::string_view defaultText, int maxLength,
                        const std::vector<std::string>& earlier);

// True when the user answers Yes.
bool RunYesNo(QWidget* parent, std::string_view caption, std::string_view text, bool defaultYes);

}  // namespace kovex
