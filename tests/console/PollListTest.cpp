#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "PollListRig.h"
#include "console/PollList.h"
#include "console/StatusCommands.h"
#include "link/CardExchange.h"
#include "link/CardRegisters.h"
#include "link/ClickQueue.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Frames = std::vector<Bytes>;
using Lines = std::vector<std::string>;
using C = Control;

Bytes GetModeFrame() {
    return {0x00, 0x5A, 0xF0, 0x07, 0x00, 0xFF};
}
Bytes ItemFrame(std::uint8_t index) {
    return {0x00, 0x5A, 0xF0, 0x10, 0x01, index, 0xFF};
}
Bytes StatusFrame(std::uint8_t node) {
    return {0x00, 0x5A, 0xF0, 0x12, 0x01, node, 0xFF};
}
Bytes PollPtrFrame() {
    return {0x00, 0x5A, 0xF0, 0x14, 0x00, 0xFF};
}
Bytes PollNodeFrame() {
    return {0x00, 0x5A, 0xF0, 0x13, 0x00, 0xFF};
}

class PollListTest : public PollListRig {
protected:
    void TearDown() override {
        PollListRig::TearDown();
        EXPECT_TRUE(rig.window.enabled[C::Button5]);
    }
    void SetList(const Bytes& nodes) {
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            rig.card.State().pollList[static_cast<std::uint8_t>(i)] = nodes[i];
        }
    }
};

TEST_F(PollListTest, TheWorkedExampleGivesTheTwoLinesAndOneFramePerQuestion) {
    rig.card.SetMode(MODE_RUN);
    SetList({10, 20, 35});
    rig.card.State().nodeStatus[10] = 1;
    rig.card.State().nodeStatus[20] = 1;
    rig.card.Mailbox().InjectReplyBytes({0xEE});  // left over: drained, never read as the mode
    poll.Button5Click();
    EXPECT_EQ(rig.window.log, (Lines{"Poll list   =  10 20 35", "Node status =  1 1 0"}));
    EXPECT_EQ(rig.card.Mailbox().FramesReceived(),
              (Frames{GetModeFrame(), ItemFrame(0), StatusFrame(10), ItemFrame(1), StatusFrame(20),
                      ItemFrame(2), StatusFrame(35), ItemFrame(3)}));
    EXPECT_EQ(rig.state.CardMode, MODE_RUN);
    EXPECT_EQ(rig.window.enableCalls,
              (std::vector<std::pair<Control, bool>>{{C::Button5, false}, {C::Button5, true}}));
}

TEST_F(PollListTest, ModeAndDbgDecideTheLinesAndTheFrames) {
    struct Case {
        const char* name;
        std::uint8_t mode;
        bool dbg;
        Bytes list;
        Lines lines;
        Frames frames;
    };
    const Frames listWithStatus{GetModeFrame(), ItemFrame(0),    StatusFrame(10),
                                ItemFrame(1),   StatusFrame(20), ItemFrame(2)};
    const Frames listOnly{GetModeFrame(), ItemFrame(0), ItemFrame(1), ItemFrame(2)};
    Frames listWithDiagnostics = listWithStatus;
    listWithDiagnostics.push_back(PollPtrFrame());
    listWithDiagnostics.push_back(PollNodeFrame());
    const Frames empty{GetModeFrame(), ItemFrame(0)};
    const Frames emptyWithDiagnostics{GetModeFrame(), ItemFrame(0), PollPtrFrame(),
                                      PollNodeFrame()};
    // The card answers 0x14 with its two packet counters (7 sent, 9
    // received): the read takes the first, and the second stands where the
    // poll node's answer was expected.
    const Case cases[] = {
        {"run",
         MODE_RUN,
         false,
         {10, 20},
         {"Poll list   =  10 20", "Node status =  3 4"},
         listWithStatus},
        {"run, dbg",
         MODE_RUN,
         true,
         {10, 20},
         {"Poll list   =  10 20", "Node status =  3 4", "Eth poll ptr = 7", "Eth poll node = 9"},
         listWithDiagnostics},
        {"boot", MODE_BOOT, false, {10, 20}, {"Poll list   =  10 20"}, listOnly},
        {"boot, dbg", MODE_BOOT, true, {10, 20}, {"Poll list   =  10 20"}, listOnly},
        {"mode 0", 0, false, {10, 20}, {"Poll list   =  10 20"}, listWithStatus},
        {"mode 0, dbg", 0, true, {10, 20}, {"Poll list   =  10 20"}, listWithStatus},
        {"empty, run", MODE_RUN, false, {}, {"Poll list   = ", "Node status = "}, empty},
        {"empty, run, dbg",
         MODE_RUN,
         true,
         {},
         {"Poll list   = ", "Node status = ", "Eth poll ptr = 7", "Eth poll node = 9"},
         emptyWithDiagnostics},
        {"empty, boot", MODE_BOOT, true, {}, {"Poll list   = "}, empty},
    };
    for (const Case& c : cases) {
        CardRig fresh;
        fresh.Open();
        fresh.card.Timing().replyDelay = 3ms;
        fresh.card.SetMode(c.mode);
        for (std::size_t i = 0; i < c.list.size(); ++i) {
            fresh.card.State().pollList[static_cast<std::uint8_t>(i)] = c.list[i];
        }
        fresh.card.State().nodeStatus[10] = 3;
        fresh.card.State().nodeStatus[20] = 4;
        fresh.card.SetPacketCounters(7, 9);
        fresh.card.State().ethPollNode = 20;
        fresh.window.debugChecked = c.dbg;
        PollList handlers(fresh.port, fresh.window);
        handlers.Button5Click();
        EXPECT_EQ(fresh.window.log, c.lines) << c.name;
        EXPECT_EQ(fresh.card.Mailbox().FramesReceived(), c.frames) << c.name;
        EXPECT_EQ(fresh.state.CardMode, c.mode) << c.name;
        EXPECT_EQ(fresh.card.Mailbox().MalformedFrames(), 0) << c.name;
        EXPECT_TRUE(fresh.window.enabled[C::Button5]) << c.name;
    }
}

