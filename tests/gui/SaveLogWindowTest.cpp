// "Save Log As..." from the log's context menu: the file holds a first line
// naming the program, its version and the card, then each line of the log
// after the time it was added; a file that cannot be written says so and
// the log stays as it was.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "shell/ui/FWUnit1.h"
#include "sim/SimulatedCard.h"

namespace {

using namespace std::chrono_literals;

const QRegularExpression kIsoWithMs(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}(Z|[+-]\d\d:\d\d)$)");

class SaveLogWindowTest : public ::testing::Test {
protected:
    void Pump() {
        QCoreApplication::processEvents();
        while (clock.Now() >= nextTick) {
            nextTick += 100ms;
            form.Timer1Timer();
        }
    }
    void Click(const char* name) {
        QTest::mouseClick(form.findChild<QPushButton*>(name), Qt::LeftButton);
    }
    // Answers what shows next: the log menu's "Save Log As...", the file
    // dialog with path, and any box (its text kept, then closed).
    void AnswerModals(const QString& path) {
        watch.setInterval(10);
        watch.callOnTimeout([this, path, idle = 0, chosen = false]() mutable {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                if (chosen) {
                    menu->close();
                    return;
                }
                chosen = true;
                for (QAction* action : menu->actions())
                    menuEntries << action->text();
                // Chosen from the menu's own loop, as a click would, so that
                // this watch goes on to answer what the entry shows.
                if (auto* save = menu->findChild<QAction*>("SaveLogAs")) {
                    QMetaObject::invokeMethod(save, "trigger", Qt::QueuedConnection);
                }
                return;
            }
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
                QMetaObject::invokeMethod(dialog, "accept");
                if (dialog->isVisible()) QMetaObject::invokeMethod(dialog, "reject");
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                boxes << box->text();
                box->reject();
            } else if (++idle == 100) {
                watch.stop();
            }
        });
        watch.start();
    }
    QPlainTextEdit& Memo1() { return *form.findChild<QPlainTextEdit*>("Memo1"); }
    // From the log's context menu, as a right click opens it.
    void SaveLogFromTheMenu(const QString& path) {
        AnswerModals(path);
        emit Memo1().customContextMenuRequested(QPoint(10, 10));
        watch.stop();
    }

    kovex::VirtualClock clock;
    kovex::SimulatedCard card{clock};
    kovex::Nanos nextTick = 100ms;
    QTimer watch;
    QStringList menuEntries;
    QStringList boxes;
    TForm1 form{card, clock, [this] { Pump(); }};
};

TEST_F(SaveLogWindowTest, TheFileHoldsEveryLineOfTheLogAfterTheTimeItWasAdded) {
    Click("Button1");
    Click("Button4");
    Click("Button3");  // these lines are gone from the log, and from the file
    Click("Button4");
    clock.Advance(2500ms);
    Pump();
    Click("Button4");
    const auto path = std::filesystem::temp_directory_path() / "kovex-saved-log.txt";
    std::filesystem::remove(path);

    SaveLogFromTheMenu(QString::fromStdString(path.string()));
    // Qt's own entries, then the tool's.
    ASSERT_GT(menuEntries.size(), 2);
    EXPECT_TRUE(menuEntries.first().startsWith("&Undo")) << menuEntries.first().toStdString();
    EXPECT_EQ(menuEntries.mid(menuEntries.size() - 4),
              QStringList({"Save Log As...", "", "Capture Card Traffic...", "Stop Capture"}));
    QFile file(QString::fromStdString(path.string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList saved = QString::fromUtf8(file.readAll()).split('\n');
    std::filesystem::remove(path);
    ASSERT_EQ(saved.takeLast(), "");  // the last line ends too

    EXPECT_TRUE(
        saved.takeFirst().startsWith("KOVEX Programmer 1.0.0, card Simulated card, log saved "));
    const QStringList log = Memo1().toPlainText().split('\n');
    ASSERT_EQ(saved.size(), log.size());
    QList<QDateTime> times;
    for (qsizetype i = 0; i < saved.size(); ++i) {
        const qsizetype space = saved[i].indexOf(' ');
        EXPECT_EQ(saved[i].mid(space + 1), log[i]);
        times << QDateTime::fromString(saved[i].left(space), Qt::ISODateWithMs);
        ASSERT_TRUE(times.back().isValid()) << saved[i].toStdString();
        EXPECT_TRUE(kIsoWithMs.match(saved[i].left(space)).hasMatch()) << saved[i].toStdString();
        if (i > 0) {
            EXPECT_LE(times[i - 1], times[i]);
        }
    }
    ASSERT_EQ(log.size(), 2);
    EXPECT_GE(times[0].msecsTo(times[1]), 2500);
}

TEST_F(SaveLogWindowTest, AFileThatCannotBeWrittenSaysSoAndKeepsTheLog) {
    Click("Button1");
    const QString before = Memo1().toPlainText();
    SaveLogFromTheMenu("/proc/kovex-saved-log.txt");
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith("Cannot save the log to /proc/kovex-saved-log.txt: "))
        << boxes[0].toStdString();
    EXPECT_EQ(Memo1().toPlainText(), before);
}

}  // namespace
