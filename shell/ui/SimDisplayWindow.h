// "Simulated display": what the simulated card's display node shows, its
// 256 x 64 pixels drawn twice their size, black on a light background. It
// looks at the display every 50 ms and repaints when a message has changed it.
// The window does not keep the program running: closing the main window ends
// the program.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include "sim/SimDisplay.h"

namespace kovex {

class SimDisplayWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int SCALE = 2;
    static constexpr int MARGIN = 8;

    // The display must outlive the window.
    explicit SimDisplayWindow(const SimDisplay& display, QWidget* parent = nullptr);

    // Right of `mainWindow` when the screen has room there; otherwise the
    // bottom-right corner of the screen, so the whole display stays in view.
    void PlaceBeside(const QWidget& mainWindow);
    // Redraws the picture when the display has changed since the last look.
    void Refresh();
    // One pixel per display pixel, as shown now.
    const QImage& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Render();

    const SimDisplay& display_;
    unsigned shownChanges_ = 0;
    QImage picture_;
    QTimer refreshTimer_;
};

}  // namespace kovex
