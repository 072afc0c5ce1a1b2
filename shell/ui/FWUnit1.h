// The main window "KOVEX Programmer": the log, the buttons, the two timers
// and the file dialog. Handlers forward to the card work in link/ and
// console/; no protocol lives here.
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "console/MessageSink.h"
#include "console/NodeMessageCommands.h"
#include "console/NodeMessageSender.h"
#include "console/PollList.h"
#include "console/StatusCommands.h"
#include "firmware/ProgrammingSequence.h"
#include "link/BridgeApi.h"
#include "link/CardDiscovery.h"
#include "link/CardPort.h"
#include "link/Clock.h"
#include "seam/AppState.h"
#include "seam/WindowServices.h"
#include "shell/ui/WindowCapture.h"

class QAbstractButton;
class QCheckBox;
class QFileDialog;
class QLabel;
class QPlainTextEdit;
class QTimer;
class TForm2;

namespace kovex {
class LogSaver;
}

class TForm1 : public QWidget, public kovex::WindowServices {
    Q_OBJECT

public:
    // The pump defaults to QCoreApplication::processEvents; tests inject one
    // that moves a virtual clock.
    TForm1(kovex::BridgeApi& bridge, kovex::MonotonicClock& clock, kovex::CardPort::Pump pump = {});
    ~TForm1() override;

    // Defined where TForm2 is complete: QPointer needs to see it is a QObject.
    void SetGraphicWindow(TForm2& form2);
    kovex::AppState& State() { return state_; }

    // Sends one line of numbers (node device command parameters...) as a
    // node message and logs it. The caller is not used.
    void SendString(QObject* caller, std::string_view text);
    // Where the graphic window sends its node messages.
    kovex::MessageSink& MessageSender() { return sender_; }
    // The capture of card traffic the log's context menu starts and stops.
    kovex::WindowCapture& Capture() { return capture_; }

    // WindowServices
    void AppendLog(std::string_view line) override;
    void ClearLog() override;
    void ShowRefreshRead(const std::vector<std::string>& lines) override;
    void SetStatusLabel(std::string_view text) override;
    void SetEnabled(kovex::Control control, bool enabled) override;
    bool IsEnabled(kovex::Control control) const override;
    bool DebugChecked() const override;
    void SetCaption(kovex::Control control, std::string_view caption) override;
    void SetTimer2Running(bool running) override;
    bool Timer2Running() const override;
    void ShowMessage(std::string_view text) override;
    void ShowError(std::string_view text) override;
    std::string InputBox(std::string_view caption, std::string_view prompt,
                         std::string_view defaultText, int maxLength,
                         const std::vector<std::string>& earlier) override;
    bool AskYesNo(std::string_view caption, std::string_view text, bool defaultYes) override;
    std::optional<std::string> ChooseFirmwareFile() override;
    std::optional<std::size_t> ChooseCard(const std::vector<kovex::CardChoice>& cards) override;
    // The caption names the open card: "KOVEX Programmer - 0000:03:00.0".
    void CardOpened(std::string_view cardName) override;
    void CardClosed() override;

    // Click and timer handlers, connected in ConnectHandlers.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    void Button10Click();
    void Button11Click();
    void Button12Click();
    void Button13Click();
    void Button14Click();
    void Button15Click();
    void Button16Click();
    void Timer1Timer();
    void Timer2Timer();
    // "Save Log As...", from the log's context menu.
    void SaveLogAs();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    void ConnectHandlers();
    void Guarded(const std::function<void()>& handler);
    // Guarded, for a click that needs the card: one that comes during a poll
    // list refresh runs as soon as the refresh gave way.
    void CardClick(const std::function<void()>& handler);
    // Graphic's work: Form2 shown modally, at once or once the card is free.
    void ShowGraphicWhenCardFree();
    // OpenDialog1, built the first time it is needed and kept: a QFileDialog
    // reads its folder as soon as it exists, shown or not.
    QFileDialog& FirmwareDialog();
    // The log's context menu: Qt's own entries, Save Log As (LogMenu.h), then the capture's.
    void ShowLogMenu(const QPoint& at);

    QPointer<TForm2> Form2;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* Label1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QFileDialog* OpenDialog1 = nullptr;  // see FirmwareDialog
    // Asks again whether Form2 can be shown, while a command holds the card.
    QTimer* graphicWait_ = nullptr;
    std::array<QAbstractButton*, kovex::CONTROLS.size()> controls_{};
    std::unique_ptr<kovex::LogSaver> logSaver_;
    // The open card's name; empty while none is open.
    QString openCard_;

    kovex::AppState state_;
    kovex::CardPort port_;
    kovex::CardOpener opener_;
    kovex::StatusCommands status_;
    kovex::NodeMessageSender sender_;
    kovex::NodeMessageCommands messages_;
    kovex::PollList pollList_;
    kovex::ProgrammingSequence programming_;
    kovex::WindowCapture capture_;
};
