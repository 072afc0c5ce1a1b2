#include "display/core/PictureUpload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "FakeDisplay.h"
#include "console/NodeMessageSender.h"
#include "display/core/DisplayCommands.h"
#include "sim/SimDisplay.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

using Texts = std::vector<std::string>;

constexpr std::uint32_t WHITE = 0xFFFFFF;
constexpr std::uint32_t BLACK = 0x000000;

PixelGrid Grid(int width, int height, std::uint32_t colour) {
    return {width, height,
            std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, colour)};
}

void Put(PixelGrid& grid, int x, int y, std::uint32_t colour) {
    grid.rgb[static_cast<std::size_t>(y) * grid.width + x] = colour;
}

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

// The header of the message for `page`, quarter `quarter`, node 10 device 34.
std::string Header(int page, int quarter, const std::string& node = "10") {
    static const std::array<const char*, 8> pages{"0",     "1", "4 130", "4 131",
                                                  "4 132", "5", "6",     "7"};
    return node + " 34 16 " + std::to_string(64 * quarter) + " " + pages.at(page) + " 64 ";
}

// All 32 texts, in sending order, with every column byte sent as `column`.
Texts EveryMessage(const std::string& column, const std::string& node = "10") {
    Texts texts;
    for (int page = 0; page < 8; ++page) {
        for (int quarter = 0; quarter < 4; ++quarter)
            texts.push_back(Header(page, quarter, node) + Repeat(column, 64));
    }
    return texts;
}

std::size_t Numbers(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), ' '));
}

class PictureUploadTest : public ::testing::Test {
protected:
    Texts Upload(const PixelGrid& picture) {
        window.picture = picture;
        sink.texts.clear();
        upload.Button1Click();
        return sink.texts;
    }
    FakeDisplayWindow window;
    RecordingSink sink;
    PictureUpload upload{window, sink};
};

