#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <QMessageBox>

#include "display/ui/Unit2.h"
#include "gui/FileDialogOnce.h"
#include "link/CardRegisters.h"
#include "shell/ui/FWUnit1.h"
#include "sim/SimulatedCard.h"

namespace {

using namespace std::chrono_literals;
using kovex::Nanos;

// The main window on a virtual clock: its own Timer1 is stopped and each pump
// fires Timer1Timer for every 100 ms of virtual time that passed.
class MainWindowTest : public ::testing::Test {
protected:
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
    template <typename T = QWidget>
    T* Find(const char* name) {
        T* widget = form.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
    // Answers the next modal box with Escape, keeping its title and text;
    // gives up (and fails) if none shows within about a second.
    struct SeenBox {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool seen = false;
    };
    // Runs action from the event loop, i.e. inside the next pump.
    void RunSoon(std::function<void()> action) {
        soon.setSingleShot(true);
        soon.callOnTimeout(std::move(action));
        soon.start(0);
    }
    void AnswerNextModal(SeenBox& seen) {
        modalWatch.setInterval(10);
        modalWatch.callOnTimeout([this, &seen, attempts = 0]() mutable {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr && ++attempts < 100) return;
            modalWatch.stop();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                seen = {box->windowTitle(), box->text(), box->icon(), true};
            }
            if (modal != nullptr) QTest::keyClick(modal, Qt::Key_Escape);
        });
        modalWatch.start();
    }
    QStringList LogLines() { return Find<QPlainTextEdit>("Memo1")->toPlainText().split('\n'); }

    kovex::VirtualClock clock;
    kovex::SimulatedCard card{clock};
    Nanos nextTick = 100ms;
    QTimer modalWatch;
    QTimer soon;
    TForm1 form{card, clock, [this] { Pump(); }};
};

TEST_F(MainWindowTest, StartStateMatchesTheControlTable) {
    struct Row {
        const char* name;
        const char* caption;
        QRect geometry;
        bool enabled;
    };
    const Row rows[] = {
        {"Button1", "Open", {16, 16, 75, 25}, true},
        {"Memo1", nullptr, {8, 80, 641, 393}, true},
        {"Button2", "Program KOVEX", {112, 16, 89, 25}, false},
        {"Button3", "Clear", {280, 488, 75, 25}, true},
        {"Button4", "Version", {208, 16, 75, 25}, false},
        {"Button5", "Get Poll List", {288, 16, 75, 25}, false},
        {"Button6", "Poll Speed", {368, 16, 75, 25}, false},
        {"Button7", "Run Mode", {448, 16, 75, 25}, false},
        {"Button8", "Boot Mode", {528, 16, 75, 25}, false},
        {"Button9", "Set Poll List", {288, 48, 75, 25}, false},
        {"Button10", "Send Msg", {448, 48, 75, 25}, false},
        {"Button11", "Get Msg", {528, 48, 75, 25}, false},
        {"Button12", "Clear Buff", {208, 48, 75, 25}, true},
        {"Button13", "Start", {72, 48, 75, 25}, false},
        {"CheckBox1", "dbg", {152, 52, 49, 17}, true},
        {"Button14", "Test", {456, 488, 75, 25}, false},
        {"Button15", "Loopback", {552, 488, 75, 25}, true},
        {"Button16", "Graphic", {160, 488, 75, 25}, false},
    };
    std::vector<QWidget*> tabOrder;
    for (const Row& row : rows) {
        QWidget* widget = Find(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), row.geometry) << row.name;
        EXPECT_EQ(widget->isEnabled(), row.enabled) << row.name;
        if (row.caption != nullptr) {
            EXPECT_EQ(widget->property("text").toString(), row.caption) << row.name;
        }
        tabOrder.push_back(widget);
    }
    // Each control's next stop in the focus chain, skipping widgets that are
    // not in the table (scroll bars, the log's viewport), is the next row.
    for (std::size_t i = 0; i + 1 < tabOrder.size(); ++i) {
        QWidget* next = tabOrder[i]->nextInFocusChain();
        while (std::find(tabOrder.begin(), tabOrder.end(), next) == tabOrder.end()) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, tabOrder[i + 1]) << "after " << rows[i].name;
    }

    EXPECT_EQ(form.windowTitle(), "KOVEX Programmer");
    EXPECT_EQ(form.objectName(), "Form1");
    EXPECT_EQ(LogLines(), QStringList{"Memo1"});
    auto* memo = Find<QPlainTextEdit>("Memo1");
    EXPECT_TRUE(QFontInfo(memo->font()).fixedPitch());
    EXPECT_FALSE(memo->isReadOnly());
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_FALSE(Find<QCheckBox>("CheckBox1")->isChecked());
    auto* label = Find<QLabel>("Label1");
    EXPECT_EQ(label->text(), "Label1");
    EXPECT_EQ(label->pos(), QPoint(16, 488));
    EXPECT_EQ(label->size(), label->sizeHint());

    auto* timer1 = Find<QTimer>("Timer1");
    auto* timer2 = Find<QTimer>("Timer2");
    EXPECT_TRUE(timer1->isActive());
    EXPECT_EQ(timer1->interval(), 100);
    EXPECT_FALSE(timer2->isActive());
    EXPECT_EQ(timer2->interval(), 100);
    // OpenDialog1, as the first file asked for builds it.
    ASSERT_TRUE(kovex::testing::AskForAFileAndCancel([this] { form.ChooseFirmwareFile(); }));
    auto* dialog = Find<QFileDialog>("OpenDialog1");
    EXPECT_EQ(dialog->nameFilters(), (QStringList{"HEX FIles (*.hex)", "All Files (*)"}));
    EXPECT_EQ(dialog->selectedNameFilter(), "HEX FIles (*.hex)");
    EXPECT_EQ(dialog->defaultSuffix(), "hex");
}

