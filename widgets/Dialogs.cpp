#include "widgets/Dialogs.h"

#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "seam/SlotGuard.h"

namespace kovex {

namespace {

void RunBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon,
                    QString::fromUtf8(APPLICATION_TITLE.data(),
                                      static_cast<qsizetype>(APPLICATION_TITLE.size())),
                    text, QMessageBox::Ok, parent);
    box.exec();
}

std::string ToBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

// QInputDialog builds its edit field lazily; the limit is set once it exists.
void LimitEditField(QInputDialog& dialog, int maxLength) {
    for (QLineEdit* edit : dialog.findChildren<QLineEdit*>())
        edit->setMaxLength(maxLength);
}

// An editable drop-down completes typing to a matching earlier line: "10 3 2 1"
// would become "10 3 2 10" and be sent as that. The typed text stays as typed.
void KeepTypedText(QInputDialog& dialog) {
    for (QComboBox* combo : dialog.findChildren<QComboBox*>()) {
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
    }
}

}  // namespace

QString FromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void RunMessageBox(QWidget* parent, const QString& text) {
    RunBox(parent, QMessageBox::NoIcon, text);
}

void RunErrorBox(QWidget* parent, const QString& text) {
    RunBox(parent, QMessageBox::Critical, text);
}

std::optional<std::string> RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.front().toLocal8Bit().toStdString();
}

std::string RunInputBox(QWidget* parent, std::string_view caption, std::string_view prompt,
                        std::string_view defaultText, int maxLength,
                        const std::vector<std::string>& earlier) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(FromBytes(caption));
    dialog.setLabelText(FromBytes(prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    if (!earlier.empty()) {
        QStringList items;
        for (const std::string& line : earlier)
            items << FromBytes(line);
        dialog.setComboBoxItems(items);
        dialog.setComboBoxEditable(true);
        KeepTypedText(dialog);
    }
    dialog.setTextValue(FromBytes(defaultText));
    LimitEditField(dialog, maxLength);
    if (dialog.exec() != QDialog::Accepted) return std::string(defaultText);
    return ToBytes(dialog.textValue()).substr(0, static_cast<std::size_t>(maxLength));
}

bool RunYesNo(QWidget* parent, std::string_view caption, std::string_view text, bool defaultYes) {
    QMessageBox box(QMessageBox::Question, FromBytes(caption), FromBytes(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText("&Yes");
    box.button(QMessageBox::No)->setText("&No");
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace kovex
