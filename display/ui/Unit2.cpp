#include "display/ui/Unit2.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <limits>

#include "display/core/PagePacking.h"
#include "display/pictures/PictureGrid.h"
#include "display/pictures/PictureLoader.h"
#include "display/ui/PictureDialog.h"
#include "seam/SlotGuard.h"
#include "widgets/Dialogs.h"
#include "widgets/WindowLook.h"

namespace {

using kovex::DisplayEdit;

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::size_t Index(DisplayEdit edit) {
    return static_cast<std::size_t>(edit);
}

TForm2::PictureLoader LoaderOrDefault(TForm2::PictureLoader loader) {
    if (loader) return loader;
    return [](const std::string& path) { return kovex::LoadPictureFile(path); };
}

void AddLabel(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
}

QPushButton* AddButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    // Enter in an edit box must not press a button of this dialog.
    button->setAutoDefault(false);
    return button;
}

QLineEdit* AddEdit(QWidget* parent, const char* name, const char* text, QRect geometry) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    edit->setMaxLength(std::numeric_limits<int>::max());
    return edit;
}

}  // namespace

TForm2::TForm2(QWidget* parent, PictureLoader loader)
    : QDialog(parent), loader_(LoaderOrDefault(std::move(loader))) {
    setObjectName("Form2");
    setWindowTitle("Form2");
    kovex::ApplyFormLook(*this);
    // Outer size 407 x 335 at 192, 114; the client area is what Qt sizes.
    move(192, 114);
    resize(399, 308);
    CreateControls();
    SetTabOrder();
    ConnectHandlers();
}

TForm2::~TForm2() = default;

QFrame* TForm2::AddPanel(const char* name, QRect geometry) {
    auto* panel = new QFrame(this);
    panel->setObjectName(name);
    panel->setGeometry(geometry);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return panel;
}

void TForm2::CreateControls() {
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(40, 72, 240, 64);
    // At its own size from the top-left corner; the label clips the rest.
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setScaledContents(false);

    AddLabel(this, "Label1", "Node", {24, 24, 26, 13});
    AddLabel(this, "Label2", "Device", {112, 24, 34, 13});
    AddLabel(this, "Label3", "Image", {208, 24, 29, 13});
    buttons_[0] = AddButton(this, "Button1", "Upload", {104, 160, 75, 25});
    edits_[Index(DisplayEdit::Edit1)] = AddEdit(this, "Edit1", "10", {56, 20, 33, 21});
    edits_[Index(DisplayEdit::Edit2)] = AddEdit(this, "Edit2", "34", {160, 20, 33, 21});
    edits_[Index(DisplayEdit::Edit3)] = AddEdit(this, "Edit3", "5", {248, 20, 33, 21});
    buttons_[1] = AddButton(this, "Button2", "Save", {208, 160, 75, 25});
    buttons_[2] = AddButton(this, "Button3", "Display", {208, 192, 75, 25});
    buttons_[3] = AddButton(this, "Button4", "Clear", {104, 192, 75, 25});
    CreateRadioGroup();

    QFrame* panel1 = AddPanel("Panel1", {8, 224, 185, 73});
    AddLabel(panel1, "Label4", "X", {104, 16, 7, 13});
    AddLabel(panel1, "Label5", "Y", {104, 48, 7, 13});
    edits_[Index(DisplayEdit::Edit4)] = AddEdit(panel1, "Edit4", "0", {120, 12, 57, 21});
    edits_[Index(DisplayEdit::Edit5)] = AddEdit(panel1, "Edit5", "0", {120, 44, 57, 21});
    buttons_[4] = AddButton(panel1, "Button5", "Set XY", {16, 24, 75, 25});

    QFrame* panel2 = AddPanel("Panel2", {208, 224, 169, 73});
    edits_[Index(DisplayEdit::Edit6)] = AddEdit(panel2, "Edit6", "Hello World", {24, 40, 121, 21});
    buttons_[5] = AddButton(panel2, "Button6", "Send Text", {48, 8, 75, 25});
}

