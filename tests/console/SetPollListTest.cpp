#include <gtest/gtest.h>

#include <algorithm>

#include "PollListRig.h"
#include "console/PollList.h"
#include "console/PollListText.h"
#include "link/CardExchange.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Frames = std::vector<Bytes>;
using Lines = std::vector<std::string>;
using C = Control;

Bytes SetFrame(std::uint8_t index, std::uint8_t node) {
    return {0x00, 0x5A, 0xF0, 0x0F, 0x02, index, node, 0xFF};
}

std::string Adding(int item, int node) {
    return "Adding poll list item " + std::to_string(item) + " (" + std::to_string(node) + ")";
}

using SetPollListTest = PollListRig;

TEST_F(SetPollListTest, TypedListsBecomeFramesAndLines) {
    struct Case {
        const char* typed;
        Frames frames;
        Lines lines;
        const char* confirmed = nullptr;  // the list the question shows; null: as typed
    };
    const Case cases[] = {
        {"10 20",
         {SetFrame(0, 10), SetFrame(1, 20), SetFrame(2, 0)},
         {Adding(0, 10), Adding(1, 20), Adding(2, 0), "Setting poll list to  10 20 0"}},
        {"0 0", {SetFrame(0, 0)}, {Adding(0, 0), "Setting poll list to  0"}},
        {"10 0 20",
         {SetFrame(0, 10), SetFrame(1, 0)},
         {Adding(0, 10), Adding(1, 0), "Setting poll list to  10 0"}},
        {"10,20",
         {SetFrame(0, 10), SetFrame(1, 0)},
         {Adding(0, 10), Adding(1, 0), "Setting poll list to  10 0"}},
        {"$1F x10",
         {SetFrame(0, 31), SetFrame(1, 16), SetFrame(2, 0)},
         {Adding(0, 31), Adding(1, 16), Adding(2, 0), "Setting poll list to  31 16 0"}},
        {"0x0A +4 7x",
         {SetFrame(0, 10), SetFrame(1, 4), SetFrame(2, 7), SetFrame(3, 0)},
         {Adding(0, 10), Adding(1, 4), Adding(2, 7), Adding(3, 0),
          "Setting poll list to  10 4 7 0"}},
        {"   10    20   ",
         {SetFrame(0, 10), SetFrame(1, 20), SetFrame(2, 0)},
         {Adding(0, 10), Adding(1, 20), Adding(2, 0), "Setting poll list to  10 20 0"},
         "10 20"},
        {"\t10 \x01 20\t",
         {SetFrame(0, 10), SetFrame(1, 20), SetFrame(2, 0)},
         {Adding(0, 10), Adding(1, 20), Adding(2, 0), "Setting poll list to  10 20 0"},
         "10 20"},
    };
    for (const Case& c : cases) {
        CardRig fresh;
        fresh.Open();
        fresh.card.Timing().replyDelay = 3ms;
        for (unsigned i = 0; i < 5; ++i)
            fresh.card.State().pollList[static_cast<std::uint8_t>(i)] = 99;
        fresh.card.Mailbox().InjectReplyBytes({0xEE});  // left over: drained before the first frame
        fresh.window.inputAnswers = {c.typed};
        fresh.window.yesNoAnswers = {true};
        PollList handlers(fresh.port, fresh.window);
        handlers.Button9Click();
        EXPECT_EQ(fresh.card.Mailbox().FramesReceived(), c.frames) << c.typed;
        EXPECT_EQ(fresh.window.log, c.lines) << c.typed;
        for (std::size_t i = 0; i < c.frames.size(); ++i) {
            EXPECT_EQ(fresh.card.State().pollList[static_cast<std::uint8_t>(i)], c.frames[i][6])
                << c.typed;
        }
        ASSERT_EQ(fresh.window.questions.size(), 1u) << c.typed;
        EXPECT_EQ(fresh.window.questions[0].text,
                  std::string("Confirm that you want to set the poll list to : ") +
                      (c.confirmed ? c.confirmed : c.typed) + "?");
        EXPECT_EQ(fresh.card.Mailbox().MalformedFrames(), 0) << c.typed;
        EXPECT_FALSE(fresh.port.ByteWaiting()) << c.typed;
    }
}

