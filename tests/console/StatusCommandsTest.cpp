#include <gtest/gtest.h>

#include <functional>

#include "console/NodeMessageSender.h"
#include "console/PollList.h"
#include "console/StatusCommands.h"
#include "link/CardExchange.h"
#include "link/CardRegisters.h"
#include "link/CommandFrames.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;
using Enables = std::vector<std::pair<Control, bool>>;
using C = Control;

class StatusCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        rig.Open();
        rig.card.Timing().replyDelay = 3ms;
        rig.card.Timing().txBusyHold = 50us;
    }
    void TearDown() override {
        EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0);
        EXPECT_EQ(rig.card.Mailbox().WritesWhileBusy(), 0);
        EXPECT_EQ(rig.card.Mailbox().ReadsWhileEmpty(), 0);
        EXPECT_FALSE(rig.port.Taken());
    }
    CardRig rig;
    StatusCommands commands{rig.port, rig.window};
};

const Enables kRunModeEnables{{C::Button6, true},
                              {C::Button10, true},
                              {C::Button13, true},
                              {C::Button14, true},
                              {C::Button16, true}};
const Enables kBootModeDisables{
    {C::Button6, false}, {C::Button10, false}, {C::Button14, false}, {C::Button16, false}};
const Enables kLoopbackEnables{{C::Button6, true}, {C::Button10, true}, {C::Button13, true}};

std::string VersionWithZeroInside() {
    std::string text(255, 'v');
    text[7] = '\0';
    return text;
}

TEST_F(StatusCommandsTest, EachStatusHandlerSendsItsFrameAndLogsItsReply) {
    struct Case {
        const char* name;
        std::function<void(StatusCommands&)> handler;
        std::optional<Bytes> reply;  // nullopt: the card's own answer
        std::string version;
        FixedFrame frame;
        std::string line;
        std::uint8_t modeAfter;
        Enables enables;
    };
    const std::string longVersion = VersionWithZeroInside();
    const Case cases[] = {
        {"version",
         &StatusCommands::Button4Click,
         {},
         "KOVEX 2.14",
         FRAME_GET_VERSION,
         "Firmware version from KOVEX = KOVEX 2.14",
         0,
         {}},
        {"version of length 0",
         &StatusCommands::Button4Click,
         {},
         "",
         FRAME_GET_VERSION,
         "Firmware version from KOVEX = ",
         0,
         {}},
        {"version of 255 with a zero byte",
         &StatusCommands::Button4Click,
         {},
         longVersion,
         FRAME_GET_VERSION,
         "Firmware version from KOVEX = " + longVersion,
         0,
         {}},
        {"poll speed 0",
         &StatusCommands::Button6Click,
         Bytes{0},
         "",
         FRAME_GET_POLL_SPEED,
         "Poll speed = 0",
         0,
         {}},
        {"poll speed 255",
         &StatusCommands::Button6Click,
         Bytes{255},
         "",
         FRAME_GET_POLL_SPEED,
         "Poll speed = 255",
         0,
         {}},
        {"run mode",
         &StatusCommands::Button7Click,
         {},
         "",
         FRAME_RUN_MODE,
         "KOVEX Responded = 102",
         MODE_RUN,
         kRunModeEnables},
        {"run mode answered 0", &StatusCommands::Button7Click, Bytes{0}, "", FRAME_RUN_MODE,
         "KOVEX Responded = 0", MODE_RUN, kRunModeEnables},
        {"boot mode",
         &StatusCommands::Button8Click,
         {},
         "",
         FRAME_BOOT_MODE,
         "KOVEX Responded = 153",
         MODE_BOOT,
         kBootModeDisables},
        {"clear buff 255",
         &StatusCommands::Button12Click,
         Bytes{255},
         "",
         FRAME_CLEAR_BUFFER,
         "KOVEX Responded = 255",
         0,
         {}},
        {"loopback", &StatusCommands::Button15Click, Bytes{17, 16}, "", FRAME_GET_ETH_POLL_PTR,
         "KOVEX Responded = 17 Packets sent, 16 Packets recieved", MODE_RUN, kLoopbackEnables},
    };
    for (const Case& c : cases) {
        CardRig fresh;
        fresh.Open();
        fresh.card.Timing().replyDelay = 3ms;
        fresh.card.State().versionText = c.version;
        if (c.reply) fresh.card.Mailbox().OverrideNextReply(*c.reply);
        fresh.card.Mailbox().InjectReplyBytes({0xEE});  // left over: drained, never logged
        StatusCommands handlers(fresh.port, fresh.window);
        c.handler(handlers);
        EXPECT_EQ(fresh.window.log, Lines{c.line}) << c.name;
        EXPECT_EQ(fresh.card.Mailbox().FramesReceived(),
                  (std::vector<Bytes>{Bytes(c.frame.begin(), c.frame.end())}))
            << c.name;
        EXPECT_EQ(fresh.state.CardMode, c.modeAfter) << c.name;
        EXPECT_EQ(fresh.window.enableCalls, c.enables) << c.name;
        EXPECT_FALSE(fresh.port.ByteWaiting()) << c.name;
        EXPECT_EQ(fresh.card.Mailbox().MalformedFrames(), 0) << c.name;
    }
}

