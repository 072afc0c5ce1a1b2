#include "shell/ui/FWUnit1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

#include "console/Timer1Rule.h"
#include "display/ui/Unit2.h"
#include "link/ClickQueue.h"
#include "seam/SlotGuard.h"
#include "shell/ui/LogFile.h"
#include "shell/ui/LogMenu.h"
#include "shell/ui/RefreshRead.h"
#include "widgets/CardChooser.h"
#include "widgets/DialogPopups.h"
#include "widgets/Dialogs.h"
#include "widgets/WindowLook.h"

namespace {

using kovex::Control;

constexpr int TIMER_INTERVAL_MS = 100;
constexpr int GRAPHIC_WAIT_MS = 10;

using kovex::FromBytes;

kovex::CardPort::Pump PumpOrDefault(kovex::CardPort::Pump pump) {
    if (pump) return pump;
    return [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
}

std::size_t Index(Control control) {
    return kovex::ControlIndex(control);
}

// Where each control sits and what a click on it runs.
struct Placement {
    Control control;
    QRect geometry;
    void (TForm1::*click)();
};

const std::array<Placement, kovex::CONTROLS.size()> PLACEMENTS{{
    {Control::Button1, {16, 16, 75, 25}, &TForm1::Button1Click},
    {Control::Button2, {112, 16, 89, 25}, &TForm1::Button2Click},
    {Control::Button3, {280, 488, 75, 25}, &TForm1::Button3Click},
    {Control::Button4, {208, 16, 75, 25}, &TForm1::Button4Click},
    {Control::Button5, {288, 16, 75, 25}, &TForm1::Button5Click},
    {Control::Button6, {368, 16, 75, 25}, &TForm1::Button6Click},
    {Control::Button7, {448, 16, 75, 25}, &TForm1::Button7Click},
    {Control::Button8, {528, 16, 75, 25}, &TForm1::Button8Click},
    {Control::Button9, {288, 48, 75, 25}, &TForm1::Button9Click},
    {Control::Button10, {448, 48, 75, 25}, &TForm1::Button10Click},
    {Control::Button11, {528, 48, 75, 25}, &TForm1::Button11Click},
    {Control::Button12, {208, 48, 75, 25}, &TForm1::Button12Click},
    {Control::Button13, {72, 48, 75, 25}, &TForm1::Button13Click},
    {Control::Button14, {456, 488, 75, 25}, &TForm1::Button14Click},
    {Control::Button15, {552, 488, 75, 25}, &TForm1::Button15Click},
    {Control::Button16, {160, 488, 75, 25}, &TForm1::Button16Click},
    {Control::CheckBox1, {152, 52, 49, 17}, nullptr},
}};

const Placement& PlacementOf(Control control) {
    return *std::ranges::find(PLACEMENTS, control, &Placement::control);
}

}  // namespace

TForm1::TForm1(kovex::BridgeApi& bridge, kovex::MonotonicClock& clock, kovex::CardPort::Pump pump)
    : port_(state_, clock, PumpOrDefault(std::move(pump))),
      opener_(bridge, port_, *this),
      status_(port_, *this),
      sender_(port_, *this),
      messages_(sender_, *this),
      pollList_(port_, *this),
      programming_(port_, *this),
      capture_(port_, opener_, clock, *this) {
    setObjectName("Form1");
    setWindowTitle(FromBytes(kovex::APPLICATION_TITLE));
    kovex::ApplyFormLook(*this);
    // Outer size 696 x 554 at 192, 114: the client area below is what Qt sizes.
    move(192, 114);
    resize(688, 527);
    CreateControls();
    logSaver_ = std::make_unique<kovex::LogSaver>(*this, *Memo1, clock);
    SetTabOrder();
    ConnectHandlers();
    Timer1->start();
}

TForm1::~TForm1() = default;

void TForm1::SetGraphicWindow(TForm2& form2) {
    Form2 = &form2;
}

void TForm1::CreateControls() {
    for (const kovex::ControlSpec& row : kovex::CONTROLS) {
        QAbstractButton* control = nullptr;
        if (row.control == Control::CheckBox1) {
            control = CheckBox1 = new QCheckBox(FromBytes(row.caption), this);
        } else {
            control = new QPushButton(FromBytes(row.caption), this);
        }
        control->setObjectName(FromBytes(row.name));
        control->setGeometry(PlacementOf(row.control).geometry);
        control->setEnabled(row.enabledAtStart);
        controls_[Index(row.control)] = control;
    }

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, 80, 641, 393);
    Memo1->setFont(kovex::LogFont());
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WordWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setPlainText("Memo1");
    // Tab moves on to the next control instead of typing into the log.
    Memo1->setTabChangesFocus(true);
    Memo1->setContextMenuPolicy(Qt::CustomContextMenu);

