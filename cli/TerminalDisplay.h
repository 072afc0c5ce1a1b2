// The graphic window's seam on a terminal: the Node, Device and text edits
// hold what the command line gave, the picture dialog answers with the
// given file, boxes go to standard error through the terminal window.
#pragma once

#include <functional>
#include <string>

#include "cli/TerminalWindow.h"
#include "display/core/DisplayWindow.h"

namespace kovex {

struct DisplayEdits {
    std::string node = "10";
    std::string device = "34";
    std::string text;
    std::string picture;
    std::string image = "5";
    std::string x = "0";
    std::string y = "0";
};

class TerminalDisplay final : public DisplayWindow {
public:
    TerminalDisplay(TerminalWindow& window, DisplayEdits edits, std::function<void()> pump)
        : window_(window), edits_(std::move(edits)), pump_(std::move(pump)) {}

    std::string EditText(DisplayEdit edit) const override;
    std::optional<std::string> ChoosePictureFile() override { return edits_.picture; }
    PixelGrid LoadPicture(const std::string& path) override;
    void ShowPicture(const PixelGrid& /*picture*/) override {}
    void ShowMessage(std::string_view text) override;
    void ShowError(std::string_view text) override { window_.ShowProblem(text); }
    void Pump() override { pump_(); }

private:
    TerminalWindow& window_;
    DisplayEdits edits_;
    std::function<void()> pump_;
};

}  // namespace kovex
