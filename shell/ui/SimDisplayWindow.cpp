#include "shell/ui/SimDisplayWindow.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <array>

namespace kovex {

namespace {

constexpr int REFRESH_MS = 50;
constexpr int GAP = 16;
constexpr QRgb BACKGROUND = qRgb(0xE4, 0xEA, 0xD8);
constexpr QRgb INK = qRgb(0x00, 0x00, 0x00);
constexpr QRgb FRAME = qRgb(0x80, 0x80, 0x80);

bool Fits(const QRect& screen, const QPoint& place, const QSize& outer) {
    return screen.contains(QRect(place, outer));
}

// Moves `along` so the window lies within [first, last] where it can.
int Clamp(int along, int first, int last, int length) {
    return std::max(first, std::min(along, last + 1 - length));
}

QMargins FrameOf(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

}  // namespace

QPoint PlaceBeside(const QRect& mainFrame, const QRect& screen, const QSize& outer) {
    const int y = Clamp(mainFrame.top(), screen.top(), screen.bottom(), outer.height());
    const int x = Clamp(mainFrame.left(), screen.left(), screen.right(), outer.width());
    const std::array<QPoint, 4> beside{{
        {mainFrame.right() + 1 + GAP, y},
        {mainFrame.left() - GAP - outer.width(), y},
        {x, mainFrame.bottom() + 1 + GAP},
        {x, mainFrame.top() - GAP - outer.height()},
    }};
    for (const QPoint& place : beside) {
        if (Fits(screen, place, outer)) return place;
    }
    return {Clamp(screen.right(), screen.left(), screen.right(), outer.width()),
            Clamp(screen.bottom(), screen.top(), screen.bottom(), outer.height())};
}

QString UndeliveredLine(const SimDisplay::Undelivered& message) {
    return QString("Node %1, device %2: no simulated node has it; %3")
        .arg(message.node)
        .arg(message.device)
        .arg(message.upload ? "its columns are shown here all the same"
                            : "the message went nowhere");
}

SimDisplayWindow::SimDisplayWindow(const SimDisplay& display, QWidget* parent)
    : QWidget(parent),
      display_(display),
      heard_(display.Heard()),
      picture_(SimDisplay::WIDTH, SimDisplay::HEIGHT, QImage::Format_RGB32) {
    setObjectName("SimDisplayWindow");
    setWindowTitle("Simulated display");
    setAttribute(Qt::WA_QuitOnClose, false);
    // Shown again while the user works in another window: it does not take
    // the keyboard from it.
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    const int pictureHeight = SimDisplay::HEIGHT * SCALE;
    setFixedSize(SimDisplay::WIDTH * SCALE + 2 * MARGIN, pictureHeight + LINE_HEIGHT + 2 * MARGIN);
    undelivered_ = new QLabel(this);
    undelivered_->setObjectName("UndeliveredLine");
    undelivered_->setGeometry(MARGIN, MARGIN + pictureHeight, SimDisplay::WIDTH * SCALE,
                              LINE_HEIGHT);
    Render();
    connect(&refreshTimer_, &QTimer::timeout, this, &SimDisplayWindow::Refresh);
    refreshTimer_.start(REFRESH_MS);
}

void SimDisplayWindow::Refresh() {
    if (display_.Heard() != heard_) {
        heard_ = display_.Heard();
        const auto& undelivered = display_.LastUndelivered();
        undelivered_->setText(undelivered ? UndeliveredLine(*undelivered) : QString());
        if (!isVisible()) show();
    }
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

void SimDisplayWindow::PlaceBeside(QWidget& mainWindow) {
    mainWindow_ = &mainWindow;
    Place();
}

// Before the window manager has framed the window its frame is unknown: the
// main window's, when that one is framed, stands in for it until then.
void SimDisplayWindow::Place() {
    if (mainWindow_.isNull()) return;
    QMargins frame = FrameOf(*this);
    if (frame.isNull()) frame = FrameOf(*mainWindow_);
    placedWith_ = FrameOf(*this);
    QScreen* screen = mainWindow_->screen();
    if (screen == nullptr) return;
    setScreen(screen);
    const QSize outer = size().grownBy(frame);
    move(kovex::PlaceBeside(mainWindow_->frameGeometry(), screen->availableGeometry(), outer));
}

// The window manager frames a window after it is shown: once the frame is
// known (or changes), the window is placed again with it. A window the user
// moved keeps its frame, and stays where it was put.
bool SimDisplayWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    const QEvent::Type type = event->type();
    if ((type == QEvent::Move || type == QEvent::Show) && FrameOf(*this) != placedWith_) Place();
    return handled;
}

}  // namespace kovex
