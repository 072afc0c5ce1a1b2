// The graphic window's layout and start state, its picture dialog, and one
// upload through the real dialog to the simulated card.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <numeric>
#include <vector>

#include "display/pictures/PictureLoader.h"
#include "display/ui/Unit2.h"
#include "gui/FileDialogOnce.h"
#include "shell/ui/FWUnit1.h"
#include "sim/SimDisplay.h"
#include "sim/SimulatedCard.h"

namespace {

using namespace std::chrono_literals;

const QString kSampleBitmap = QString(KOVEX_PICTURES_DIR) + "/bits1.bmp";

class DisplayWindowTest : public ::testing::Test {
protected:
    void SetUp() override { form1.findChild<QTimer*>("Timer1")->stop(); }
    template <typename T = QWidget>
    T* Find(const char* name) {
        T* widget = form2.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QList<QRadioButton*> FontItems() {
        return Find<QGroupBox>("RadioGroup1")->findChildren<QRadioButton*>();
    }
    // Picks `path` in the next picture dialog as a person would: selects it
    // in the list, waits (a second at most) for its preview, then types it as
    // the name and accepts.
    void ChooseInNextDialog(const QString& path) {
        watch.setInterval(10);
        watch.callOnTimeout([this, path, attempts = 0, selected = false]() mutable {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (++attempts > 100) {
                watch.stop();
                if (dialog != nullptr) dialog->reject();
                return;
            }
            if (dialog == nullptr) return;
            if (!selected) {
                dialog->selectFile(path);
                selected = SetCurrent(*dialog, path);
            }
            auto* preview = dialog->findChild<QLabel*>("PicturePreview");
            previewShown = preview != nullptr && !preview->pixmap().isNull();
            if (!previewShown && attempts < 100) return;
            watch.stop();
            decodesBeforeAccept = decodes;
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
            QMetaObject::invokeMethod(dialog, "accept");
            if (dialog->isVisible()) dialog->reject();
        });
        watch.start();
    }
    // What a click on the file in the dialog's list does.
    static bool SetCurrent(QFileDialog& dialog, const QString& path) {
        auto* list = dialog.findChild<QListView*>("listView");
        auto* model = dialog.findChild<QFileSystemModel*>();
        if (list == nullptr || model == nullptr || list->model() != model) return false;
        const QModelIndex index = model->index(path);
        if (!index.isValid()) return false;
        list->setCurrentIndex(index);
        return true;
    }
    void Pump() {
        QCoreApplication::processEvents();
        while (clock.Now() >= nextTick) {
            nextTick += 100ms;
            form1.Timer1Timer();
        }
    }

    static void Click(QWidget& form, const char* name) {
        QTest::mouseClick(form.findChild<QPushButton*>(name), Qt::LeftButton);
    }

    kovex::VirtualClock clock;
    kovex::SimulatedCard card{clock};
    kovex::Nanos nextTick = 100ms;
    TForm1 form1{card, clock, [this] { Pump(); }};
    int decodes = 0;  // pictures the window's loader decoded
    int decodesBeforeAccept = 0;
    TForm2 form2{nullptr, [this](const std::string& path) {
                     ++decodes;
                     return kovex::LoadPictureFile(path);
                 }};
    QTimer watch;
    bool previewShown = false;
};

TEST_F(DisplayWindowTest, ControlsMatchTheFormTable) {
    struct Row {
        const char* name;
        const char* text;
        QRect geometry;
        const char* parent;
    };
    const std::vector<Row> rows{
        {"Image1", "", {40, 72, 240, 64}, "Form2"},
        {"Label1", "Node", {24, 24, 26, 13}, "Form2"},
        {"Label2", "Device", {112, 24, 34, 13}, "Form2"},
        {"Label3", "Image", {208, 24, 29, 13}, "Form2"},
        {"Button1", "Upload", {104, 160, 75, 25}, "Form2"},
        {"Edit1", "10", {56, 20, 33, 21}, "Form2"},
        {"Edit2", "34", {160, 20, 33, 21}, "Form2"},
        {"Edit3", "5", {248, 20, 33, 21}, "Form2"},
        {"Button2", "Save", {208, 160, 75, 25}, "Form2"},
        {"Button3", "Display", {208, 192, 75, 25}, "Form2"},
        {"Button4", "Clear", {104, 192, 75, 25}, "Form2"},
        {"RadioGroup1", nullptr, {304, 160, 65, 57}, "Form2"},
        {"Panel1", nullptr, {8, 224, 185, 73}, "Form2"},
        {"Label4", "X", {104, 16, 7, 13}, "Panel1"},
        {"Label5", "Y", {104, 48, 7, 13}, "Panel1"},
        {"Edit4", "0", {120, 12, 57, 21}, "Panel1"},
        {"Edit5", "0", {120, 44, 57, 21}, "Panel1"},
        {"Button5", "Set XY", {16, 24, 75, 25}, "Panel1"},
        {"Panel2", nullptr, {208, 224, 169, 73}, "Form2"},
        {"Edit6", "Hello World", {24, 40, 121, 21}, "Panel2"},
        {"Button6", "Send Text", {48, 8, 75, 25}, "Panel2"},
    };
    for (const Row& row : rows) {
        QWidget* widget = Find(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), row.geometry) << row.name;
        EXPECT_EQ(widget->parentWidget()->objectName(), row.parent) << row.name;
        EXPECT_TRUE(widget->isEnabled()) << row.name;
        if (row.text != nullptr) {
            EXPECT_EQ(widget->property("text").toString(), row.text) << row.name;
        }
    }
    // The focus chain, skipping what the table does not list.
    const QList<QRadioButton*> items = FontItems();
    ASSERT_EQ(items.size(), 2);
    const std::vector<QWidget*> order{
        Find("Button1"), Find("Edit1"),   Find("Edit2"), Find("Edit3"),   Find("Button2"),
        Find("Button3"), Find("Button4"), items[0],      items[1],        Find("Edit4"),
        Find("Edit5"),   Find("Button5"), Find("Edit6"), Find("Button6"),
    };
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        QWidget* next = order[i]->nextInFocusChain();
        while (std::find(order.begin(), order.end(), next) == order.end())
            next = next->nextInFocusChain();
        EXPECT_EQ(next, order[i + 1]) << "after " << i;
    }
}

