#include "shell/ui/SimDisplayWindow.h"

#include <QPainter>
#include <QScreen>

namespace kovex {

namespace {

constexpr int REFRESH_MS = 50;
constexpr QRgb BACKGROUND = qRgb(0xE4, 0xEA, 0xD8);
constexpr QRgb INK = qRgb(0x00, 0x00, 0x00);
constexpr QRgb FRAME = qRgb(0x80, 0x80, 0x80);

}  // namespace

SimDisplayWindow::SimDisplayWindow(const SimDisplay& display, QWidget* parent)
    : QWidget(parent),
      display_(display),
      picture_(SimDisplay::WIDTH, SimDisplay::HEIGHT, QImage::Format_RGB32) {
    setObjectName("SimDisplayWindow");
    setWindowTitle("Simulated display");
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(SimDisplay::WIDTH * SCALE + 2 * MARGIN, SimDisplay::HEIGHT * SCALE + 2 * MARGIN);
    Render();
    connect(&refreshTimer_, &QTimer::timeout, this, &SimDisplayWindow::Refresh);
    refreshTimer_.start(REFRESH_MS);
}

void SimDisplayWindow::Refresh() {
    if (display_.Changes() == shownChanges_) return;
    Render();
    update();
}

void SimDisplayWindow::Render() {
    shownChanges_ = display_.Changes();
    for (int y = 0; y < SimDisplay::HEIGHT; ++y) {
        for (int x = 0; x < SimDisplay::WIDTH; ++x)
            picture_.setPixel(x, y, display_.PixelBlack(x, y) ? INK : BACKGROUND);
    }
}

void SimDisplayWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect screen(MARGIN, MARGIN, SimDisplay::WIDTH * SCALE, SimDisplay::HEIGHT * SCALE);
    painter.drawImage(screen, picture_);
    painter.setPen(QColor(FRAME));
    painter.drawRect(screen.adjusted(-1, -1, 0, 0));
}

void SimDisplayWindow::PlaceBeside(const QWidget& mainWindow) {
    constexpr int GAP = 16;
    const QRect main = mainWindow.frameGeometry();
    const QScreen* screen = mainWindow.screen();
    const QRect room = screen != nullptr ? screen->availableGeometry() : main;
    const QSize outer = frameGeometry().size();
    QPoint place(main.right() + 1 + GAP, main.top());
    if (place.x() + outer.width() > room.right() + 1) {
        place = QPoint(room.right() + 1 - outer.width(), room.bottom() + 1 - outer.height());
    }
    move(place);
}

}  // namespace kovex