TEST_F(StatusCommandsTest, VersionKeepsTheReplyInTheSharedBuffer) {
    rig.card.State().versionText = "AB";
    rig.state.VersionReply.fill(0x55);
    commands.Button4Click();
    EXPECT_EQ(rig.state.VersionReply[0], 'A');
    EXPECT_EQ(rig.state.VersionReply[1], 'B');
    EXPECT_EQ(rig.state.VersionReply[2], 0x55);
}

TEST_F(StatusCommandsTest, RunModeTwiceSendsTwiceAndChangesNothingElse) {
    commands.Button7Click();
    commands.Button7Click();
    EXPECT_EQ(rig.window.log, (Lines{"KOVEX Responded = 102", "KOVEX Responded = 102"}));
    EXPECT_EQ(rig.card.Mailbox().FramesReceived().size(), 2u);
    EXPECT_EQ(rig.state.CardMode, MODE_RUN);
    for (const Control control : {C::Button6, C::Button10, C::Button13, C::Button14, C::Button16}) {
        EXPECT_TRUE(rig.window.enabled[control]);
    }
}

TEST_F(StatusCommandsTest, BootModeLeavesStartAsItWas) {
    commands.Button7Click();
    commands.Button8Click();
    EXPECT_TRUE(rig.window.enabled[C::Button13]);
    EXPECT_EQ(rig.state.CardMode, MODE_BOOT);
}

TEST_F(StatusCommandsTest, LoopbackAfterBootModeBringsGetMsgBackButNotTestOrGraphic) {
    commands.Button7Click();
    commands.Button8Click();
    rig.card.QueueHostMessage({0x0A, 0x00, 0x07, 0x00});
    rig.RunTicks(1);
    EXPECT_FALSE(rig.window.enabled[C::Button11]) << "boot mode keeps Get Msg off";
    commands.Button15Click();
    rig.RunTicks(1);
    EXPECT_TRUE(rig.window.enabled[C::Button11]);
    EXPECT_FALSE(rig.window.enabled[C::Button14]);
    EXPECT_FALSE(rig.window.enabled[C::Button16]);
    EXPECT_EQ(rig.state.CardMode, MODE_RUN);
}