TEST_F(DisplayWindowTest, StartsHiddenWithNoFontChosenAndAnEmptyPicture) {
    EXPECT_FALSE(form2.isVisible());
    EXPECT_EQ(form2.windowTitle(), "Form2");
    EXPECT_EQ(Find<QGroupBox>("RadioGroup1")->title(), "Font");
    const QList<QRadioButton*> items = FontItems();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "5x7");
    EXPECT_EQ(items[1]->text(), "10x14");
    EXPECT_FALSE(items[0]->isChecked() || items[1]->isChecked());
    auto* image = Find<QLabel>("Image1");
    EXPECT_TRUE(image->pixmap().isNull());
    EXPECT_EQ(image->alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_FALSE(image->hasScaledContents());
    for (const char* name : {"Button1", "Button2", "Button3", "Button4", "Button5", "Button6"})
        EXPECT_FALSE(Find<QPushButton>(name)->autoDefault()) << name;
    EXPECT_GT(Find<QLineEdit>("Edit6")->maxLength(), 1000000);
    EXPECT_TRUE(form2.PageBuffer() == kovex::PageBuffer{});
    // No file dialog before one is asked for: an unshown one reads its folder.
    for (const QWidget* form : std::initializer_list<const QWidget*>{&form1, &form2})
        EXPECT_TRUE(form->findChildren<QFileDialog*>().isEmpty())
            << form->objectName().toStdString();
}

TEST_F(DisplayWindowTest, ThePictureDialogOffersThePictureTypes) {
    // Built when Upload first asks for a file.
    ASSERT_TRUE(kovex::testing::AskForAFileAndCancel([this] { form2.ChoosePictureFile(); }));
    auto* dialog = Find<QFileDialog>("OpenPictureDialog1");
    EXPECT_EQ(
        dialog->nameFilters(),
        (QStringList{"All (*.bmp *.ico *.emf *.wmf *.png)", "Bitmaps (*.bmp)", "Icons (*.ico)",
                     "Enhanced Metafiles (*.emf)", "Metafiles (*.wmf)", "PNG Images (*.png)"}));
    EXPECT_EQ(dialog->selectedNameFilter(), "All (*.bmp *.ico *.emf *.wmf *.png)");
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_FALSE(dialog->testOption(QFileDialog::ReadOnly));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
    EXPECT_NE(dialog->findChild<QLabel*>("PicturePreview"), nullptr);
}

