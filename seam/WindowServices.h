// What a window offers the handlers' card work: the log, the label, the
// controls' enabled state and the dialogs. The Qt windows implement it; tests
// use a scripted fake.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "seam/Controls.h"

namespace kovex {

// One PCI 9030 on the bus, as the card chooser lists it.
struct CardChoice {
    std::string address;    // "0000:03:00.0"
    std::string subsystem;  // subsystem vendor and device ids, "10B5:2544"; empty when unknown
    std::string heldBy;     // "kovexctl (pid 4242)"; empty when no other program holds it
};

class WindowServices {
public:
    virtual ~WindowServices() = default;
    // Log lines are bytes, shown one for one as 8-bit characters.
    virtual void AppendLog(std::string_view line) = 0;
    // A line that says a command did not do its work (refused, given up,
    // lost): the window logs it like any other; a terminal keeps it apart
    // from the results.
    virtual void LogProblem(std::string_view line) { AppendLog(line); }
    virtual void ClearLog() = 0;
    // The poll list refresh's read: the lines the previous call showed make
    // way for `lines`, at the end of the log; the other lines stay. A window
    // that cannot tell the lines apart clears the whole log first.
    virtual void ShowRefreshRead(const std::vector<std::string>& lines) {
        ClearLog();
        for (const std::string& line : lines)
            AppendLog(line);
    }
    virtual void SetStatusLabel(std::string_view text) = 0;
    virtual void SetEnabled(Control control, bool enabled) = 0;
    virtual bool IsEnabled(Control control) const = 0;
    virtual bool DebugChecked() const = 0;
    // A control's caption (a button's text).
    virtual void SetCaption(Control control, std::string_view caption) = 0;
    // Open opened a card: what needs an open card comes on, Open goes off.
    // cardName is its PCI address, or a simulated card's own name.
    virtual void CardOpened(std::string_view cardName);
    // The card was closed or lost: the poll list refresh stops and every
    // control is as before Open, so that Open can be pressed again.
    virtual void CardClosed();
    // Timer2, the poll list refresh (every 100 ms while it runs).
    virtual void SetTimer2Running(bool running) = 0;
    virtual bool Timer2Running() const = 0;
    // A modal information box.
    virtual void ShowMessage(std::string_view text) = 0;
    // The application's standard error box (text as given).
    virtual void ShowError(std::string_view text) = 0;
    // The platform's input box: caption, prompt, an edit field that starts as
    // defaultText and takes at most maxLength characters, OK and Cancel.
    // Returns the edited text on OK and defaultText on Cancel. `earlier` is
    // offered in the edit field's drop-down (newest first); it may be empty.
    virtual std::string InputBox(std::string_view caption, std::string_view prompt,
                                 std::string_view defaultText, int maxLength,
                                 const std::vector<std::string>& earlier) = 0;
    // A modal Yes/No question; true when the answer is Yes. defaultYes names
    // the button that Enter presses.
    virtual bool AskYesNo(std::string_view caption, std::string_view text, bool defaultYes) = 0;
    // "Choose the KOVEX card", when the bus holds more than one PCI 9030: the
    // index of the chosen card, or nothing when the user cancels.
    virtual std::optional<std::size_t> ChooseCard(const std::vector<CardChoice>& cards) = 0;
    // OpenDialog1, the firmware file dialog: the chosen path, or nothing when
    // the user cancels.
    virtual std::optional<std::string> ChooseFirmwareFile() = 0;
    // Programming progress: lines acknowledged of the lines to send. The
    // window shows the status label instead.
    virtual void ShowProgress(std::size_t /*sent*/, std::size_t /*total*/) {}
};

}  // namespace kovex
