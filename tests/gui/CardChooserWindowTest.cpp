// Open on the real window: with two PCI 9030s the chooser lists both, Cancel
// changes nothing and OK opens the chosen card; the caption names the open
// card until it is lost.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <optional>

#include "link/CardRegisters.h"
#include "shell/ui/FWUnit1.h"
#include "sim/SimulatedCard.h"
#include "support/FakeSysfs.h"
#include "sysfs/CardLock.h"
#include "sysfs/SysfsBridge.h"

namespace kovex::testing {
namespace {

const std::string kFirst = "0000:03:00.0";
const std::string kSecond = "0000:04:00.0";
const std::string kIdleMailbox = std::string("\0\0\x02", 3) + std::string(13, '\0');

// Runs `answer` on the modal dialog that `open` shows; false when none
// showed (a safety net of about a second closes any other box).
bool AnswerChooser(const std::function<void()>& open, const std::function<void(QDialog&)>& answer) {
    bool seen = false;
    int attempts = 0;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr && ++attempts < 100) return;
        watch.stop();
        if (dialog == nullptr) return;
        seen = dialog->windowTitle() == "Choose the KOVEX card";
        if (seen) {
            answer(*dialog);
        } else {
            dialog->reject();
        }
    });
    watch.start();
    open();
    watch.stop();
    return seen;
}

// Each row as its columns read: address, subsystem ids, holder.
QStringList Rows(const QTreeWidget& list) {
    QStringList rows;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        const QTreeWidgetItem& item = *list.topLevelItem(row);
        rows << item.text(0) + " " + item.text(1) + " " + item.text(2);
    }
    return rows;
}

class CardChooserWindowTest : public ::testing::Test {
protected:
    CardChooserWindowTest() {
        for (const std::string& name : {kFirst, kSecond}) {
            FakeDevice card = Kovex(name);
            card.subsystemVendor = name == kFirst ? 0x10B5 : 0x1234;
            card.subsystemDevice = name == kFirst ? 0x2544 : 0x0001;
            sysfs.Add(card);
            sysfs.Write(name, "resource2", kIdleMailbox);
        }
    }
    bool Enabled(const char* name) { return form.findChild<QPushButton*>(name)->isEnabled(); }

    FakeSysfs sysfs;
    VirtualClock clock;
    SysfsBridge bridge{sysfs.Root()};
    TForm1 form{bridge, clock, [] { QCoreApplication::processEvents(); }};
};

TEST_F(CardChooserWindowTest, CancelChangesNothingAndOkOpensTheChosenCardUntilItIsLost) {
    // This process holds the first card through a file of its own.
    PosixSystem system;
    std::optional<CardLockAttempt> held =
        CardLock::Take(system, sysfs.File(kFirst, "resource0"), kFirst);
    ASSERT_TRUE(held->lock.has_value());
    const QString holder =
        QString::fromStdString(std::filesystem::read_symlink("/proc/self/exe").filename().string() +
                               " (pid " + std::to_string(getpid()) + ")");
    QStringList listed;
    ASSERT_TRUE(AnswerChooser([this] { form.Button1Click(); },
                              [&listed](QDialog& dialog) {
                                  listed = Rows(*dialog.findChild<QTreeWidget*>("CardList"));
                                  dialog.reject();
                              }));
    EXPECT_EQ(listed, (QStringList{"0000:03:00.0 10b5:2544 " + holder, "0000:04:00.0 1234:0001 "}));
    held.reset();
    EXPECT_TRUE(Enabled("Button1"));
    EXPECT_FALSE(Enabled("Button2"));
    EXPECT_EQ(form.windowTitle(), "KOVEX Programmer");
    EXPECT_EQ(sysfs.Resource(kFirst, 0).at(0x3C), 0x00);
    EXPECT_EQ(sysfs.Resource(kSecond, 0).at(0x3C), 0x00);

    ASSERT_TRUE(AnswerChooser(
        [this] { form.Button1Click(); },
        [](QDialog& dialog) {
            auto* list = dialog.findChild<QTreeWidget*>("CardList");
            list->setCurrentItem(list->topLevelItem(1));
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        }));
    EXPECT_FALSE(Enabled("Button1"));
    EXPECT_TRUE(Enabled("Button2"));
    EXPECT_EQ(form.windowTitle(), "KOVEX Programmer - 0000:04:00.0");
    EXPECT_EQ(sysfs.Resource(kFirst, 0).at(0x3C), 0x00);
    EXPECT_EQ(sysfs.Resource(kSecond, 0).at(0x3C), 0x41);

    // The card goes from the bus: the next tick's status read finds it lost.
    std::filesystem::resize_file(sysfs.File(kSecond, "resource2"), 0);
    form.State().CardMode = MODE_RUN;
    form.Timer1Timer();
    EXPECT_TRUE(Enabled("Button1"));
    EXPECT_EQ(form.windowTitle(), "KOVEX Programmer");
}

TEST(CardCaption, OneCardOpensWithoutAskingAndTheSimulatedCardIsNamed) {
    VirtualClock clock;
    SimulatedCard card(clock);
    TForm1 form(card, clock, [] { QCoreApplication::processEvents(); });
    EXPECT_FALSE(
        AnswerChooser([&form] { form.Button1Click(); }, [](QDialog& dialog) { dialog.reject(); }));
    EXPECT_EQ(form.windowTitle(), "KOVEX Programmer - Simulated card");
}

}  // namespace
}  // namespace kovex::testing
