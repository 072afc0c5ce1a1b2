// The window's capture of card traffic, from the log's context menu:
// "Capture Card Traffic..." asks for a file and records every exchange with
// the card into it until "Stop Capture" (or the window's end).
#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "link/CaptureFile.h"
#include "link/CardDiscovery.h"
#include "link/CardPort.h"
#include "link/Clock.h"
#include "seam/WindowServices.h"

class QMenu;
class QWidget;

namespace kovex {

inline constexpr std::string_view CAPTURE_START_TEXT = "Capture Card Traffic...";
inline constexpr std::string_view CAPTURE_STOP_TEXT = "Stop Capture";

class WindowCapture {
public:
    WindowCapture(CardPort& port, const CardOpener& opener, const MonotonicClock& clock,
                  WindowServices& window);
    ~WindowCapture();
    WindowCapture(const WindowCapture&) = delete;
    WindowCapture& operator=(const WindowCapture&) = delete;
    WindowCapture(WindowCapture&&) = delete;
    WindowCapture& operator=(WindowCapture&&) = delete;

    // What a card's name starts with in the capture ("simulated ").
    void SetCardKind(std::string_view kind) { kind_ = kind; }
    bool Capturing() const { return file_ != nullptr; }

    // Starts recording into the file at `path` (a capture already running
    // ends first); an error box when the file cannot be written.
    void Start(const std::string& path);
    // Ends the recording; the file is whole already.
    void Stop();

    // The two entries, one of them enabled, for the log's context menu; the
    // file dialog opens over `parent`.
    void AddActions(QMenu& menu, QWidget& parent);

private:
    std::string CardName() const;
    void AskAndStart(QWidget& parent);

    CardPort& port_;
    const CardOpener& opener_;
    const MonotonicClock& clock_;
    WindowServices& window_;
    std::string kind_;
    std::unique_ptr<CaptureFile> file_;
    std::optional<CardCapture> sink_;
};

}  // namespace kovex
