#include "shell/ui/FWUnit1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "widgets/DialogPopups.h"
#include "widgets/Dialogs.h"
#include "shell/ui/RefreshRead.h"
#include "display/ui/Unit2.h"
#include "widgets/WindowLook.h"
#include "link/ClickQueue.h"
#include "seam/SlotGuard.h"
#include "console/Timer1Rule.h"

namespace {

using kovex::Control;

constexpr int TIMER_INTERVAL_MS = 100;
constexpr int GRAPHIC_WAIT_MS = 10;

QString FromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

kovex::CardPort::Pump PumpOrDefault(kovex::CardPort::Pump pump) {
    if (pump) return pump;
    return [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
}

std::size_t Index(Control control) {
    return static_cast<std::size_t>(control);
}

}  // namespace

TForm1::TForm1(kovex::BridgeApi& bridge, kovex::MonotonicClock& clock, kovex::CardPort::Pump pump)
    : port_(state_, clock, PumpOrDefault(std::move(pump))),
      opener_(bridge, port_, *this),
      status_(port_, *this),
      sender_(port_, *this),
      messages_(sender_, *this),
      pollList_(port_, *this),
      programming_(port_, *this) {
    setObjectName("Form1");
    setWindowTitle("KOVEX Programmer");
    kovex::ApplyFormLook(*this);
    // Outer size 696 x 554 at 192, 114: the client area below is what Qt sizes.
    move(192, 114);
    resize(688, 527);
    CreateControls();
    SetTabOrder();
    ConnectHandlers();
    Timer1->start();
}

TForm1::~TForm1() = default;

void TForm1::SetGraphicWindow(TForm2& form2) {
    Form2 = &form2;
}

QPushButton* TForm1::AddButton(const char* name, const char* caption, QRect geometry,
                               bool enabled) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setEnabled(enabled);
    return button;
}

void TForm1::CreateControls() {
    struct ButtonSpec {
        Control control;
        const char* name;
        const char* caption;
        QRect geometry;
        bool enabled;
    };
    const std::array<ButtonSpec, 16> buttons{{
        {Control::Button1, "Button1", "Open", {16, 16, 75, 25}, true},
        {Control::Button2, "Button2", "Program KOVEX", {112, 16, 89, 25}, false},
        {Control::Button3, "Button3", "Clear", {280, 488, 75, 25}, true},
        {Control::Button4, "Button4", "Version", {208, 16, 75, 25}, false},
        {Control::Button5, "Button5", "Get Poll List", {288, 16, 75, 25}, false},
        {Control::Button6, "Button6", "Poll Speed", {368, 16, 75, 25}, false},
        {Control::Button7, "Button7", "Run Mode", {448, 16, 75, 25}, false},
        {Control::Button8, "Button8", "Boot Mode", {528, 16, 75, 25}, false},
        {Control::Button9, "Button9", "Set Poll List", {288, 48, 75, 25}, false},
        {Control::Button10, "Button10", "Send Msg", {448, 48, 75, 25}, false},
        {Control::Button11, "Button11", "Get Msg", {528, 48, 75, 25}, false},
        {Control::Button12, "Button12", "Clear Buff", {208, 48, 75, 25}, true},
        {Control::Button13, "Button13", "Start", {72, 48, 75, 25}, false},
        {Control::Button14, "Button14", "Test", {456, 488, 75, 25}, false},
        {Control::Button15, "Button15", "Loopback", {552, 488, 75, 25}, true},
        {Control::Button16, "Button16", "Graphic", {160, 488, 75, 25}, false},
    }};
    for (const ButtonSpec& button : buttons) {
        controls_[Index(button.control)] =
            AddButton(button.name, button.caption, button.geometry, button.enabled);
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

    CheckBox1 = new QCheckBox("dbg", this);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(152, 52, 49, 17);
    controls_[Index(Control::CheckBox1)] = CheckBox1;

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

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName("OpenDialog1");
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    // "*", not "*.*": on Linux "*.*" only matches names that have a dot.
    OpenDialog1->setNameFilters({"HEX FIles (*.hex)", "All Files (*)"});
    OpenDialog1->selectNameFilter("HEX FIles (*.hex)");
    OpenDialog1->setDefaultSuffix("hex");
    kovex::ClosePopupsWithDialog(*OpenDialog1);
}

void TForm1::SetTabOrder() {
    const std::array<QWidget*, 18> order = {
        controls_[Index(Control::Button1)],
        Memo1,
        controls_[Index(Control::Button2)],
        controls_[Index(Control::Button3)],
        controls_[Index(Control::Button4)],
        controls_[Index(Control::Button5)],
        controls_[Index(Control::Button6)],
        controls_[Index(Control::Button7)],
        controls_[Index(Control::Button8)],
        controls_[Index(Control::Button9)],
        controls_[Index(Control::Button10)],
        controls_[Index(Control::Button11)],
        controls_[Index(Control::Button12)],
        controls_[Index(Control::Button13)],
        CheckBox1,
        controls_[Index(Control::Button14)],
        controls_[Index(Control::Button15)],
        controls_[Index(Control::Button16)],
    };
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void TForm1::ConnectHandlers() {
    const auto connectClick = [this](Control control, void (TForm1::*handler)()) {
        connect(static_cast<QPushButton*>(controls_[Index(control)]), &QPushButton::clicked, this,
                handler);
    };
    connectClick(Control::Button1, &TForm1::Button1Click);
    connectClick(Control::Button2, &TForm1::Button2Click);
    connectClick(Control::Button3, &TForm1::Button3Click);
    connectClick(Control::Button4, &TForm1::Button4Click);
    connectClick(Control::Button5, &TForm1::Button5Click);
    connectClick(Control::Button6, &TForm1::Button6Click);
    connectClick(Control::Button7, &TForm1::Button7Click);
    connectClick(Control::Button8, &TForm1::Button8Click);
    connectClick(Control::Button9, &TForm1::Button9Click);
    connectClick(Control::Button10, &TForm1::Button10Click);
    connectClick(Control::Button11, &TForm1::Button11Click);
    connectClick(Control::Button12, &TForm1::Button12Click);
    connectClick(Control::Button13, &TForm1::Button13Click);
    connectClick(Control::Button14, &TForm1::Button14Click);
    connectClick(Control::Button15, &TForm1::Button15Click);
    connectClick(Control::Button16, &TForm1::Button16Click);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    connect(graphicWait_, &QTimer::timeout, this,
            [this] { Guarded([this] { ShowGraphicWhenCardFree(); }); });
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
    if (auto* button = qobject_cast<QAbstractButton*>(controls_[Index(control)])) {
        button->setText(FromBytes(caption));
    }
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
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kovex::APPLICATION_TITLE.data()),
                    FromBytes(text), QMessageBox::Ok, this);
    box.exec();
}

void TForm1::ShowError(std::string_view text) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kovex::APPLICATION_TITLE.data()),
                    FromBytes(text), QMessageBox::Ok, this);
    box.exec();
}

std::string TForm1::InputBox(std::string_view caption, std::string_view prompt,
                             std::string_view defaultText, int maxLength,
                             const std::vector<std::string>& earlier) {
    return kovex::RunInputBox(this, caption, prompt, defaultText, maxLength, earlier);
}

bool TForm1::AskYesNo(std::string_view caption, std::string_view text, bool defaultYes) {
    return kovex::RunYesNo(this, caption, text, defaultYes);
}

std::optional<std::string> TForm1::ChooseFirmwareFile() {
    if (OpenDialog1->exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = OpenDialog1->selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.front().toLocal8Bit().toStdString();
}