TEST_F(SetPollListTest, TheDialogsCarryTheirCaptionsAndNoIsTheDefault) {
    rig.window.inputAnswers = {"10 20"};
    rig.window.yesNoAnswers = {true};
    poll.Button9Click();
    ASSERT_EQ(rig.window.inputBoxes.size(), 1u);
    const auto& box = rig.window.inputBoxes[0];
    EXPECT_EQ(box.caption, "Poll List");
    EXPECT_EQ(box.prompt, "Enter poll list.");
    EXPECT_EQ(box.defaultText, "0");
    EXPECT_EQ(box.maxLength, 255);
    EXPECT_TRUE(box.earlier.empty());
    ASSERT_EQ(rig.window.questions.size(), 1u);
    EXPECT_EQ(rig.window.questions[0].caption, "Confirm");
    EXPECT_EQ(rig.window.questions[0].text,
              "Confirm that you want to set the poll list to : 10 20?");
    EXPECT_FALSE(rig.window.questions[0].defaultYes);
}

TEST_F(SetPollListTest, ShortTextCancelAndNoSendAndLogNothing) {
    struct Case {
        const char* name;
        std::deque<std::string> input;  // empty: Cancel
        std::deque<bool> answer;
        std::size_t questions;
    };
    const Case cases[] = {
        {"one character", {"1"}, {true}, 0},
        {"empty text", {""}, {true}, 0},
        {"two characters", {"12"}, {true}, 0},
        {"cancel", {}, {true}, 0},
        {"confirm answered No", {"10 20"}, {false}, 1},
    };
    for (const Case& c : cases) {
        CardRig fresh;
        fresh.Open();
        fresh.window.inputAnswers = c.input;
        fresh.window.yesNoAnswers = c.answer;
        PollList handlers(fresh.port, fresh.window);
        handlers.Button9Click();
        EXPECT_TRUE(fresh.card.Mailbox().HostBytes().empty()) << c.name;
        EXPECT_TRUE(fresh.window.log.empty()) << c.name;
        EXPECT_EQ(fresh.window.questions.size(), c.questions) << c.name;
        EXPECT_FALSE(fresh.port.Taken()) << c.name;
    }
}

TEST_F(SetPollListTest, ANumberOutsideTheByteOrNoNumberIsRefusedBeforeAnythingIsSent) {
    struct Case {
        const char* typed;
        std::string line;
    };
    const auto notANumber = [](int item, const std::string& typed, const char* why) {
        return "Poll list not set: item " + std::to_string(item) + ", " + typed + ", is not a " +
               why + "; nothing was sent";
    };
    const Case cases[] = {
        {"10 255 20", NodeEndsFrameLine(1)},
        {"1 2 3 $FF", NodeEndsFrameLine(3)},
        {"0xFF 0", NodeEndsFrameLine(0)},
        {"511", notANumber(0, "511", "number from 0 to 254")},
        {"10 256", notANumber(1, "256", "number from 0 to 254")},
        {"-1 2", notANumber(0, "-1", "number from 0 to 254")},
        {"$FFFFFF01", notANumber(0, "$FFFFFF01", "number from 0 to 254")},
        {"abc def", notANumber(0, "abc", "number")},
        {"10 x 0", notANumber(1, "x", "number")},
        {"\xA0"
         "5 6",
         notANumber(0,
                    "\xA0"
                    "5",
                    "number")},
    };
    for (const Case& c : cases) {
        CardRig fresh;
        fresh.Open();
        fresh.window.inputAnswers = {c.typed};
        fresh.window.yesNoAnswers = {true};
        PollList handlers(fresh.port, fresh.window);
        EXPECT_EQ(handlers.Button9Click().outcome.ending, Ending::Refused) << c.typed;
        EXPECT_TRUE(fresh.card.Mailbox().HostBytes().empty()) << c.typed;
        EXPECT_EQ(fresh.window.log, Lines{c.line}) << c.typed;
        EXPECT_TRUE(fresh.window.questions.empty()) << c.typed;
    }
    EXPECT_EQ(NodeEndsFrameLine(1),
              "Poll list not set: item 1 is node 255, which would end the frame early; nothing "
              "was sent");
}

