// The graphic display window. Created hidden at start-up; the main window's
// Graphic button shows it modally. Closing it hides it and keeps everything
// it shows. Handlers forward to the display work in display/core.
#pragma once

#include <QDialog>
#include <QImage>
#include <array>
#include <functional>
#include <string>

#include "console/MessageSink.h"
#include "display/core/DisplayCommands.h"
#include "display/core/DisplayWindow.h"
#include "display/core/PictureUpload.h"
#include "display/core/SinkRelay.h"

class QButtonGroup;
class QGroupBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kovex {
class PictureDialog;
}

class TForm2 : public QDialog, public kovex::DisplayWindow {
    Q_OBJECT

public:
    using PictureLoader = std::function<QImage(const std::string& path)>;

    // The loader defaults to LoadPictureFile; tests inject their own.
    explicit TForm2(QWidget* parent = nullptr, PictureLoader loader = {});
    ~TForm2() override;
    TForm2(const TForm2&) = delete;
    TForm2& operator=(const TForm2&) = delete;
    TForm2(TForm2&&) = delete;
    TForm2& operator=(TForm2&&) = delete;

    // Where the display messages go: the main window's SendString. Until it
    // is set, nothing is sent.
    void SetMessageSink(kovex::MessageSink& sink) { sink_.SetTarget(sink); }
    const kovex::PageBuffer& PageBuffer() const { return upload_.Pages(); }

    // DisplayWindow
    std::string EditText(kovex::DisplayEdit edit) const override;
    std::optional<std::string> ChoosePictureFile() override;
    kovex::PixelGrid LoadPicture(const std::string& path) override;
    void ShowPicture(const kovex::PixelGrid& picture) override;
    void ShowMessage(std::string_view text) override;
    void ShowError(std::string_view text) override;
    void Pump() override;

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void RadioGroup1Click(int item);

private:
    void CreateControls();
    QFrame* AddPanel(const char* name, QRect geometry);
    void CreateRadioGroup();
    void SetTabOrder();
    void ConnectHandlers();
    void Guarded(const std::function<void()>& handler);
    // OpenPictureDialog1, built the first time Upload asks for a file and
    // kept: a QFileDialog reads its folder as soon as it exists, shown or not.
    kovex::PictureDialog& PictureFileDialog();

    QLabel* Image1 = nullptr;
    std::array<QLineEdit*, 6> edits_{};
    std::array<QPushButton*, 6> buttons_{};
    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* fontItems_ = nullptr;
    PictureLoader loader_;
    kovex::PictureDialog* OpenPictureDialog1 = nullptr;  // see PictureFileDialog

    kovex::SinkRelay sink_;
    kovex::PictureUpload upload_{*this, sink_};
    kovex::DisplayCommands commands_{*this, sink_, &upload_};
};