    Label1 = new QLabel("Label1", this);
    Label1->setObjectName("Label1");
    Label1->move(16, 488);
    Label1->adjustSize();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(TIMER_INTERVAL_MS);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(TIMER_INTERVAL_MS);
    graphicWait_ = new QTimer(this);
    graphicWait_->setSingleShot(true);
    graphicWait_->setInterval(GRAPHIC_WAIT_MS);
}

// The table's order, with the log right after Open.
void TForm1::SetTabOrder() {
    QWidget* previous = controls_[Index(Control::Button1)];
    QWidget::setTabOrder(previous, Memo1);
    previous = Memo1;
    for (const kovex::ControlSpec& row : kovex::CONTROLS) {
        if (row.control == Control::Button1) continue;
        QWidget::setTabOrder(previous, controls_[Index(row.control)]);
        previous = controls_[Index(row.control)];
    }
}

void TForm1::ConnectHandlers() {
    for (const Placement& place : PLACEMENTS) {
        if (place.click != nullptr)
            connect(controls_[Index(place.control)], &QAbstractButton::clicked, this, place.click);
    }
    connect(Memo1, &QWidget::customContextMenuRequested, this, &TForm1::ShowLogMenu);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    connect(graphicWait_, &QTimer::timeout, this,
            [this] { Guarded([this] { ShowGraphicWhenCardFree(); }); });
}

void TForm1::ShowLogMenu(const QPoint& at) {
    const std::unique_ptr<QMenu> menu(Memo1->createStandardContextMenu());
    menu->setObjectName("LogMenu");
    kovex::AddSaveLogEntry(*menu, [this] { Guarded([this] { SaveLogAs(); }); });
    menu->addSeparator();
    capture_.AddActions(*menu, *this);
    menu->exec(Memo1->mapToGlobal(at));
}

void TForm1::Guarded(const std::function<void()>& handler) {
    kovex::RunGuarded(*this, handler);
}

void TForm1::CardClick(const std::function<void()>& handler) {
    kovex::ServeCardClick(port_, [this, handler] { Guarded(handler); });
}

void TForm1::Button1Click() {
    CardClick([this] { opener_.Button1Click(); });
}
void TForm1::Button2Click() {
    CardClick([this] { programming_.Button2Click(); });
}
void TForm1::Button3Click() {
    Guarded([this] { ClearLog(); });
}
void TForm1::Button4Click() {
    CardClick([this] { status_.Button4Click(); });
}
void TForm1::Button5Click() {
    CardClick([this] { pollList_.Button5Click(); });
}
void TForm1::Button6Click() {
    CardClick([this] { status_.Button6Click(); });
}
void TForm1::Button7Click() {
    CardClick([this] { status_.Button7Click(); });
}
void TForm1::Button8Click() {
    CardClick([this] { status_.Button8Click(); });
}
void TForm1::Button10Click() {
    CardClick([this] { messages_.Button10Click(); });
}
void TForm1::Button14Click() {
    CardClick([this] { messages_.Button14Click(); });
}
// Called from the calling window's handler, whose guard sees any error.
void TForm1::SendString(QObject* /*caller*/, std::string_view text) {
    sender_.SendString(text);
}
void TForm1::Button9Click() {
    CardClick([this] { pollList_.Button9Click(); });
}
void TForm1::Button11Click() {
    CardClick([this] { status_.Button11Click(); });
}
void TForm1::Button12Click() {
    CardClick([this] { status_.Button12Click(); });
}
void TForm1::Button13Click() {
    Guarded([this] { pollList_.Button13Click(); });
}
void TForm1::Button15Click() {
    CardClick([this] { status_.Button15Click(); });
}

void TForm1::Button16Click() {
    Guarded([this] { ShowGraphicWhenCardFree(); });
}

