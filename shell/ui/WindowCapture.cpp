#include "shell/ui/WindowCapture.h"

#include <QFileDialog>
#include <QMenu>

namespace kovex {

WindowCapture::WindowCapture(CardPort& port, const CardOpener& opener, const MonotonicClock& clock,
                             WindowServices& window)
    : port_(port), opener_(opener), clock_(clock), window_(window) {}

WindowCapture::~WindowCapture() {
    if (sink_) port_.Traffic().RemoveSink(*sink_);
}

std::string WindowCapture::CardName() const {
    // Traffic flows only once a card is open: the card Open took, the chooser's
    // choice among several.
    const std::optional<PciAddress>& opened = opener_.OpenedAddress();
    return kind_ + (opened ? PciAddressText(*opened) : "card");
}

void WindowCapture::Start(const std::string& path) {
    Stop();
    auto file = std::make_unique<CaptureFile>(path, "kovex-programmer " KOVEX_VERSION,
                                              CaptureStartsNow(clock_));
    if (file->Failed()) {
        window_.ShowError("The capture " + path + " cannot be written: " + file->Failure());
        return;
    }
    file_ = std::move(file);
    sink_.emplace(*file_, [this] { return CardName(); });
    port_.Traffic().AddSink(*sink_);
    window_.AppendLog("Capturing card traffic to " + path);
}

void WindowCapture::Stop() {
    if (!file_) return;
    port_.Traffic().RemoveSink(*sink_);
    const std::size_t packets = sink_->Packets();
    sink_.reset();
    const std::unique_ptr<CaptureFile> file = std::move(file_);
    if (file->Failed()) {
        window_.ShowError("The capture " + file->Path() +
                          " could not all be written: " + file->Failure());
        return;
    }
    window_.AppendLog("Capture stopped: " + std::to_string(packets) + " packets in " +
                      file->Path());
}

void WindowCapture::AskAndStart(QWidget& parent) {
    const QString path = QFileDialog::getSaveFileName(
        &parent, QString::fromUtf8(CAPTURE_START_TEXT.data(), CAPTURE_START_TEXT.size() - 3),
        QString(), "Captures (*.pcapng);;All files (*)");
    if (!path.isEmpty()) Start(path.toStdString());
}

void WindowCapture::AddActions(QMenu& menu, QWidget& parent) {
    QAction* start = menu.addAction(
        QString::fromUtf8(CAPTURE_START_TEXT.data(), static_cast<int>(CAPTURE_START_TEXT.size())));
    start->setObjectName("CaptureStart");
    start->setEnabled(!Capturing());
    QObject::connect(start, &QAction::triggered, &parent, [this, &parent] { AskAndStart(parent); });
    QAction* stop = menu.addAction(
        QString::fromUtf8(CAPTURE_STOP_TEXT.data(), static_cast<int>(CAPTURE_STOP_TEXT.size())));
    stop->setObjectName("CaptureStop");
    stop->setEnabled(Capturing());
    QObject::connect(stop, &QAction::triggered, &parent, [this] { Stop(); });
}

}  // namespace kovex
