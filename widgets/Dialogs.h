// The boxes and dialogs both windows show: the message and error boxes, the
// platform's input box and Yes/No question, and a file dialog's choice.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QFileDialog;

namespace kovex {

// Bytes shown one for one as 8-bit characters.
QString FromBytes(std::string_view bytes);

// Modal boxes captioned with the application title, with OK: an information
// box without an icon, and the standard error box.
void RunMessageBox(QWidget* parent, const QString& text);
void RunErrorBox(QWidget* parent, const QString& text);

// The chosen file's path, or nothing when the user cancels.
std::optional<std::string> RunFileDialog(QFileDialog& dialog);

// Returns the edited text on OK and defaultText on Cancel; the edit field
// takes at most maxLength characters and offers `earlier` in a drop-down.
std::string RunInputBox(QWidget* parent, std::string_view caption, std::string_view prompt,
                        std::string_view defaultText, int maxLength,
                        const std::vector<std::string>& earlier);

// True when the user answers Yes.
bool RunYesNo(QWidget* parent, std::string_view caption, std::string_view text, bool defaultYes);

}  // namespace kovex