// Form2's modal loop never runs inside a card wait: the waiting command could
// not go on until the window closed, and each command of the window would
// find the card busy. While a command holds the card, Form2 opens as soon as
// the card is free, from the event loop rather than from inside a timer's
// handler (that timer would stop while the window is open); the poll list
// refresh gives way to it before its next frame, as to a click.
void TForm1::ShowGraphicWhenCardFree() {
    if (Form2.isNull() || Form2->isVisible() || state_.Closing) return;
    if (port_.Taken()) {
        port_.Queue([] {});
        graphicWait_->start();
        return;
    }
    Form2->exec();
}

void TForm1::Timer1Timer() {
    Guarded([this] { kovex::Timer1Timer(state_, port_, *this); });
}

void TForm1::Timer2Timer() {
    Guarded([this] { pollList_.Timer2Timer(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Any wait in progress sees this and unwinds its handler before the
    // windows go away.
    state_.Closing = true;
    graphicWait_->stop();
    if (!Form2.isNull() && Form2->isVisible()) Form2->reject();
    event->accept();
}

void TForm1::AppendLog(std::string_view line) {
    Memo1->appendPlainText(FromBytes(line));
}

void TForm1::ClearLog() {
    Memo1->clear();
}

void TForm1::ShowRefreshRead(const std::vector<std::string>& lines) {
    kovex::ShowRefreshRead(*Memo1, lines);
}

void TForm1::SetStatusLabel(std::string_view text) {
    Label1->setText(FromBytes(text));
    Label1->adjustSize();
}

void TForm1::SetEnabled(Control control, bool enabled) {
    controls_[Index(control)]->setEnabled(enabled);
}

bool TForm1::IsEnabled(Control control) const {
    return controls_[Index(control)]->isEnabled();
}

bool TForm1::DebugChecked() const {
    return CheckBox1->isChecked();
}

void TForm1::SetCaption(Control control, std::string_view caption) {
    controls_[Index(control)]->setText(FromBytes(caption));
}

void TForm1::SetTimer2Running(bool running) {
    if (running) {
        Timer2->start();
    } else {
        Timer2->stop();
    }
}

bool TForm1::Timer2Running() const {
    return Timer2->isActive();
}

void TForm1::ShowMessage(std::string_view text) {
    kovex::RunMessageBox(this, FromBytes(text));
}

void TForm1::ShowError(std::string_view text) {
    kovex::RunErrorBox(this, FromBytes(text));
}

std::string TForm1::InputBox(std::string_view caption, std::string_view prompt,
                             std::string_view defaultText, int maxLength,
                             const std::vector<std::string>& earlier) {
    return kovex::RunInputBox(this, caption, prompt, defaultText, maxLength, earlier);
}

bool TForm1::AskYesNo(std::string_view caption, std::string_view text, bool defaultYes) {
    return kovex::RunYesNo(this, caption, text, defaultYes);
}

QFileDialog& TForm1::FirmwareDialog() {
    if (OpenDialog1 != nullptr) return *OpenDialog1;
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName("OpenDialog1");
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    // "*", not "*.*": on Linux "*.*" only matches names that have a dot.
    OpenDialog1->setNameFilters({"HEX FIles (*.hex)", "All Files (*)"});
    OpenDialog1->selectNameFilter("HEX FIles (*.hex)");
    OpenDialog1->setDefaultSuffix("hex");
    kovex::ClosePopupsWithDialog(*OpenDialog1);
    return *OpenDialog1;
}

std::optional<std::string> TForm1::ChooseFirmwareFile() {
    return kovex::RunFileDialog(FirmwareDialog());
}

std::optional<std::size_t> TForm1::ChooseCard(const std::vector<kovex::CardChoice>& cards) {
    return kovex::RunCardChooser(this, cards);
}

void TForm1::CardOpened(std::string_view cardName) {
    WindowServices::CardOpened(cardName);
    openCard_ = FromBytes(cardName);
    setWindowTitle(FromBytes(kovex::APPLICATION_TITLE) + " - " + openCard_);
}

void TForm1::CardClosed() {
    WindowServices::CardClosed();
    openCard_.clear();
    setWindowTitle(FromBytes(kovex::APPLICATION_TITLE));
}

void TForm1::SaveLogAs() {
    logSaver_->SaveAs(openCard_);
}
