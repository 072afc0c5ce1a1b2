// The main window with a card that never stops sending: every command ends
// with its line, the card stays free for the next one, and the window closes.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "link/CardExchange.h"
#include "shell/ui/FWUnit1.h"
#include "sim/SimulatedCard.h"

namespace {

TEST(MainWindowStress, ACardThatKeepsSendingEndsEachCommandAndTheWindowStillCloses) {
    kovex::VirtualClock clock;
    kovex::SimulatedCard card{clock};
    TForm1 form{card, clock, [] { QCoreApplication::processEvents(); }};
    form.findChild<QTimer*>("Timer1")->stop();
    form.show();
    const auto click = [&form](const char* name) {
        auto* button = form.findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        ASSERT_TRUE(button->isEnabled()) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    };
    const auto lastLine = [&form] {
        return form.findChild<QPlainTextEdit*>("Memo1")->toPlainText().split('\n').back();
    };
    click("Button1");  // Open
    click("Button7");  // Run Mode
    ASSERT_EQ(lastLine(), "KOVEX Responded = 102");

    card.QueueHostMessage({0x0A, 0x00, 0x07, 0x00});
    card.Faults().endlessStream = true;
    form.Timer1Timer();  // NO_MESSAGE reads clear: Get Msg comes on
    const QString line =
        QString::fromStdString(kovex::CardKeepsSendingLine(kovex::CardPort::DRAIN_MOST_BYTES));
    for (const char* name : {"Button11", "Button6", "Button4"}) {
        click(name);
        EXPECT_EQ(lastLine(), line) << name;
    }
    form.close();
    EXPECT_TRUE(form.State().Closing);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(card.Mailbox().MalformedFrames(), 0);
}

}  // namespace
