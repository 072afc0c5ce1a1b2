// No name-completion list outlives the file dialog it belongs to.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "display/ui/Unit2.h"
#include "gui/FileDialogOnce.h"
#include "shell/ui/FWUnit1.h"
#include "sim/SimulatedCard.h"

namespace {

TEST(DialogPopups, TheCompletionListClosesWithEitherFileDialog) {
    kovex::SteadyClock clock;
    kovex::SimulatedCard card(clock);
    TForm1 form1(card, clock);
    form1.findChild<QTimer*>("Timer1")->stop();
    TForm2 form2;
    // Each window builds its dialog when it first asks for a file.
    ASSERT_TRUE(kovex::testing::AskForAFileAndCancel([&] { form1.ChooseFirmwareFile(); }));
    ASSERT_TRUE(kovex::testing::AskForAFileAndCancel([&] { form2.ChoosePictureFile(); }));
    for (QFileDialog* dialog : {form1.findChild<QFileDialog*>("OpenDialog1"),
                                form2.findChild<QFileDialog*>("OpenPictureDialog1")}) {
        ASSERT_NE(dialog, nullptr);
        for (const bool accepted : {true, false}) {
            dialog->show();
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            // What typing a path does: the name field's completer shows its list.
            QAbstractItemView* popup = name->completer()->popup();
            popup->show();
            ASSERT_TRUE(popup->isVisible());
            static_cast<QDialog*>(dialog)->done(accepted ? QDialog::Accepted : QDialog::Rejected);
            EXPECT_FALSE(popup->isVisible()) << dialog->objectName().toStdString() << accepted;
        }
    }
}

}  // namespace