TEST_F(StatusCommandsTest, GetMsgCollectsOneMessageWithinFiveTicks) {
    Bytes longMessage{0x0A, 0x00, 0x07, 252};
    for (int i = 0; i < 252; ++i)
        longMessage.push_back(static_cast<std::uint8_t>(i));
    struct Case {
        const char* name;
        Bytes message;
        std::size_t expectedCount;
    };
    const Case cases[] = {
        {"six bytes", {0x0A, 0x00, 0x07, 0x02, 0x31, 0x32}, 6},
        {"byte 3 is 0", {0x0A, 0x00, 0x07, 0x00, 0x55, 0x66}, 4},
        {"fewer than four bytes", {0x0A, 0x00}, 2},
        {"length 252 stops at 255", longMessage, 255},
    };
    for (const Case& c : cases) {
        CardRig fresh;
        fresh.Open();
        fresh.card.Timing().replyDelay = 3ms;
        fresh.card.QueueHostMessage(c.message);
        fresh.card.Mailbox().InjectReplyBytes({0x99, 0x98});  // stale: drained, never shown
        StatusCommands handlers(fresh.port, fresh.window);
        handlers.Button11Click();
        const Bytes shown(c.message.begin(),
                          c.message.begin() + static_cast<std::ptrdiff_t>(c.expectedCount));
        EXPECT_EQ(fresh.window.log, Lines{ReceivedMessageLine(shown)}) << c.name;
        EXPECT_EQ(fresh.card.Mailbox().FramesReceived().back(),
                  Bytes(FRAME_GET_MESSAGE.begin(), FRAME_GET_MESSAGE.end()))
            << c.name;
    }
}

TEST_F(StatusCommandsTest, GetMsgLineLayout) {
    EXPECT_EQ(ReceivedMessageLine(Bytes{0x0A, 0x00, 0x07, 0x02, 0x31, 0x32}),
              "6 Bytes recieved:  0A 00 07 02 31 32");
    EXPECT_EQ(ReceivedMessageLine(Bytes{}), "0 Bytes recieved: ");
}

TEST_F(StatusCommandsTest, GetMsgShowsWhatArrivedBeforeTheTimeRanOut) {
    rig.card.QueueHostMessage({0x01});  // clears NO_MESSAGE; its reply is cut below
    rig.card.Mailbox().OverrideNextReply({0x0A, 0x00});
    rig.At(rig.clock.Now() + 200ms, [this] {
        rig.card.Mailbox().InjectReplyBytes({0x07, 0x05, 0x31});
    });
    rig.At(rig.clock.Now() + 700ms, [this] { rig.card.Mailbox().InjectReplyBytes({0x32, 0x33}); });
    commands.Button11Click();
    EXPECT_EQ(rig.window.log, Lines{"5 Bytes recieved:  0A 00 07 05 31"});
    EXPECT_EQ(rig.state.TickCountdown, 0);
}

TEST_F(StatusCommandsTest, GetMsgWithNoMessageSendsNothing) {
    commands.Button11Click();
    EXPECT_EQ(rig.window.log, Lines{"No messages available"});
    EXPECT_TRUE(rig.card.Mailbox().HostBytes().empty());
}

// Every register reads all ones, as on a bus where nothing answers.
class AbsentCard final : public MappedRegion {
public:
    std::uint8_t Read8(std::size_t /*offset*/) override { return 0xFF; }
    void Write8(std::size_t /*offset*/, std::uint8_t /*value*/) override { ++writes; }
    void Write32(std::size_t /*offset*/, std::uint32_t /*value*/) override { ++writes; }
    int writes = 0;
};

TEST_F(StatusCommandsTest, GetMessagesFetchesUntilNoneWaits) {
    rig.card.QueueHostMessage({0x0A, 0x00, 0x07, 0x01, 0x31});
    rig.card.QueueHostMessage({0x0C, 0x00, 0x07, 0x00});
    const auto two = commands.GetMessages(64);
    EXPECT_TRUE(two.outcome);
    EXPECT_EQ(two.value,
              (std::vector<Bytes>{{0x0A, 0x00, 0x07, 0x01, 0x31}, {0x0C, 0x00, 0x07, 0x00}}));
    EXPECT_EQ(rig.window.log,
              (Lines{"5 Bytes recieved:  0A 00 07 01 31", "4 Bytes recieved:  0C 00 07 00"}));
    rig.window.log.clear();
    EXPECT_TRUE(commands.GetMessages(64).value.empty());
    EXPECT_EQ(rig.window.log, Lines{"No messages available"});
}

