// The simulated display's window follows the display node's page memory.
#include "shell/ui/SimDisplayWindow.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QCoreApplication>
#include <QLabel>
#include <QScreen>

#include "shell/ui/FWUnit1.h"
#include "sim/SimulatedCard.h"

#include "sim/HostMessageQueue.h"
#include "sim/Node10Devices.h"
#include "sim/SimNetwork.h"

namespace kovex {
namespace {

TEST(SimDisplayWindow, ShowsThePageMemoryTwiceItsSize) {
    HostMessageQueue host;
    SimNetwork network{host};
    SimDisplay display;
    display.AttachTo(network);
    SimDisplayWindow window(display);
    EXPECT_EQ(window.windowTitle(), "Simulated display");
    EXPECT_EQ(window.size(), QSize(528, 164));  // the picture, and a line below it
    EXPECT_EQ(window.Picture().size(), QSize(256, 64));

    // Column 255 of page 7 all black: the bottom-right corner.
    ASSERT_TRUE(network.Deliver(std::vector<std::uint8_t>{1, 10, 34, 16, 6, 4, 127, 7, 1, 4, 127}));
    EXPECT_NE(window.Picture().pixelColor(255, 63), QColor(Qt::black));
    window.Refresh();
    for (int y = 56; y < 64; ++y)
        EXPECT_EQ(window.Picture().pixelColor(255, y), QColor(Qt::black)) << y;
    EXPECT_NE(window.Picture().pixelColor(254, 63), QColor(Qt::black));
    EXPECT_NE(window.Picture().pixelColor(255, 55), QColor(Qt::black));

    const QImage shown = window.grab().toImage();
    EXPECT_EQ(shown.pixelColor(8 + 2 * 255 + 1, 8 + 2 * 63 + 1), QColor(Qt::black));
    EXPECT_NE(shown.pixelColor(8 + 2 * 254 + 1, 8 + 2 * 63 + 1), QColor(Qt::black));
}

// Frame and all, inside the screen that shows the main window: beside it
// where there is room, else overlapping it.
TEST(SimDisplayWindow, IsPlacedWholeOnTheScreenBesideTheMainWindow) {
    const QRect main(192, 114, 696, 554);  // the main window with its frame
    const QSize outer(530, 189);           // the display window with its frame
    struct Case {
        const char* name;
        QRect screen;
        QRect mainFrame;
        QPoint place;
    };
    const Case cases[] = {
        {"1920 x 1080: right of it", {0, 0, 1920, 1080}, main, {904, 114}},
        {"1280 x 1024: below it", {0, 0, 1280, 1024}, main, {192, 684}},
        {"2560 x 1600 at 2x: overlapping, bottom right", {0, 0, 1280, 800}, main, {750, 611}},
        {"a panel at the top", {0, 30, 1280, 770}, main, {750, 611}},
        {"the main window at the right edge: left of it",
         {0, 0, 1920, 1080},
         main.translated(1000, 0),
         {646, 114}},
        {"the main window low down: right of it, lifted",
         {0, 0, 1920, 1080},
         main.translated(0, 900),
         {904, 891}},
        {"a second screen", {1920, 0, 1280, 1024}, main.translated(1920, 0), {2112, 684}},
        {"a screen smaller than the window", {0, 0, 400, 150}, main, {0, 0}},
    };
    for (const Case& c : cases) {
        const QPoint place = PlaceBeside(c.mainFrame, c.screen, outer);
        EXPECT_EQ(place, c.place) << c.name;
        if (c.screen.width() >= outer.width() && c.screen.height() >= outer.height()) {
            EXPECT_TRUE(c.screen.contains(QRect(place, outer))) << c.name;
        }
    }
}

TEST(SimDisplayWindow, FitsTheOffscreenScreenBesideTheRealMainWindow) {
    VirtualClock clock;
    SimulatedCard card(clock);
    TForm1 form(card, clock, [] { QCoreApplication::processEvents(); });
    form.show();
    SimDisplayWindow window(card.Display());
    window.PlaceBeside(form);
    window.show();
    const QRect screen = form.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(window.frameGeometry()))
        << window.frameGeometry().x() << "," << window.frameGeometry().y();
}

// Closed, it comes back with the display's next message; a message no node
// takes is said on its line until the display hears from its own address.
TEST(SimDisplayWindow, ComesBackWithTheNextMessageAndSaysWhereOnesWentNowhere) {
    HostMessageQueue host;
    SimNetwork network{host};
    SimDisplay display;
    display.AttachTo(network);
    Node10Devices node10;
    node10.AttachTo(network);
    SimDisplayWindow window(display);
    const auto* line = window.findChild<QLabel*>("UndeliveredLine");
    ASSERT_NE(line, nullptr);
    struct Step {
        std::vector<std::uint8_t> message;  // none: no message
        bool shown;
        QString line;
    };
    const Step steps[] = {
        {{}, false, ""},
        {{1, 10, 34, 2, 0}, true, ""},
        {{1, 20, 5, 7, 0},
         true,
         "Node 20, device 5: no simulated node has it; the message went nowhere"},
        {{1, 10, 99, 16, 4, 0, 0, 1, 0xAA},
         true,
         "Node 10, device 99: no simulated node has it; its columns are shown here all the same"},
        {{1, 10, 3, 2, 1, 1},
         false,
         "Node 10, device 99: no simulated node has it; its columns are shown here all the same"},
        {{1, 10, 34, 5, 2, 0, 0}, true, ""},
    };
    for (const Step& step : steps) {
        window.show();
        window.close();
        if (!step.message.empty()) {
            ASSERT_TRUE(network.Deliver(step.message));
        }
        window.Refresh();
        EXPECT_EQ(window.isVisible(), step.shown) << line->text().toStdString();
        EXPECT_EQ(line->text(), step.line);
    }
}

}  // namespace
}  // namespace kovex