TEST_F(DisplayWindowTest, WalkUploadABitmapThenCloseAndReopen) {
    form2.SetMessageSink(form1.MessageSender());
    QTest::mouseClick(form1.findChild<QPushButton*>("Button1"), Qt::LeftButton);  // Open
    form2.show();
    Find<QLineEdit>("Edit6")->setText("Walk");
    FontItems()[1]->click();

    ChooseInNextDialog(kSampleBitmap);
    QTest::mouseClick(Find<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_TRUE(previewShown);
    // The upload took the picture the preview had decoded.
    EXPECT_GE(decodesBeforeAccept, 1);
    EXPECT_EQ(decodes, decodesBeforeAccept);

    // bits1.bmp is 19 x 5, black where x + 3y is even: page 0 columns read
    // 21 (rows 0, 2, 4) and 10 (rows 1, 3) in turn.
    const QImage sample = kovex::LoadPictureFile(kSampleBitmap.toStdString());
    const QImage shown = Find<QLabel>("Image1")->pixmap().toImage();
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32),
              sample.convertToFormat(QImage::Format_RGB32));
    const auto& received = card.Network().Received();
    ASSERT_EQ(received.size(), 33u);  // the font choice, then the picture
    EXPECT_EQ(received[0].parameters, std::vector<std::uint8_t>{1});
    std::vector<std::uint8_t> firstQuarter{0, 0, 64};
    for (int x = 0; x < 64; ++x)
        firstQuarter.push_back(x >= 19 ? 0 : (x % 2 == 0 ? 21 : 10));
    EXPECT_EQ(received[1].parameters, firstQuarter);
    EXPECT_EQ(card.Mailbox().MalformedFrames(), 0);

    // The next dialog offers the last name selected, so typing replaces it;
    // cancelling it sends nothing.
    QString offered;
    QString offeredSelected;
    QTimer again;
    again.setInterval(10);
    again.callOnTimeout([&again, &offered, &offeredSelected] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        again.stop();
        const auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        offered = name->text();
        offeredSelected = name->selectedText();
        dialog->reject();
    });
    again.start();
    QTest::mouseClick(Find<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_FALSE(offered.isEmpty());
    EXPECT_EQ(offeredSelected, offered);
    EXPECT_EQ(card.Network().Received().size(), 33u);

    form2.close();
    EXPECT_FALSE(form2.isVisible());
    form2.show();
    EXPECT_EQ(Find<QLineEdit>("Edit6")->text(), "Walk");
    EXPECT_TRUE(FontItems()[1]->isChecked());
    EXPECT_EQ(Find<QLabel>("Image1")->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
              sample.convertToFormat(QImage::Format_RGB32));
    form2.hide();
}

// A PNG chosen in the dialog reaches the simulated display: its opaque black
// pixel at column 5, row 10 sets bit 2 of byte 5 of page 1; a half-transparent
// black pixel and those outside the corner the display shows set nothing.
TEST_F(DisplayWindowTest, UploadAPngToTheSimulatedDisplay) {
    form2.SetMessageSink(form1.MessageSender());
    Click(form1, "Button1");  // Open
    form2.show();
    ChooseInNextDialog(QString(KOVEX_PICTURES_DIR) + "/dot.png");
    Click(form2, "Button1");
    kovex::SimDisplay::PageMemory expected{};
    expected[1][5] = 4;
    EXPECT_EQ(card.Display().Pages(), expected);
    EXPECT_EQ(card.Mailbox().MalformedFrames(), 0);
    form2.hide();
}

// Graphic pressed while the poll list refresh reads a long list: the window
// opens once the refresh has given way, never inside its wait, and a command
// clicked in it during the next refresh reaches the display.
TEST_F(DisplayWindowTest, ACommandFromAWindowOpenedDuringARefreshReachesTheDisplay) {
    std::vector<std::uint8_t> nodes(60);
    std::iota(nodes.begin(), nodes.end(), std::uint8_t{1});
    card.State().SetPollList(nodes);
    card.Timing().replyDelay = 2ms;
    form1.SetGraphicWindow(form2);
    form2.SetMessageSink(form1.MessageSender());
    Click(form1, "Button1");  // Open
    Click(form1, "Button7");  // Run Mode

    bool opened = false;
    std::string shownWhileOpen;
    QTimer sendDuringRead;
    sendDuringRead.setSingleShot(true);
    sendDuringRead.callOnTimeout([this] { Click(form2, "Button6"); });  // Send Text
    QTimer whenOpen;
    whenOpen.setInterval(10);
    whenOpen.callOnTimeout([&] {
        if (QApplication::activeModalWidget() != &form2) return;
        whenOpen.stop();
        opened = true;
        sendDuringRead.start(0);
        form1.Timer2Timer();
        shownWhileOpen = card.Display().Text();
        form2.reject();
    });
    whenOpen.start();

    QTimer graphicDuringRead;
    graphicDuringRead.setSingleShot(true);
    graphicDuringRead.callOnTimeout([this] { Click(form1, "Button16"); });
    graphicDuringRead.start(0);  // runs in the refresh's first pump
    form1.Timer2Timer();
    EXPECT_FALSE(graphicDuringRead.isActive());  // Graphic was pressed during the read
    EXPECT_FALSE(opened);
    EXPECT_TRUE(QTest::qWaitFor([&] { return opened && !form2.isVisible(); }, 5000));
    EXPECT_EQ(shownWhileOpen, "Hello World");
    EXPECT_EQ(card.Mailbox().MalformedFrames(), 0);
}

}  // namespace