TEST_F(SetPollListTest, TheLongestTextSends129Frames) {
    std::string ones;
    while (ones.size() < 300)
        ones += "1 ";
    rig.window.inputAnswers = {ones};  // the input box keeps 255 characters: 128 ones
    rig.window.yesNoAnswers = {true};
    poll.Button9Click();
    const Frames& frames = rig.card.Mailbox().FramesReceived();
    ASSERT_EQ(frames.size(), 129u);
    EXPECT_EQ(frames[127], SetFrame(127, 1));
    EXPECT_EQ(frames[128], SetFrame(128, 0));
    EXPECT_EQ(rig.window.log.size(), 130u);
    EXPECT_EQ(rig.window.log.back().size(), std::string("Setting poll list to ").size() +
                                                std::size_t{258});  // " N" for 129 items
}

TEST_F(SetPollListTest, EachItemWaitsTwoTicksAndTicksOfTheRefreshDoNothing) {
    poll.Button13Click();
    rig.window.inputAnswers = {"10 20"};
    rig.window.yesNoAnswers = {true};
    const Nanos start = rig.clock.Now();
    poll.Button9Click();
    EXPECT_GE(rig.clock.Now() - start, 3 * 100ms);
    EXPECT_LE(rig.clock.Now() - start, 3 * 200ms + 50ms);
    EXPECT_GE(rig.timer2Ticks, 3);
    EXPECT_EQ(rig.window.refreshReads, 0);
    EXPECT_EQ(rig.card.Mailbox().FramesReceived(),
              (Frames{SetFrame(0, 10), SetFrame(1, 20), SetFrame(2, 0)}));
    EXPECT_EQ(rig.window.log,
              (Lines{Adding(0, 10), Adding(1, 20), Adding(2, 0), "Setting poll list to  10 20 0"}));
    rig.RunTicks(1);  // the port is free again: the refresh reads the new list
    EXPECT_EQ(rig.window.refreshReads, 1);
    EXPECT_EQ(rig.window.log,
              (Lines{Adding(0, 10), Adding(1, 20), Adding(2, 0), "Setting poll list to  10 20 0",
                     "Poll list   =  10 20", "Node status =  1 0"}));
}

TEST_F(SetPollListTest, ClicksDuringSetPollListAreRefused) {
    rig.window.inputAnswers = {"10 20"};
    rig.window.yesNoAnswers = {true};
    rig.At(rig.clock.Now() + 150ms, [this] { poll.Button5Click(); });
    rig.At(rig.clock.Now() + 250ms, [this] { poll.Button9Click(); });
    poll.Button9Click();
    const std::string busy(PORT_TAKEN_LINE);
    EXPECT_EQ(rig.window.log, (Lines{Adding(0, 10), busy, Adding(1, 20), busy, Adding(2, 0),
                                     "Setting poll list to  10 20 0"}));
    EXPECT_EQ(rig.window.inputBoxes.size(), 1u);
    EXPECT_EQ(rig.card.Mailbox().FramesReceived().size(), 3u);
}

TEST_F(SetPollListTest, ASilentCardEndsTheSetWithALineThatSaysTheListMayBeIncomplete) {
    rig.card.Faults().silent = true;
    rig.window.inputAnswers = {"10 20"};
    rig.window.yesNoAnswers = {true};
    poll.Button9Click();
    EXPECT_EQ(rig.window.log,
              (Lines{CardSilentLine(rig.port),
                     "Stopped while the poll list was being set: the card's poll list may be "
                     "incomplete: set it again"}));
    EXPECT_EQ(rig.card.Mailbox().FramesReceived(), Frames{SetFrame(0, 10)});
}

TEST(PollListText, ParseEndsAtTheFirstZero) {
    struct Case {
        const char* typed;
        std::vector<std::uint8_t> entries;
    };
    const Case cases[] = {
        {"", {0}},
        {"7", {7, 0}},
        {"7x 8", {7, 8, 0}},
        {"+1 2", {1, 2, 0}},
        {"$FE 2", {254, 2, 0}},
        {"1  \x1F 2", {1, 2, 0}},
        {"10\t20 30", {10, 20, 30, 0}},
        {"10\r\n20\x01\x1F"
         "30\n",
         {10, 20, 30, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParsePollList(c.typed), (TypedPollList{c.entries, {}})) << c.typed;
}

}  // namespace
}  // namespace kovex::testing
