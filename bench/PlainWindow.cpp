// The yardstick of bench/startup.sh: a plain Qt program with the controls
// kovex-programmer-sim builds at start, laid out where the tool puts them,
// and nothing else: no card, no handlers, no timers, no file dialogs, the
// default font and look. As the tool does, it builds the main window (16
// buttons, the dbg check box, the log, the status label), a hidden dialog
// with the graphic window's controls (6 buttons, 6 edits, 6 labels, two
// panels, the font group's two radio buttons) and a second window showing a
// 512 x 128 picture, then shows the main window and the picture window.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>

namespace {

struct Place {
    const char* caption;
    QRect geometry;
};

const std::array<Place, 16> MAIN_BUTTONS{{
    {"Open", {16, 16, 75, 25}},
    {"Program KOVEX", {112, 16, 89, 25}},
    {"Clear", {280, 488, 75, 25}},
    {"Version", {208, 16, 75, 25}},
    {"Get Poll List", {288, 16, 75, 25}},
    {"Poll Speed", {368, 16, 75, 25}},
    {"Run Mode", {448, 16, 75, 25}},
    {"Boot Mode", {528, 16, 75, 25}},
    {"Set Poll List", {288, 48, 75, 25}},
    {"Send Msg", {448, 48, 75, 25}},
    {"Get Msg", {528, 48, 75, 25}},
    {"Clear Buff", {208, 48, 75, 25}},
    {"Start", {72, 48, 75, 25}},
    {"Test", {456, 488, 75, 25}},
    {"Loopback", {552, 488, 75, 25}},
    {"Graphic", {160, 488, 75, 25}},
}};

void BuildMainWindow(QWidget& window) {
    window.setWindowTitle("Plain window");
    window.move(192, 114);
    window.resize(688, 527);
    for (const Place& place : MAIN_BUTTONS)
        (new QPushButton(place.caption, &window))->setGeometry(place.geometry);
    (new QCheckBox("dbg", &window))->setGeometry(152, 52, 49, 17);
    auto* log = new QPlainTextEdit("Memo1", &window);
    log->setGeometry(8, 80, 641, 393);
    log->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    (new QLabel("Label1", &window))->move(16, 488);
}

void BuildGraphicDialog(QDialog& dialog) {
    dialog.setWindowTitle("Plain dialog");
    dialog.resize(399, 308);
    (new QLabel(&dialog))->setGeometry(40, 72, 240, 64);
    const std::array<Place, 3> labels{
        {{"Node", {24, 24, 26, 13}}, {"Device", {112, 24, 34, 13}}, {"Image", {208, 24, 29, 13}}}};
    for (const Place& place : labels)
        (new QLabel(place.caption, &dialog))->setGeometry(place.geometry);
    const std::array<Place, 4> buttons{{{"Upload", {104, 160, 75, 25}},
                                        {"Save", {208, 160, 75, 25}},
                                        {"Display", {208, 192, 75, 25}},
                                        {"Clear", {104, 192, 75, 25}}}};
    for (const Place& place : buttons)
        (new QPushButton(place.caption, &dialog))->setGeometry(place.geometry);
    const std::array<Place, 3> edits{
        {{"10", {56, 20, 33, 21}}, {"34", {160, 20, 33, 21}}, {"5", {248, 20, 33, 21}}}};
    for (const Place& place : edits)
        (new QLineEdit(place.caption, &dialog))->setGeometry(place.geometry);

    auto* group = new QGroupBox("Font", &dialog);
    group->setGeometry(304, 160, 65, 57);
    auto* items = new QButtonGroup(group);
    const std::array<const char*, 2> fonts{"5x7", "10x14"};
    for (int i = 0; i < 2; ++i) {
        auto* item = new QRadioButton(fonts[static_cast<std::size_t>(i)], group);
        item->setGeometry(8, 16 + 18 * i, 53, 17);
        items->addButton(item, i);
    }

    auto* panel1 = new QFrame(&dialog);
    panel1->setGeometry(8, 224, 185, 73);
    panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    (new QLabel("X", panel1))->setGeometry(104, 16, 7, 13);
    (new QLabel("Y", panel1))->setGeometry(104, 48, 7, 13);
    (new QLineEdit("0", panel1))->setGeometry(120, 12, 57, 21);
    (new QLineEdit("0", panel1))->setGeometry(120, 44, 57, 21);
    (new QPushButton("Set XY", panel1))->setGeometry(16, 24, 75, 25);

    auto* panel2 = new QFrame(&dialog);
    panel2->setGeometry(208, 224, 169, 73);
    panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    (new QLineEdit("Hello World", panel2))->setGeometry(24, 40, 121, 21);
    (new QPushButton("Send Text", panel2))->setGeometry(48, 8, 75, 25);
}

void BuildPictureWindow(QLabel& window) {
    window.setWindowTitle("Plain picture");
    QImage picture(256, 64, QImage::Format_RGB32);
    picture.fill(qRgb(0xE4, 0xEA, 0xD8));
    window.setPixmap(QPixmap::fromImage(picture.scaled(512, 128)));
    window.setFixedSize(528, 144);
    window.setAlignment(Qt::AlignCenter);
    window.move(896, 114);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    BuildMainWindow(window);
    QDialog graphic;
    BuildGraphicDialog(graphic);
    QLabel picture;
    BuildPictureWindow(picture);
    window.show();
    picture.show();
    return QApplication::exec();
}