TEST_F(PollListTest, TheAnswerLeftByTheDiagnosticReadIsDrainedByTheNextRead) {
    SetList({10});
    rig.card.State().nodeStatus[10] = 2;
    rig.card.SetPacketCounters(7, 9);
    rig.card.State().ethPollNode = 10;
    rig.window.debugChecked = true;
    poll.Button5Click();
    rig.RunTicks(1);
    EXPECT_TRUE(rig.port.ByteWaiting()) << "the poll node's answer is still waiting";
    rig.window.log.clear();
    rig.window.debugChecked = false;
    poll.Button5Click();
    EXPECT_EQ(rig.window.log, (Lines{"Poll list   =  10", "Node status =  2"}));
}

std::string ValuesText(std::uint8_t count, std::uint8_t (*value)(std::uint8_t)) {
    std::string text;
    for (unsigned i = 0; i < count; ++i) {
        text += ' ' + std::to_string(value(static_cast<std::uint8_t>(i)));
    }
    return text;
}

std::uint8_t NodeAt(std::uint8_t index) {
    return static_cast<std::uint8_t>(index % 250 + 1);
}
std::uint8_t StatusOf(std::uint8_t index) {
    return static_cast<std::uint8_t>(NodeAt(index) % 3);
}

TEST_F(PollListTest, AFullListIsReadUpToIndex254AndSaysThatEntry255CannotBeRead) {
    struct Case {
        const char* name;
        std::uint8_t mode;
        std::uint8_t nonZero;  // entries 0 .. nonZero-1 hold nodes; 255 holds one too
        bool noteExpected;
        Bytes lastFrame;
    };
    const Case cases[] = {
        {"254 entries, run", MODE_RUN, 254, false, ItemFrame(254)},
        {"255 entries, run", MODE_RUN, 255, true, StatusFrame(NodeAt(254))},
        {"255 entries, boot", MODE_BOOT, 255, true, ItemFrame(254)},
    };
    for (const Case& c : cases) {
        CardRig fresh;
        fresh.Open();
        fresh.card.SetMode(c.mode);
        for (unsigned i = 0; i < 256; ++i) {
            const auto index = static_cast<std::uint8_t>(i);
            fresh.card.State().pollList[index] = i < c.nonZero || i == 255 ? NodeAt(index) : 0;
            fresh.card.State().nodeStatus[NodeAt(index)] = StatusOf(index);
        }
        PollList handlers(fresh.port, fresh.window);
        handlers.Button5Click();
        Lines expected{"Poll list   = " + ValuesText(c.nonZero, NodeAt)};
        if (c.mode == MODE_RUN) {
            expected.push_back("Node status = " + ValuesText(c.nonZero, StatusOf));
        }
        if (c.noteExpected) expected.emplace_back(LAST_ENTRY_UNREAD_LINE);
        EXPECT_EQ(fresh.window.log, expected) << c.name;
        const Frames& frames = fresh.card.Mailbox().FramesReceived();
        const auto itemQuestions = std::count_if(frames.begin(), frames.end(),
                                                 [](const Bytes& f) { return f[3] == 0x10; });
        EXPECT_EQ(itemQuestions, 255) << c.name;
        EXPECT_EQ(frames.back(), c.lastFrame) << c.name;
        EXPECT_EQ(fresh.card.Mailbox().MalformedFrames(), 0) << c.name;
    }
}