// A status of FF is told at the first status read of every command, not
// after the give-up time, and nothing is written to the card.
TEST_F(StatusCommandsTest, AnAbsentCardEndsEveryCommandAtOnce) {
    PollList pollList(rig.port, rig.window);
    NodeMessageSender sender(rig.port, rig.window);
    rig.window.inputAnswers.assign(3, "10 12 0");
    rig.window.yesNoAnswers.assign(3, true);
    const std::pair<const char*, std::function<Ending()>> commandsRun[] = {
        {"version", [&] { return commands.Button4Click().outcome.ending; }},
        {"mode", [&] { return commands.GetMode().outcome.ending; }},
        {"run mode", [&] { return commands.Button7Click().outcome.ending; }},
        {"boot mode", [&] { return commands.Button8Click().outcome.ending; }},
        {"poll speed", [&] { return commands.Button6Click().outcome.ending; }},
        {"clear buffer", [&] { return commands.Button12Click().outcome.ending; }},
        {"loopback", [&] { return commands.Button15Click().outcome.ending; }},
        {"get msg", [&] { return commands.Button11Click().outcome.ending; }},
        {"messages", [&] { return commands.GetMessages(64).outcome.ending; }},
        {"poll list get", [&] { return pollList.Button5Click().outcome.ending; }},
        {"poll list set", [&] { return pollList.Button9Click().outcome.ending; }},
        {"send", [&] { return sender.SendAlone("10 0 7").outcome.ending; }},
    };
    AbsentCard absent;
    rig.port.Attach(absent);
    for (const auto& [name, run] : commandsRun) {
        SCOPED_TRACE(name);
        rig.window.log.clear();
        const Nanos start = rig.clock.Now();
        EXPECT_EQ(run(), Ending::Absent);
        EXPECT_LT(rig.clock.Now() - start, 100ms);
        EXPECT_EQ(rig.window.log, Lines{std::string(CARD_ABSENT_LINE)});
    }
    EXPECT_EQ(absent.writes, 0);
}

TEST_F(StatusCommandsTest, ANestedClickDuringAFrameNeverPutsAByteInsideIt) {
    rig.card.Timing().txBusyHold = 2ms;
    int nested = 0;
    for (const Nanos at : {1ms, 3ms, 5ms, 9ms}) {
        rig.At(at, [&] {
            ++nested;
            commands.Button12Click();
        });
    }
    commands.Button4Click();
    EXPECT_EQ(nested, 4);
    EXPECT_EQ(rig.card.Mailbox().FramesReceived().size(), 1u);
    EXPECT_EQ(rig.card.Mailbox().FramesReceived()[0],
              Bytes(FRAME_GET_VERSION.begin(), FRAME_GET_VERSION.end()));
    EXPECT_EQ(
        std::count(rig.window.log.begin(), rig.window.log.end(), std::string(PORT_TAKEN_LINE)), 4);
}

TEST(StatusCommandsBeforeOpen, ClearBuffAndLoopbackOnlySayNoCardIsOpen) {
    CardRig rig;
    StatusCommands commands(rig.port, rig.window);
    commands.Button12Click();
    commands.Button15Click();
    EXPECT_EQ(rig.window.log,
              (Lines{std::string(NO_CARD_OPEN_LINE), std::string(NO_CARD_OPEN_LINE)}));
    EXPECT_EQ(rig.card.Mailbox().StatusReads(), 0);
    EXPECT_TRUE(rig.window.enableCalls.empty());
    EXPECT_EQ(rig.state.CardMode, 0);
}

TEST_F(StatusCommandsTest, ASilentCardEndsTheHandlerWithOneLineAndFreesThePort) {
    rig.card.Faults().silent = true;
    commands.Button7Click();
    EXPECT_EQ(rig.window.log, Lines{CardSilentLine(rig.port)});
    for (const Control control : {C::Button6, C::Button10, C::Button13, C::Button14, C::Button16}) {
        EXPECT_FALSE(rig.window.enabled[control]);
    }
    EXPECT_EQ(rig.state.CardMode, 0);
}

}  // namespace
}  // namespace kovex::testing