TEST_F(PictureUploadTest, PicturesGoOutAsTheirExactMessages) {
    PixelGrid onePixel = Grid(240, 64, WHITE);
    Put(onePixel, 5, 10, BLACK);
    Texts onePixelTexts = EveryMessage("0 ");
    onePixelTexts[4] = Header(1, 0) + Repeat("0 ", 5) + "4 132 " + Repeat("0 ", 58);
    PixelGrid dark = Grid(256, 64, 0x010101);
    Put(dark, 0, 0, 0x000001);
    struct Case {
        const char* name;
        PixelGrid picture;
        Texts texts;
    };
    const std::vector<Case> cases{
        {"white 240 x 64", Grid(240, 64, WHITE), EveryMessage("0 ")},
        {"black 256 x 64", Grid(256, 64, BLACK), EveryMessage("4 127 ")},
        {"one pixel at 5, 10", onePixel, onePixelTexts},
        {"dark but not black", dark, EveryMessage("0 ")},
        {"empty picture", PixelGrid{}, EveryMessage("0 ")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Upload(c.picture), c.texts) << c.name;
    EXPECT_EQ(cases[0].texts[0], "10 34 16 0 0 64 " + Repeat("0 ", 64));
    EXPECT_EQ(Numbers(cases[1].texts[0]), 134u);
    EXPECT_EQ(Numbers(cases[1].texts[8]), 135u);
    EXPECT_EQ(sink.exchanges, 5);
    EXPECT_EQ(window.pumps, 5 * 32);
}

TEST_F(PictureUploadTest, OnlyThePictureItselfSetsBits) {
    struct Case {
        const char* name;
        PixelGrid picture;
        int blackColumns;
        std::array<std::uint8_t, 8> pageBytes;
    };
    const std::vector<Case> cases{
        {"100 x 30", Grid(100, 30, BLACK), 100, {255, 255, 255, 63, 0, 0, 0, 0}},
        {"240 x 64", Grid(240, 64, BLACK), 240, {255, 255, 255, 255, 255, 255, 255, 255}},
        {"300 x 70", Grid(300, 70, BLACK), 256, {255, 255, 255, 255, 255, 255, 255, 255}},
    };
    for (const Case& c : cases) {
        Upload(Grid(256, 64, BLACK));  // an earlier picture must not survive
        Upload(c.picture);
        for (std::size_t page = 0; page < 8; ++page) {
            for (std::size_t x = 0; x < 320; ++x) {
                const std::uint8_t expected =
                    x < static_cast<std::size_t>(c.blackColumns) ? c.pageBytes[page] : 0;
                ASSERT_EQ(upload.Pages()[page][x], expected)
                    << c.name << " page " << page << " column " << x;
            }
        }
    }
}

TEST_F(PictureUploadTest, NodeAndDeviceAreReadOnceAsNumbers) {
    window.edits[DisplayEdit::Edit1] = "7x";
    window.edits[DisplayEdit::Edit2] = " 34";
    window.onPump = [this] { window.edits[DisplayEdit::Edit1] = "12"; };
    EXPECT_EQ(Upload(Grid(1, 1, WHITE)), EveryMessage("0 ", "7"));
}

TEST_F(PictureUploadTest, AFailedOrCancelledLoadChangesNothing) {
    Upload(Grid(256, 64, BLACK));
    const PageBuffer before = upload.Pages();
    const std::vector<std::pair<std::string, std::string>> errors{
        {"Unknown picture file extension (.png)", "Unknown picture file extension (.png)"},
        {"Cannot open file /tmp/x.bmp", "Cannot open file /tmp/x.bmp."},
        {"Bitmap image is not valid", "Bitmap image is not valid."},
        {"Icon image is not valid", "Icon image is not valid."},
        {"Metafile is not valid", "Metafile is not valid."},
    };
    for (const auto& [thrown, shown] : errors) {
        window.loadError = thrown;
        EXPECT_TRUE(Upload(Grid(1, 1, WHITE)).empty()) << thrown;
        EXPECT_EQ(window.errors.back(), shown);
    }
    window.loadError.reset();
    window.chosenPath.reset();
    EXPECT_TRUE(Upload(Grid(1, 1, WHITE)).empty());
    EXPECT_EQ(window.errors.size(), errors.size());
    EXPECT_EQ(window.shown.size(), 1u);
    EXPECT_EQ(upload.Pages(), before);
    EXPECT_EQ(sink.exchanges, 1);
}

TEST_F(PictureUploadTest, ANodeOrDeviceThatIsNotANumberFrom0To254IsRefusedBeforeTheDialog) {
    constexpr const char* ENDS_FRAME = " is 255 as a byte, which would end the frame early.";
    constexpr const char* OUT_OF_RANGE = " is not a number from 0 to 254.";
    const std::vector<std::tuple<DisplayEdit, std::string, const char*>> cases{
        {DisplayEdit::Edit1, "255", ENDS_FRAME},   {DisplayEdit::Edit1, "$FF", ENDS_FRAME},
        {DisplayEdit::Edit2, "255", ENDS_FRAME},   {DisplayEdit::Edit1, "-255", OUT_OF_RANGE},
        {DisplayEdit::Edit1, "-1", OUT_OF_RANGE},  {DisplayEdit::Edit1, "511", OUT_OF_RANGE},
        {DisplayEdit::Edit2, "256", OUT_OF_RANGE}, {DisplayEdit::Edit2, "abc", " is not a number."},
    };
    for (const auto& [edit, text, why] : cases) {
        FakeDisplayWindow refusing;
        refusing.edits[edit] = text;
        EXPECT_EQ(PictureUpload(refusing, sink).Button1Click().ending, Ending::Refused) << text;
        const std::string name = edit == DisplayEdit::Edit1 ? "Node " : "Device ";
        EXPECT_EQ(refusing.errors, Texts{name + text + why + " Nothing was sent."});
        EXPECT_EQ(refusing.dialogs, 0) << text;
    }
    EXPECT_TRUE(sink.texts.empty());
    EXPECT_EQ(sink.exchanges, 0);
}

TEST_F(PictureUploadTest, APictureGoesOutWholeInOneExchangeOrNotAtAll) {
    EXPECT_EQ(Upload(Grid(1, 1, WHITE)).size(), 32u);
    EXPECT_EQ(sink.sentInsideExchange, 32u);

    EXPECT_TRUE(window.errors.empty());

    sink.refuseExchange = true;
    EXPECT_TRUE(Upload(Grid(1, 1, WHITE)).empty());

    sink.refuseExchange = false;
    sink.refuseAfter = 5;
    window.pumps = 0;
    EXPECT_EQ(Upload(Grid(1, 1, WHITE)).size(), 5u);
    EXPECT_EQ(window.pumps, 5);
    EXPECT_EQ(window.errors,
              (Texts{"The picture was not sent: Card busy.",
                     "The picture was not sent whole (5 of 32 messages went out): Card busy."}));
}

TEST_F(PictureUploadTest, DisplayCommandsDuringTheSendingAreRefusedWithABox) {
    DisplayCommands commands(window, sink, &upload);
    window.onPump = [&] {
        window.onPump = nullptr;
        commands.Button4Click();
    };
    EXPECT_EQ(Upload(Grid(1, 1, WHITE)).size(), 32u);
    EXPECT_EQ(window.errors, Texts{"The display command was not sent: A picture is still being "
                                   "sent; wait until it is done."});
}

TEST_F(PictureUploadTest, AnUploadClickedDuringTheSendingIsRefused) {
    window.onPump = [this] {
        window.onPump = nullptr;
        upload.Button1Click();
    };
    EXPECT_EQ(Upload(Grid(1, 1, WHITE)).size(), 32u);
    EXPECT_EQ(window.dialogs, 1);
    EXPECT_EQ(window.messages, Texts{"A picture is still being sent; wait until it is done."});
}

// What the display node holds after an upload: its page memory must equal
// the packed picture, column for column.
bool DisplayHoldsThePages(const SimDisplay& display, const PageBuffer& pages) {
    for (std::size_t page = 0; page < pages.size(); ++page) {
        if (!std::equal(display.Pages()[page].begin(), display.Pages()[page].end(),
                        pages[page].begin()))
            return false;
    }
    return true;
}

TEST(PictureUploadOnTheCardTest, TheDisplayNodeReceivesThePackedPicture) {
    PixelGrid onePixel = Grid(256, 64, WHITE);
    Put(onePixel, 5, 10, BLACK);
    PixelGrid mixed = Grid(100, 30, 0x010101);
    for (int x = 0; x < 100; x += 3)
        Put(mixed, x, x % 30, BLACK);
    struct Case {
        const char* name;
        PixelGrid picture;
        const char* node;
        const char* device;
    };
    const Case cases[] = {
        {"black 256 x 64, every value escaped", Grid(256, 64, BLACK), "10", "34"},
        {"white 240 x 64 over it", Grid(240, 64, WHITE), "10", "34"},
        {"one black pixel at column 5 row 10", onePixel, "10", "34"},
        {"100 x 30, dark and black", mixed, "10", "34"},
        {"black, to another node and device", Grid(256, 64, BLACK), "20", "5"},
    };
    CardRig rig;
    rig.Open();
    NodeMessageSender sender{rig.port, rig.window};
    FakeDisplayWindow window;
    window.onPump = [&rig] { rig.Pump(); };
    PictureUpload upload(window, sender);
    for (const Case& c : cases) {
        window.picture = c.picture;
        window.edits[DisplayEdit::Edit1] = c.node;
        window.edits[DisplayEdit::Edit2] = c.device;
        const std::size_t before = rig.card.Network().Received().size();
        upload.Button1Click();

        const auto& received = rig.card.Network().Received();
        ASSERT_EQ(received.size(), before + 32) << c.name;
        EXPECT_EQ(received.back().node, std::stoi(c.node)) << c.name;
        EXPECT_EQ(received.back().device, std::stoi(c.device)) << c.name;
        EXPECT_TRUE(DisplayHoldsThePages(rig.card.Display(), upload.Pages())) << c.name;
        EXPECT_EQ(rig.card.Display().Malformed(), 0) << c.name;
        EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0) << c.name;
        EXPECT_FALSE(rig.port.Taken()) << c.name;
    }
    EXPECT_TRUE(rig.card.Display().PixelBlack(0, 0));  // the last picture, sent to 20/5
}