TEST_F(PollListTest, ANodeNumbered255IsListedButItsStatusIsNotAsked) {
    SetList({10, 255, 20});
    rig.card.State().nodeStatus[10] = 1;
    rig.card.State().nodeStatus[20] = 2;
    poll.Button5Click();
    EXPECT_EQ(rig.window.log, (Lines{"Poll list   =  10 255 20", "Node status =  1 - 2"}));
    EXPECT_EQ(rig.card.Mailbox().FramesReceived(),
              (Frames{GetModeFrame(), ItemFrame(0), StatusFrame(10), ItemFrame(1), ItemFrame(2),
                      StatusFrame(20), ItemFrame(3)}));
}

TEST_F(PollListTest, ASilentCardEndsTheReadWithOneLineAndGivesButton5Back) {
    SetList({10});
    rig.card.Faults().silent = true;
    poll.Button5Click();
    EXPECT_EQ(rig.window.log, Lines{CardSilentLine(rig.port)});
    EXPECT_EQ(rig.card.Mailbox().FramesReceived(), Frames{GetModeFrame()});
}

TEST_F(PollListTest, ACardStuckBusyEndsTheReadWithOneLine) {
    rig.card.Faults().stuckTxBusy = true;
    poll.Button5Click();
    EXPECT_EQ(rig.window.log, Lines{CardSilentLine(rig.port)});
    EXPECT_TRUE(rig.card.Mailbox().FramesReceived().empty());
}

TEST_F(PollListTest, ALateCardIsServedWhileNestedClicksAreRefusedAndTicksSkipped) {
    SetList({10, 20});
    rig.card.State().nodeStatus[10] = 1;
    rig.card.State().nodeStatus[20] = 1;
    rig.card.Timing().replyDelay = 2s;
    poll.Button13Click();
    StatusCommands status(rig.port, rig.window);
    rig.At(1s, [&] { status.Button6Click(); });
    rig.At(3s, [&] { poll.Button9Click(); });
    rig.At(5s, [&] { poll.Button5Click(); });
    poll.Button5Click();
    const std::string busy(PORT_TAKEN_LINE);
    EXPECT_EQ(rig.window.log,
              (Lines{busy, busy, busy, "Poll list   =  10 20", "Node status =  1 1"}));
    EXPECT_GT(rig.timer2Ticks, 50);
    EXPECT_EQ(rig.window.refreshReads, 0);
    EXPECT_TRUE(rig.window.inputBoxes.empty());
    EXPECT_EQ(rig.card.Mailbox().FramesReceived().size(), 6u);
}

// ---- the refresh ----

TEST_F(PollListTest, StartStopSwitchesTimer2AndNamesTheNextAction) {
    poll.Button13Click();
    EXPECT_TRUE(rig.window.timer2Running);
    EXPECT_EQ(rig.window.captions[C::Button13], "Stop");
    poll.Button13Click();
    EXPECT_FALSE(rig.window.timer2Running);
    EXPECT_EQ(rig.window.captions[C::Button13], "Start");
    EXPECT_TRUE(rig.card.Mailbox().HostBytes().empty());
}

TEST_F(PollListTest, EachRefreshReplacesItsOwnReadAndReadsOnce) {
    SetList({10});
    rig.card.State().nodeStatus[10] = 5;
    rig.window.AppendLog("older line");
    poll.Button13Click();
    rig.RunTicks(1);
    EXPECT_EQ(rig.window.log, (Lines{"older line", "Poll list   =  10", "Node status =  5"}));
    EXPECT_EQ(rig.window.refreshReads, 1);
    rig.card.State().pollList[1] = 20;
    rig.RunTicks(3);
    EXPECT_EQ(rig.window.log, (Lines{"older line", "Poll list   =  10 20", "Node status =  5 0"}));
    EXPECT_EQ(rig.window.refreshReads, 4);
    poll.Button13Click();
    rig.RunTicks(3);
    EXPECT_EQ(rig.window.refreshReads, 4);
    EXPECT_EQ(rig.window.clears, 0);
}