void TForm2::CreateRadioGroup() {
    RadioGroup1 = new QGroupBox("Font", this);
    RadioGroup1->setObjectName("RadioGroup1");
    RadioGroup1->setGeometry(304, 160, 65, 57);
    fontItems_ = new QButtonGroup(RadioGroup1);
    const std::array<const char*, 2> items{"5x7", "10x14"};
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto* item = new QRadioButton(items[i], RadioGroup1);
        item->setGeometry(8, 16 + 18 * static_cast<int>(i), 53, 17);
        fontItems_->addButton(item, static_cast<int>(i));
    }
}

void TForm2::SetTabOrder() {
    const QList<QAbstractButton*> fontItems = fontItems_->buttons();
    const std::array<QWidget*, 14> order{
        buttons_[0],
        edits_[Index(DisplayEdit::Edit1)],
        edits_[Index(DisplayEdit::Edit2)],
        edits_[Index(DisplayEdit::Edit3)],
        buttons_[1],
        buttons_[2],
        buttons_[3],
        fontItems[0],
        fontItems[1],
        edits_[Index(DisplayEdit::Edit4)],
        edits_[Index(DisplayEdit::Edit5)],
        buttons_[4],
        edits_[Index(DisplayEdit::Edit6)],
        buttons_[5],
    };
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void TForm2::ConnectHandlers() {
    const std::array<void (TForm2::*)(), 6> handlers{
        &TForm2::Button1Click, &TForm2::Button2Click, &TForm2::Button3Click,
        &TForm2::Button4Click, &TForm2::Button5Click, &TForm2::Button6Click,
    };
    for (std::size_t i = 0; i < handlers.size(); ++i)
        connect(buttons_[i], &QPushButton::clicked, this, handlers[i]);
    // Any change of the choice, by mouse or by keyboard.
    connect(fontItems_, &QButtonGroup::idToggled, this, [this](int item, bool checked) {
        if (checked) RadioGroup1Click(item);
    });
}

// Every click of this window sends to the card: one that comes during a poll
// list refresh runs as soon as the refresh gave way.
void TForm2::Guarded(const std::function<void()>& handler) {
    sink_.ServeClick([this, handler] {
        kovex::RunGuarded([this](std::string_view text) { ShowError(text); }, handler);
    });
}

void TForm2::Button1Click() {
    Guarded([this] { upload_.Button1Click(); });
}
void TForm2::Button2Click() {
    Guarded([this] { commands_.Button2Click(); });
}
void TForm2::Button3Click() {
    Guarded([this] { commands_.Button3Click(); });
}
void TForm2::Button4Click() {
    Guarded([this] { commands_.Button4Click(); });
}
void TForm2::Button5Click() {
    Guarded([this] { commands_.Button5Click(); });
}
void TForm2::Button6Click() {
    Guarded([this] { commands_.Button6Click(); });
}
void TForm2::RadioGroup1Click(int item) {
    Guarded([this, item] { commands_.RadioGroup1Click(item); });
}

std::string TForm2::EditText(DisplayEdit edit) const {
    return edits_[Index(edit)]->text().toUtf8().toStdString();
}

kovex::PictureDialog& TForm2::PictureFileDialog() {
    if (OpenPictureDialog1 == nullptr) OpenPictureDialog1 = new kovex::PictureDialog(this, loader_);
    return *OpenPictureDialog1;
}

std::optional<std::string> TForm2::ChoosePictureFile() {
    kovex::PictureDialog& dialog = PictureFileDialog();
    std::optional<std::string> path = kovex::RunFileDialog(dialog);
    if (!path) dialog.Forget();
    return path;
}

// The picture the dialog's preview decoded, when it was the chosen file; the
// loader's, when no dialog was asked for it.
kovex::PixelGrid TForm2::LoadPicture(const std::string& path) {
    if (OpenPictureDialog1 == nullptr) return kovex::DisplayablePixels(loader_(path));
    return kovex::DisplayablePixels(OpenPictureDialog1->TakePicture(path));
}

void TForm2::ShowPicture(const kovex::PixelGrid& picture) {
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x)
            image.setPixel(x, y, 0xFF000000U | picture.At(x, y));
    }
    Image1->setPixmap(QPixmap::fromImage(image));
}

void TForm2::ShowMessage(std::string_view text) {
    kovex::RunMessageBox(this, FromUtf8(text));
}

void TForm2::ShowError(std::string_view text) {
    kovex::RunErrorBox(this, FromUtf8(text));
}

void TForm2::Pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
