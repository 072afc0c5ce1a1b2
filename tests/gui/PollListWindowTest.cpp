// The poll list buttons and Timer2 in the real main window, with the real
// input box and Yes/No question, on a virtual clock.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <array>

#include "display/ui/Unit2.h"
#include "shell/ui/FWUnit1.h"
#include "sim/SimulatedCard.h"

namespace {

using namespace std::chrono_literals;

class PollListWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Find<QTimer>("Timer1")->stop();
        card.State().SetPollList(std::array<std::uint8_t, 2>{10, 12});
        card.State().nodeStatus[12] = 3;
        card.Timing().replyDelay = 2ms;
        Click("Button1");
    }
    void TearDown() override {
        Find<QTimer>("Timer2")->stop();
        EXPECT_EQ(card.Mailbox().MalformedFrames(), 0);
    }
    void Pump() {
        QCoreApplication::processEvents();
        while (clock.Now() >= nextTick) {
            nextTick += 100ms;
            form.Timer1Timer();
        }
    }
    template <typename T = QWidget>
    T* Find(const char* name) {
        T* widget = form.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
    QString Caption(const char* name) { return Find<QPushButton>(name)->text(); }
    QStringList LogLines() { return Find<QPlainTextEdit>("Memo1")->toPlainText().split('\n'); }
    // Answers the input box with `typed` and the question with `yes`; any
    // other box is closed with Escape.
    void AnswerDialogs(const QString& typed, bool yes) {
        watch.setInterval(10);
        watch.callOnTimeout([this, typed, yes] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr) return;
            if (auto* input = qobject_cast<QInputDialog*>(modal)) {
                inputTitle = input->windowTitle();
                input->setTextValue(typed);
                input->accept();
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                questionText = box->text();
                box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
                watch.stop();
            } else {
                QTest::keyClick(modal, Qt::Key_Escape);
            }
        });
        watch.start();
    }

    kovex::VirtualClock clock;
    kovex::SimulatedCard card{clock};
    kovex::Nanos nextTick = 100ms;
    QTimer watch;
    QString inputTitle;
    QString questionText;
    TForm1 form{card, clock, [this] { Pump(); }};
};

TEST_F(PollListWindowTest, StartStopRunsTimer2AndNamesTheNextAction) {
    EXPECT_FALSE(Find("Button13")->isEnabled());
    Click("Button7");
    ASSERT_TRUE(Find("Button13")->isEnabled());
    Click("Button13");
    EXPECT_TRUE(Find<QTimer>("Timer2")->isActive());
    EXPECT_EQ(Caption("Button13"), "Stop");
    Click("Button8");  // Boot Mode leaves the refresh running
    EXPECT_TRUE(Find<QTimer>("Timer2")->isActive());
    EXPECT_EQ(Caption("Button13"), "Stop");
    Click("Button13");
    EXPECT_FALSE(Find<QTimer>("Timer2")->isActive());
    EXPECT_EQ(Caption("Button13"), "Start");
}

TEST_F(PollListWindowTest, GetPollListAndARefreshTickShowTheList) {
    const QStringList read{"Poll list   =  10 12", "Node status =  1 3"};
    Click("Button5");
    const QStringList clicked = LogLines();
    EXPECT_EQ(clicked.mid(clicked.size() - 2), read);
    EXPECT_TRUE(Find("Button5")->isEnabled());
    form.Timer2Timer();
    form.AppendLog("a click's line");
    form.Timer2Timer();  // replaces the refresh's own read only
    EXPECT_EQ(LogLines(), clicked + QStringList{"a click's line"} + read);
    form.ClearLog();
    form.Timer2Timer();
    form.Timer2Timer();
    EXPECT_EQ(LogLines(), read);
}

TEST_F(PollListWindowTest, SetPollListThroughTheRealDialogs) {
    AnswerDialogs("20 30", true);
    Click("Button9");
    EXPECT_EQ(inputTitle, "Poll List");
    EXPECT_EQ(questionText, "Confirm that you want to set the poll list to : 20 30?");
    EXPECT_EQ(LogLines().back(), "Setting poll list to  20 30 0");
    EXPECT_EQ(card.State().pollList[0], 20);
    EXPECT_EQ(card.State().pollList[1], 30);
    EXPECT_EQ(card.State().pollList[2], 0);
}

TEST_F(PollListWindowTest, SetPollListAnsweredNoSendsNothing) {
    const std::size_t before = card.Mailbox().HostBytes().size();
    AnswerDialogs("20 30", false);
    Click("Button9");
    EXPECT_EQ(questionText, "Confirm that you want to set the poll list to : 20 30?");
    EXPECT_EQ(card.Mailbox().HostBytes().size(), before);
    EXPECT_EQ(card.State().pollList[0], 10);
}

}  // namespace
