// The main window as a keyboard user and the firmware file dialog see it.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "gui/FileDialogOnce.h"
#include "shell/ui/FWUnit1.h"
#include "sim/SimulatedCard.h"

namespace {

class MainWindowInputTest : public ::testing::Test {
protected:
    template <typename T = QWidget>
    T* Find(const char* name) {
        T* widget = form.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // The focused control's name, "" when none has focus.
    std::string Focused() {
        const QWidget* widget = form.focusWidget();
        return widget == nullptr ? "" : widget->objectName().toStdString();
    }
    void Press(Qt::Key key) { QTest::keyClick(form.focusWidget(), key); }

    kovex::VirtualClock clock;
    kovex::SimulatedCard card{clock};
    TForm1 form{card, clock, [] { QCoreApplication::processEvents(); }};
};

TEST_F(MainWindowInputTest, TabFromOpenPassesThroughTheLogToTheNextEnabledButton) {
    struct Case {
        const char* name;
        bool programEnabled;
        const char* afterTheLog;
    };
    const Case cases[] = {
        {"at start", false, "Button3"},
        {"Program KOVEX enabled", true, "Button2"},
    };
    form.show();
    for (const Case& c : cases) {
        form.SetEnabled(kovex::Control::Button2, c.programEnabled);
        Find("Button1")->setFocus(Qt::OtherFocusReason);
        ASSERT_EQ(Focused(), "Button1") << c.name;
        Press(Qt::Key_Tab);
        EXPECT_EQ(Focused(), "Memo1") << c.name;
        Press(Qt::Key_Tab);
        EXPECT_EQ(Focused(), c.afterTheLog) << c.name;
        EXPECT_EQ(Find<QPlainTextEdit>("Memo1")->toPlainText().toStdString(), "Memo1") << c.name;
    }
    // Shift+Tab goes back through the log to Open.
    Press(Qt::Key_Backtab);
    EXPECT_EQ(Focused(), "Memo1");
    Press(Qt::Key_Backtab);
    EXPECT_EQ(Focused(), "Button1");
}

TEST_F(MainWindowInputTest, TheLogStaysEditableByKeyboard) {
    form.show();
    auto* memo = Find<QPlainTextEdit>("Memo1");
    memo->setFocus(Qt::OtherFocusReason);
    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, " ok");
    EXPECT_EQ(memo->toPlainText().toStdString(), "Memo1 ok");
}

TEST_F(MainWindowInputTest, AllFilesOffersFilesWithoutADotAndHexFilesOnlyHexFiles) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"kovex-fw", "card.hex", "notes.txt"}) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name;
    }
    struct Case {
        const char* filter;
        const char* offered;
    };
    const Case cases[] = {
        {"All Files (*)", "card.hex kovex-fw notes.txt"},
        {"HEX FIles (*.hex)", "card.hex"},
    };
    ASSERT_TRUE(kovex::testing::AskForAFileAndCancel([this] { form.ChooseFirmwareFile(); }));
    auto* dialog = Find<QFileDialog>("OpenDialog1");
    dialog->setDirectory(folder.path());
    // The patterns the dialog itself derived from the filter's label.
    auto* model = dialog->findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    for (const Case& c : cases) {
        ASSERT_TRUE(dialog->nameFilters().contains(c.filter)) << c.filter;
        dialog->selectNameFilter(c.filter);
        EXPECT_EQ(dialog->selectedNameFilter(), c.filter);
        const QStringList offered =
            QDir(folder.path()).entryList(model->nameFilters(), QDir::Files);
        EXPECT_EQ(offered.join(' ').toStdString(), c.offered) << c.filter;
    }
}

}  // namespace
