#include "sim/SimDisplay.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/NodeMessageSender.h"
#include "sim/HostMessageQueue.h"
#include "sim/SimNetwork.h"
#include "support/CardRig.h"

namespace kovex {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Pages = SimDisplay::PageMemory;

struct DisplayRig {
    DisplayRig() { display.AttachTo(network); }
    void Send(std::uint8_t command, const Bytes& parameters, std::uint8_t node = 10,
              std::uint8_t device = 34) {
        Bytes payload{1, node, device, command, static_cast<std::uint8_t>(parameters.size())};
        payload.insert(payload.end(), parameters.begin(), parameters.end());
        ASSERT_TRUE(network.Deliver(payload));
    }
    // The rows of a rectangle, '#' for black.
    std::vector<std::string> Art(int left, int top, int width, int height) const {
        std::vector<std::string> rows;
        for (int y = top; y < top + height; ++y) {
            std::string& row = rows.emplace_back();
            for (int x = left; x < left + width; ++x)
                row.push_back(display.PixelBlack(x, y) ? '#' : '.');
        }
        return rows;
    }
    HostMessageQueue host;
    SimNetwork network{host};
    SimDisplay display;
};

Pages WithColumns(std::size_t page, std::size_t offset, const Bytes& columns) {
    Pages pages{};
    for (std::size_t i = 0; i < columns.size(); ++i)
        pages[page][offset + i] = columns[i];
    return pages;
}

TEST(SimDisplay, WriteColumnsUndoesEveryEscape) {
    struct Case {
        const char* name;
        Bytes sent;
        std::size_t page;
        std::size_t offset;
        Bytes columns;
    };
    const std::vector<Case> cases{
        {"plain", {8, 5, 3, 1, 0x80, 7}, 5, 8, {1, 0x80, 7}},
        {"each escape", {0, 1, 4, 132, 4, 130, 4, 131, 4, 132, 4, 127}, 1, 0, {2, 3, 4, 255}},
        {"page 2", {64, 4, 130, 1, 9}, 2, 64, {9}},
        {"page 3", {128, 4, 131, 1, 9}, 3, 128, {9}},
        {"page 4", {192, 4, 132, 1, 9}, 4, 192, {9}},
        {"escaped offset and count", {4, 132, 0, 4, 130, 5, 6}, 0, 4, {5, 6}},
        {"up to the last column", {252, 7, 4, 132, 1, 1, 1, 4, 127}, 7, 252, {1, 1, 1, 255}},
        {"no columns", {0, 0, 0}, 0, 0, {}},
    };
    for (const Case& c : cases) {
        DisplayRig rig;
        rig.Send(16, c.sent, 10, 34);
        EXPECT_EQ(rig.display.Pages(), WithColumns(c.page, c.offset, c.columns)) << c.name;
        EXPECT_EQ(rig.display.Malformed(), 0) << c.name;
        EXPECT_EQ(rig.display.Changes(), 1u) << c.name;
    }
}

TEST(SimDisplay, MalformedMessagesAreCountedAndChangeNothing) {
    struct Case {
        const char* name;
        std::uint8_t command;
        Bytes parameters;
    };
    const std::vector<Case> cases{
        {"escape at the end", 16, {0, 0, 1, 4}},
        {"no count", 16, {0, 0}},
        {"page 8", 16, {0, 8, 1, 9}},
        {"escaped page 8", 16, {0, 4, 136, 1, 9}},
        {"past column 255", 16, {4, 127, 0, 2, 9, 9}},
        {"count too big", 16, {0, 0, 3, 9, 9}},
        {"count too small", 16, {0, 0, 1, 9, 9}},
        {"set XY with one value", 5, {30}},
        {"set XY with three values", 5, {1, 2, 3}},
        {"font 2", 15, {2}},
        {"font without a value", 15, {}},
        {"show without a number", 12, {}},
        {"save with two numbers", 13, {1, 2}},
    };
    for (const Case& c : cases) {
        DisplayRig rig;
        rig.Send(16, {0, 1, 1, 0x55});
        rig.Send(c.command, c.parameters);
        EXPECT_EQ(rig.display.Pages(), WithColumns(1, 0, {0x55})) << c.name;
        EXPECT_EQ(rig.display.CursorAt(), SimDisplay::Cursor{}) << c.name;
        EXPECT_EQ(rig.display.Font(), DisplayFont::Small5x7) << c.name;
        EXPECT_TRUE(rig.display.SavedImages().empty()) << c.name;
        EXPECT_EQ(rig.display.Malformed(), 1) << c.name;
        EXPECT_EQ(rig.display.Changes(), 1u) << c.name;
    }
}

TEST(SimDisplay, UploadsToAnyUnclaimedAddressReachIt) {
    DisplayRig rig;
    struct Other final : SimDevice {
        void Receive(const ReceivedNodeMessage& /*message*/, HostOutbox& /*host*/) override {
            ++got;
        }
        int got = 0;
    } other;
    rig.network.Attach(20, 5, other);
    rig.Send(16, {0, 0, 1, 0x11}, 11, 7);
    rig.Send(16, {1, 0, 1, 0x22}, 20, 5);  // the device there takes it
    rig.Send(2, {}, 11, 7);                // only uploads come from elsewhere
    EXPECT_EQ(rig.display.Pages(), WithColumns(0, 0, {0x11}));
    EXPECT_EQ(other.got, 1);
    EXPECT_EQ(rig.display.Changes(), 1u);
    rig.network.Detach(20, 5);
}

TEST(SimDisplay, SaveShowAndClear) {
    DisplayRig rig;
    rig.Send(16, {10, 3, 2, 0xF0, 0x0F});
    rig.Send(6, {'A'});
    rig.Send(13, {5});
    const Pages saved = rig.display.Pages();
    rig.Send(2, {});
    EXPECT_EQ(rig.display.Pages(), Pages{});
    EXPECT_EQ(rig.display.CursorAt(), SimDisplay::Cursor{});
    EXPECT_EQ(rig.display.Text(), "");
    rig.Send(12, {9});  // never saved: the page memory stays
    EXPECT_EQ(rig.display.Pages(), Pages{});
    rig.Send(12, {5});
    EXPECT_EQ(rig.display.Pages(), saved);
    EXPECT_EQ(rig.display.SavedImages().size(), 1u);
    EXPECT_EQ(rig.display.Malformed(), 0);
}

TEST(SimDisplay, TextIsDrawnAtTheCursorInTheChosenFont) {
    DisplayRig rig;
    rig.Send(16, {0, 2, 4, 132, 0xFE, 0xFE, 0xFE, 0xFE});  // rows 17 to 23 black
    rig.Send(5, {1, 17});
    rig.Send(6, {'I', 'T'});
    EXPECT_EQ(rig.Art(0, 16, 14, 9),
              (std::vector<std::string>{"..............", "#.###..#####..", "#..#.....#....",
                                        "#..#.....#....", "#..#.....#....", "#..#.....#....",
                                        "#..#.....#....", "#.###....#....", ".............."}));
    EXPECT_EQ(rig.display.CursorAt(), (SimDisplay::Cursor{13, 17}));

    rig.Send(15, {1});
    rig.Send(6, {0xE9});  // no glyph: a box, doubled
    EXPECT_EQ(rig.display.Font(), DisplayFont::Large10x14);
    EXPECT_EQ(rig.Art(13, 17, 12, 3),
              (std::vector<std::string>{"##########..", "##########..", "##......##.."}));
    EXPECT_EQ(rig.display.CursorAt(), (SimDisplay::Cursor{25, 17}));
    EXPECT_EQ(rig.display.Text(), "IT\xE9");

    rig.Send(5, {250, 60});  // cut off at the edges
    rig.Send(6, {'W', 'W'});
    EXPECT_TRUE(rig.display.PixelBlack(250, 60));
    EXPECT_EQ(rig.display.CursorAt(), (SimDisplay::Cursor{274, 60}));
    EXPECT_EQ(rig.display.Malformed(), 0);
}

// The way the graphic window sends an upload: each value that is 2, 3, 4 or
// 255 goes as 4 and the value with its top bit flipped.
std::string UploadText(int node, int device, const Bytes& values) {
    std::string text = std::to_string(node) + " " + std::to_string(device) + " 16 ";
    for (const std::uint8_t value : values) {
        const bool escaped = value == 2 || value == 3 || value == 4 || value == 255;
        if (escaped) text += "4 ";
        text += std::to_string(escaped ? value ^ 0x80 : value) + " ";
    }
    return text;
}

TEST(SimDisplay, AnUploadThroughTheCardLandsInPageMemory) {
    testing::CardRig rig;
    rig.Open();
    NodeMessageSender sender{rig.port, rig.window};
    Bytes columns(64);
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i] = static_cast<std::uint8_t>(i % 6 == 0 ? 255 : i);
    Bytes values{128, 3, 64};
    values.insert(values.end(), columns.begin(), columns.end());
    ASSERT_TRUE(sender.SendString(UploadText(10, 34, values)));
    values[0] = 0;
    ASSERT_TRUE(sender.SendString(UploadText(11, 7, values)));

    Pages expected{};
    for (std::size_t i = 0; i < columns.size(); ++i)
        expected[3][i] = expected[3][128 + i] = columns[i];
    EXPECT_EQ(rig.card.Display().Pages(), expected);
    EXPECT_EQ(rig.card.Display().Malformed(), 0);
    EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0);
}

}  // namespace
}  // namespace kovex