TEST_F(MainWindowTest, ClearEmptiesTheLog) {
    Click("Button3");
    EXPECT_TRUE(Find<QPlainTextEdit>("Memo1")->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, OpenLogsTheSimulatedBusAndEnablesTheCardButtons) {
    Find<QTimer>("Timer1")->stop();
    Click("Button1");
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.back(), "Chip open status is: 0200");
    EXPECT_EQ(lines[2], "9030 - 10B5        [b:3 s:7 f:0 ]");
    EXPECT_FALSE(Find("Button1")->isEnabled());
    for (const char* name : {"Button2", "Button4", "Button5", "Button7", "Button8", "Button9"}) {
        EXPECT_TRUE(Find(name)->isEnabled()) << name;
    }
}

TEST_F(MainWindowTest, OpenWithoutABridgeShowsPlxNotFoundAndChangesNoControl) {
    Find<QTimer>("Timer1")->stop();
    card.Bus().devices = {};
    SeenBox box;
    AnswerNextModal(box);
    Click("Button1");
    EXPECT_TRUE(box.seen);
    EXPECT_EQ(box.text, "PLX Not found");
    EXPECT_EQ(box.title, "KOVEX Programmer");
    EXPECT_TRUE(Find("Button1")->isEnabled());
    EXPECT_FALSE(Find("Button4")->isEnabled());
}

TEST_F(MainWindowTest, TheErrorBoxCarriesTheTitleAndTheErrorIcon) {
    SeenBox box;
    AnswerNextModal(box);
    form.ShowError("Cannot open file");
    EXPECT_TRUE(box.seen);
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.title, "KOVEX Programmer");
    EXPECT_TRUE(form.isEnabled());
}

TEST_F(MainWindowTest, GraphicShowsTheDisplayWindowModally) {
    Find<QTimer>("Timer1")->stop();
    TForm2 form2;
    form.SetGraphicWindow(form2);
    EXPECT_FALSE(form2.isVisible());
    Click("Button1");
    Click("Button7");
    bool wasModal = false;
    RunSoon([&] {
        wasModal = QApplication::activeModalWidget() == &form2;
        form2.reject();
    });
    Click("Button16");
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(form2.isVisible());
    EXPECT_EQ(form2.windowTitle(), "Form2");
}

TEST_F(MainWindowTest, WalkRunModeThenANodeMessageComesAndIsFetched) {
    Find<QTimer>("Timer1")->stop();
    card.Timing().replyDelay = 2ms;
    Click("Button1");
    Click("Button7");
    EXPECT_EQ(LogLines().back(), "KOVEX Responded = 102");
    Tick();
    EXPECT_FALSE(Find("Button11")->isEnabled());

    card.QueueHostMessage({0x0A, 0x00, 0x07, 0x02, 0x31, 0x32});
    Tick();
    ASSERT_TRUE(Find("Button11")->isEnabled());
    Click("Button11");
    EXPECT_EQ(LogLines().back(), "6 Bytes recieved:  0A 00 07 02 31 32");
    Tick();
    EXPECT_FALSE(Find("Button11")->isEnabled());
    EXPECT_EQ(card.Mailbox().MalformedFrames(), 0);
}

TEST_F(MainWindowTest, ClosingTheWindowEndsAWaitAtOnce) {
    Find<QTimer>("Timer1")->stop();
    Click("Button1");
    card.Faults().silent = true;
    RunSoon([&] { form.close(); });
    const kovex::Nanos start = clock.Now();
    Click("Button4");  // waits for a version that never comes
    EXPECT_TRUE(form.State().Closing);
    EXPECT_LT(clock.Now() - start, 1s);
    EXPECT_EQ(LogLines().back(), "Chip open status is: 0200");
}

}  // namespace