// Stopped before its first byte went out (a signal while the picture was
// decoded), the upload says nothing was sent; stopped after, that the
// display may show part of it.
TEST(PictureUploadOnTheCardTest, AStopSaysWhetherAnyOfThePictureWentOut) {
    struct Case {
        const char* name;
        int pumpsBeforeStop;  // 0: stopped before the exchange
        std::string text;
        std::string left;
    };
    const Case cases[] = {
        {"stopped while decoding", 0, "the picture was not sent", ""},
        {"stopped after a message", 1, "",
         "while the picture was being sent: the display may show part of it: upload it again"},
    };
    for (const Case& c : cases) {
        CardRig rig;
        rig.Open();
        NodeMessageSender sender{rig.port, rig.window};
        FakeDisplayWindow window;
        int pumps = 0;
        window.onPump = [&] {
            if (++pumps == c.pumpsBeforeStop) rig.state.Closing = true;
            rig.Pump();
        };
        window.picture = Grid(240, 64, WHITE);
        if (c.pumpsBeforeStop == 0) rig.state.Closing = true;
        PictureUpload upload(window, sender);
        const Outcome outcome = upload.Button1Click();
        EXPECT_EQ(outcome.ending, Ending::Interrupted) << c.name;
        EXPECT_EQ(outcome.text, c.text) << c.name;
        EXPECT_EQ(outcome.left, c.left) << c.name;
        EXPECT_EQ(rig.card.Mailbox().HostBytes().empty(), c.pumpsBeforeStop == 0) << c.name;
    }
}

}  // namespace
}  // namespace kovex::testing