TEST_F(PollListTest, AClickDuringARefreshIsServedAfterItsExchangeAndItsLineStays) {
    Bytes nodes(128);
    std::iota(nodes.begin(), nodes.end(), 1);
    SetList(nodes);
    StatusCommands status(rig.port, rig.window);
    Nanos servedAt{0};
    const auto pollSpeedClick = [&] { ServeCardClick(rig.port, [&] { status.Button6Click(); }); };
    rig.At(300ms, [&] {
        ServeCardClick(rig.port, [&] {
            servedAt = rig.clock.Now();
            rig.At(servedAt + 1ms, pollSpeedClick);  // refused: the command holds the port
            // A card slow enough to answer that the window is pumped meanwhile.
            rig.card.Timing().replyDelay = 20ms;
            status.Button4Click();
        });
    });
    rig.At(301ms, pollSpeedClick);  // refused: the Version click already waits
    poll.Button13Click();
    rig.RunTicks(20);
    EXPECT_GT(servedAt, 300ms);
    EXPECT_LE(servedAt, 600ms);
    ASSERT_EQ(rig.window.log.size(), 5u);
    const std::string busy(PORT_TAKEN_LINE);
    EXPECT_EQ(Lines(rig.window.log.begin(), rig.window.log.begin() + 3),
              (Lines{busy, busy, "Firmware version from KOVEX = KOVEX 2.14 sim"}));
    EXPECT_EQ(rig.window.log[3].rfind("Poll list   =  1 2 3 ", 0), 0u);
    EXPECT_GE(rig.window.refreshReads, 2);
}

TEST_F(PollListTest, TicksDuringARunningReadDoNothing) {
    SetList({10, 20, 30});
    rig.card.Timing().replyDelay = 250ms;  // every answer spans two or three ticks
    poll.Button13Click();
    poll.Button5Click();
    EXPECT_GT(rig.timer2Ticks, 10);
    EXPECT_EQ(rig.window.refreshReads, 0);
    EXPECT_EQ(rig.window.log, (Lines{"Poll list   =  10 20 30", "Node status =  1 0 0"}));
    const auto modeQuestions =
        std::count(rig.card.Mailbox().FramesReceived().begin(),
                   rig.card.Mailbox().FramesReceived().end(), GetModeFrame());
    EXPECT_EQ(modeQuestions, 1);
}

TEST_F(PollListTest, TicksDuringAnotherExchangeDoNothing) {
    rig.card.Timing().replyDelay = 450ms;
    poll.Button13Click();
    StatusCommands status(rig.port, rig.window);
    status.Button6Click();
    EXPECT_GE(rig.timer2Ticks, 4);
    EXPECT_EQ(rig.window.refreshReads, 0);
    EXPECT_EQ(rig.window.log, Lines{"Poll speed = 20"});
    EXPECT_EQ(rig.card.Mailbox().FramesReceived(), (Frames{{0x00, 0x5A, 0xF0, 0x11, 0x00, 0xFF}}));
}

TEST_F(PollListTest, BootModeLeavesTheRefreshRunning) {
    SetList({10});
    StatusCommands status(rig.port, rig.window);
    status.Button7Click();
    ASSERT_TRUE(rig.window.enabled[C::Button13]);
    poll.Button13Click();
    status.Button8Click();
    EXPECT_TRUE(rig.window.timer2Running);
    EXPECT_EQ(rig.window.captions[C::Button13], "Stop");
    EXPECT_TRUE(rig.window.enabled[C::Button13]);
    rig.RunTicks(1);
    EXPECT_EQ(rig.window.log,
              (Lines{"KOVEX Responded = 102", "KOVEX Responded = 153", "Poll list   =  10"}));
    EXPECT_EQ(rig.state.CardMode, MODE_BOOT);
}

TEST(PollListBeforeOpen, ATickTouchesNothingAndAClickSaysNoCardIsOpen) {
    CardRig rig;
    PollList poll(rig.port, rig.window);
    rig.window.enabled[C::Button5] = true;
    poll.Timer2Timer();
    EXPECT_TRUE(rig.window.log.empty());
    poll.Button5Click();
    EXPECT_EQ(rig.window.log, Lines{std::string(NO_CARD_OPEN_LINE)});
    EXPECT_EQ(rig.card.Mailbox().StatusReads(), 0);
    EXPECT_EQ(rig.window.refreshReads, 0);
}

}  // namespace
}  // namespace kovex::testing
