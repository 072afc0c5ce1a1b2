// Program KOVEX through the real main window: the file dialog, Label1 and
// the log, on a virtual clock.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "display/ui/Unit2.h"
#include "shell/ui/FWUnit1.h"
#include "sim/CardCommands.h"
#include "sim/SimulatedCard.h"

namespace {

using namespace std::chrono_literals;

class ProgramKovexWindowTest : public ::testing::Test {
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
    // Picks path in the next file dialog that shows.
    void ChooseInNextFileDialog(const QString& path) {
        dialogWatch.setInterval(10);
        dialogWatch.callOnTimeout([this, path, attempts = 0]() mutable {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr && ++attempts < 100) return;
            dialogWatch.stop();
            if (dialog == nullptr) return;
            dialogSeen = true;
            // Typed into the name field as a person would.
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            if (name != nullptr) name->setText(path);
            QMetaObject::invokeMethod(dialog, "accept");
            // A dialog that refused the name would block the test: close it.
            if (dialog->isVisible()) QMetaObject::invokeMethod(dialog, "reject");
        });
        dialogWatch.start();
    }

    kovex::VirtualClock clock;
    kovex::SimulatedCard card{clock};
    kovex::Nanos nextTick = 100ms;
    QTimer dialogWatch;
    bool dialogSeen = false;
    TForm1 form{card, clock, [this] { Pump(); }};
};

TEST_F(ProgramKovexWindowTest, AFileChosenInTheDialogReachesTheCard) {
    const auto path = std::filesystem::temp_directory_path() / "kovex-window-test.hex";
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        const char hex[] =
            ":0120050042"
            "98\r\n:00000001FF\r\n";
        std::fwrite(hex, 1, sizeof hex - 1, file);
        std::fclose(file);
    }
    Click("Button1");
    auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
    memo->clear();
    ChooseInNextFileDialog(QString::fromStdString(path.string()));
    Click("Button2");
    std::filesystem::remove(path);

    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ(form.findChild<QLabel*>("Label1")->text(), "Programmed 4 lines");
    const QString version = QString::fromStdString(kovex::FirmwareVersionText(card.State().flash));
    EXPECT_EQ(memo->toPlainText(),
              "Reading Hex file\nReseting KOVEX\nErasing KOVEX Firmware\n"
              "Programming KOVEX\nProgrammed 4 lines, 2000-203F\nReseting KOVEX\n"
              "Firmware version from KOVEX = " +
                  version + "\nKOVEX Run Mode = 66");
    EXPECT_EQ(card.State().flash.at(0x2005), 0x42);
    EXPECT_EQ(card.State().flash.size(), 64u);
    EXPECT_EQ(card.Mailbox().MalformedFrames(), 0);
}

}  // namespace
