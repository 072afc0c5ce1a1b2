// "Simulated display": what the simulated card's display node shows, its
// 256 x 64 pixels drawn twice their size, black on a light background, and
// below them one line when a message went to a node or device that no
// simulated node has. It looks at the display every 50 ms and repaints when
// a message has changed it; closed, it shows again when the display hears its
// next message. The window does not keep the program running: closing the
// main window ends the program.
#pragma once

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "sim/SimDisplay.h"

class QLabel;

namespace kovex {

// Where a window of outer size `outer` (frame included) goes beside the main
// window's frame, inside `screen`: right of it, else left, below or above it,
// wherever it fits whole; else the screen's bottom-right corner, overlapping
// it; a window larger than the screen keeps its top-left corner in view.
QPoint PlaceBeside(const QRect& mainFrame, const QRect& screen, const QSize& outer);

// "Node 20, device 5: no simulated node has it; ..."
QString UndeliveredLine(const SimDisplay::Undelivered& message);

class SimDisplayWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int SCALE = 2;
    static constexpr int MARGIN = 8;
    static constexpr int LINE_HEIGHT = 20;

    // The display must outlive the window.
    explicit SimDisplayWindow(const SimDisplay& display, QWidget* parent = nullptr);

    // Places the window, frame and all, beside `mainWindow` on the screen
    // that shows it, and again once the window manager has framed it.
    void PlaceBeside(QWidget& mainWindow);
    // Redraws the picture when the display has changed since the last look,
    // and shows the window when the display heard a message meanwhile.
    void Refresh();
    // One pixel per display pixel, as shown now.
    const QImage& Picture() const { return picture_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Render();
    void Place();

    const SimDisplay& display_;
    unsigned shownChanges_ = 0;
    unsigned heard_ = 0;
    QImage picture_;
    QTimer refreshTimer_;
    QLabel* undelivered_ = nullptr;
    QPointer<QWidget> mainWindow_;
    // The frame the latest placement counted with.
    QMargins placedWith_;
};

}  // namespace kovex
