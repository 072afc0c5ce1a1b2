// The simulated display's window follows the display node's page memory.
#include "shell/ui/SimDisplayWindow.h"

#include <gtest/gtest.h>

#include <QColor>

#include "sim/HostMessageQueue.h"
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
    EXPECT_EQ(window.size(), QSize(528, 144));
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

}  // namespace
}  // namespace kovex
