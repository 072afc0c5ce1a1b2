// Send Msg and the input box in the real main window, on the simulated card.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "display/ui/Unit2.h"
#include "shell/ui/FWUnit1.h"
#include "sim/Node10Devices.h"
#include "sim/SimulatedCard.h"
#include "widgets/Dialogs.h"

namespace {

using namespace std::chrono_literals;

// What the open input box showed when the script answered it.
struct SeenInput {
    bool seen = false;
    QString title;
    QString editText;
    QStringList items;
    int maxLength = 0;
    bool stillOpenAfterEnter = false;
    QString textAfterEnter;
};

// Answers the next input box by typing `typed` (replacing its text) and
// pressing Enter, or Escape when typed is empty; records what it showed.
// Gives up after about a second, closing whatever modal window is open.
class InputBoxScript {
public:
    void AnswerNext(SeenInput& seen, const QString& typed) {
        watch_.setInterval(10);
        QObject::disconnect(&watch_, &QTimer::timeout, nullptr, nullptr);
        watch_.callOnTimeout([this, &seen, typed, attempts = 0]() mutable {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr && ++attempts < 100) return;
            watch_.stop();
            if (dialog == nullptr) {
                if (QWidget* other = QApplication::activeModalWidget()) other->close();
                return;
            }
            Record(*dialog, seen);
            if (typed.isEmpty()) {
                QTest::keyClick(dialog, Qt::Key_Escape);
                return;
            }
            QLineEdit* edit = EditOf(*dialog);
            edit->selectAll();
            QTest::keyClicks(edit, typed);
            QTest::keyClick(edit, Qt::Key_Return);
            if (dialog->isVisible()) {
                seen.stillOpenAfterEnter = true;
                seen.textAfterEnter = EditOf(*dialog)->text();
                dialog->reject();
            }
        });
        watch_.start();
    }

private:
    static QLineEdit* EditOf(QInputDialog& dialog) {
        if (auto* combo = dialog.findChild<QComboBox*>(); combo != nullptr && combo->isVisible())
            return combo->lineEdit();
        return dialog.findChild<QLineEdit*>();
    }
    static void Record(QInputDialog& dialog, SeenInput& seen) {
        seen.seen = true;
        seen.title = dialog.windowTitle();
        QLineEdit* edit = EditOf(dialog);
        seen.editText = edit->text();
        seen.maxLength = edit->maxLength();
        if (auto* combo = dialog.findChild<QComboBox*>(); combo != nullptr && combo->isVisible()) {
            for (int i = 0; i < combo->count(); ++i)
                seen.items << combo->itemText(i);
        }
    }
    QTimer watch_;
};

class NodeMessageWindowTest : public ::testing::Test {
protected:
    void SetUp() override { form.findChild<QTimer*>("Timer1")->stop(); }
    void Pump() {
        QCoreApplication::processEvents();
        while (clock.Now() >= nextTick) {
            nextTick += 100ms;
            form.Timer1Timer();
        }
    }
    void Tick() {
        clock.Advance(100ms);
        Pump();
    }
    void Click(const char* name) {
        auto* button = form.findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        ASSERT_TRUE(button->isEnabled()) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QString LastLogLine() {
        return form.findChild<QPlainTextEdit*>("Memo1")->toPlainText().split('\n').back();
    }

    kovex::VirtualClock clock;
    kovex::SimulatedCard card{clock};
    kovex::Nanos nextTick = 100ms;
    InputBoxScript script;
    TForm1 form{card, clock, [this] { Pump(); }};
};

TEST_F(NodeMessageWindowTest, SendMsgAsksForTheVersionAndGetMsgFetchesIt) {
    card.Node10().SetFirmwareVersion("12");
    Click("Button1");
    Click("Button7");

    SeenInput first;
    script.AnswerNext(first, "10 0 7");
    Click("Button10");
    ASSERT_TRUE(first.seen);
    EXPECT_EQ(first.title, "Poll List");
    EXPECT_EQ(first.editText, "0");
    EXPECT_EQ(first.maxLength, 255);
    EXPECT_TRUE(first.items.isEmpty());
    EXPECT_EQ(LastLogLine(), "Sent:  00 5A F0 0A 05 01 0A 00 07 00 FF");

    Tick();
    Click("Button11");
    EXPECT_EQ(LastLogLine(), "6 Bytes recieved:  0A 00 07 02 31 32");

    // The second time the drop-down offers the line, the edit still says 0;
    // Cancel sends nothing.
    SeenInput second;
    script.AnswerNext(second, "");
    Click("Button10");
    ASSERT_TRUE(second.seen);
    EXPECT_EQ(second.editText, "0");
    EXPECT_EQ(second.items, QStringList{"10 0 7"});
    EXPECT_EQ(card.Network().Received().size(), 1u);
    EXPECT_EQ(card.Mailbox().MalformedFrames(), 0);
}

TEST_F(NodeMessageWindowTest, TheInputBoxNeverCompletesTypingToAnEarlierLine) {
    SeenInput seen;
    script.AnswerNext(seen, "10 3 2 1");
    const std::string answer =
        kovex::RunInputBox(&form, "Poll List", "prompt", "0", 255, {"10 3 2 10", "10 0 7"});
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.items, (QStringList{"10 3 2 10", "10 0 7"}));
    EXPECT_FALSE(seen.stillOpenAfterEnter) << seen.textAfterEnter.toStdString();
    EXPECT_EQ(answer, "10 3 2 1");
}

TEST_F(NodeMessageWindowTest, SendStringOfTheMainWindowSendsForAnyCaller) {
    Click("Button1");
    form.SendString(nullptr, "10 3 2 1");
    kovex::MessageSink& sink = form.MessageSender();
    EXPECT_TRUE(sink.SendAsOneExchange([&] { sink.SendString("10 4 2 1"); }, {}));
    EXPECT_TRUE(card.Node10().RelayOn(1));
    EXPECT_TRUE(card.Node10().RelayOn(2));
    EXPECT_EQ(LastLogLine(), "Sent:  00 5A F0 0A 06 01 0A 04 02 01 01 FF");
}

}  // namespace
