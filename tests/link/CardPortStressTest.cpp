// The card port against a misbehaving card and a busy window: nested modal
// windows during a wait, replies at the edge of the limit, silent cards, a
// card that keeps sending, and what the pacing of a wait costs the window.
#include <gtest/gtest.h>

#include <functional>

#include "console/StatusCommands.h"
#include "link/CardExchange.h"
#include "link/CardRegisters.h"
#include "link/CommandFrames.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

constexpr Nanos MODAL_OPEN_FOR = 11s;

// A modal window a person keeps open for `openFor` inside a pump: virtual
// time runs on, and if it pumps itself Timer1 and scheduled actions keep
// running in it, as in a real nested event loop.
std::function<void()> ModalWindow(CardRig& rig, Nanos openFor, bool pumpsItself) {
    return [&rig, openFor, pumpsItself] {
        const Nanos closeAt = rig.clock.Now() + openFor;
        while (rig.clock.Now() < closeAt) {
            rig.clock.Advance(10ms);
            if (pumpsItself) rig.Pump();
        }
    };
}

// Each case opens a card of its own that answers Poll Speed with 17.
void OpenWithPollSpeed17(CardRig& rig) {
    rig.Open();
    rig.card.State().pollSpeed = 17;
}

TEST(CardPortStressTest, ACardThatAnswersIsServedHoweverLongANestedWindowStaysOpen) {
    struct Case {
        const char* name;
        Nanos replyDelay;
        Nanos txBusyHold;
        bool pumpsItself;
    };
    const Case cases[] = {
        {"during the reply wait, modal pumps", 30ms, 0ns, true},
        {"during the reply wait, modal blocks", 30ms, 0ns, false},
        {"inside SendFrame, modal pumps", 0ns, 4ms, true},
        {"inside SendFrame, modal blocks", 0ns, 4ms, false},
    };
    const Bytes pollSpeedFrame(FRAME_GET_POLL_SPEED.begin(), FRAME_GET_POLL_SPEED.end());
    for (const Case& c : cases) {
        CardRig rig;
        OpenWithPollSpeed17(rig);
        rig.card.Timing().replyDelay = c.replyDelay;
        rig.card.Timing().txBusyHold = c.txBusyHold;
        StatusCommands commands{rig.port, rig.window};
        std::optional<std::size_t> bytesSentWhenOpened;
        rig.At(1ms, [&] {
            bytesSentWhenOpened = rig.card.Mailbox().HostBytes().size();
            ModalWindow(rig, MODAL_OPEN_FOR, c.pumpsItself)();
        });
        commands.Button6Click();
        EXPECT_EQ(rig.window.log, Lines{"Poll speed = 17"}) << c.name;
        EXPECT_EQ(rig.card.Mailbox().FramesReceived(), std::vector<Bytes>{pollSpeedFrame})
            << c.name;
        EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0) << c.name;
        EXPECT_FALSE(rig.port.Taken()) << c.name;
        ASSERT_TRUE(bytesSentWhenOpened.has_value()) << c.name << ": the modal window opened";
        if (c.txBusyHold > 0ns) {
            EXPECT_GT(*bytesSentWhenOpened, 0u) << c.name << ": opened in the middle of the frame";
            EXPECT_LT(*bytesSentWhenOpened, pollSpeedFrame.size()) << c.name;
        } else {
            EXPECT_EQ(*bytesSentWhenOpened, pollSpeedFrame.size()) << c.name;
        }
    }
}

TEST(CardPortStressTest, AReplyReadyJustBeforeTheLimitIsTaken) {
    for (const Nanos early : {Nanos{1us}, Nanos{100us}, Nanos{200us}, Nanos{399us}, Nanos{1ms}}) {
        CardRig rig;
        OpenWithPollSpeed17(rig);
        // The wait for the reply starts at once: the frame goes out at time 0.
        rig.card.Timing().repliesNotBefore = rig.clock.Now() + CardPort::GIVE_UP_AFTER - early;
        StatusCommands commands{rig.port, rig.window};
        commands.Button6Click();
        EXPECT_EQ(rig.window.log, Lines{"Poll speed = 17"}) << early.count() << " ns early";
    }
}

TEST(CardPortStressTest, ASilentCardIsStillGivenUpOnceTheWaitWatchedItForTheLimit) {
    struct Case {
        const char* name;
        std::function<void(CardRig&)> window;  // what the window does meanwhile
        Nanos atLeast;
        Nanos atMost;
    };
    const Nanos limit = CardPort::GIVE_UP_AFTER;
    const Nanos longestPump = WaitPacer::LONGEST_COUNTED_PUMP;
    const Case cases[] = {
        {"nothing", [](CardRig&) {}, limit, limit + 1ms},
        {"a modal window at 2 s",
         [](CardRig& r) { r.At(2s, ModalWindow(r, MODAL_OPEN_FOR, true)); },
         limit + MODAL_OPEN_FOR - longestPump, limit + MODAL_OPEN_FOR + 1ms},
        {"a modal window just before the limit",
         [](CardRig& r) { r.At(9990ms, ModalWindow(r, MODAL_OPEN_FOR, false)); },
         9990ms + MODAL_OPEN_FOR, limit + MODAL_OPEN_FOR + 1ms},
        {"two modal windows",
         [](CardRig& r) {
             r.At(1s, ModalWindow(r, MODAL_OPEN_FOR, true));
             r.At(15s, ModalWindow(r, MODAL_OPEN_FOR, false));
         },
         limit + 2 * (MODAL_OPEN_FOR - longestPump), limit + 2 * MODAL_OPEN_FOR + 1ms},
    };
    for (const Case& c : cases) {
        CardRig rig;
        rig.Open();
        rig.card.Faults().silent = true;
        c.window(rig);
        StatusCommands commands{rig.port, rig.window};
        const Nanos start = rig.clock.Now();
        commands.Button6Click();
        const Nanos waited = rig.clock.Now() - start;
        EXPECT_EQ(rig.window.log, Lines{CardSilentLine(rig.port)}) << c.name;
        EXPECT_GE(waited, c.atLeast) << c.name;
        EXPECT_LE(waited, c.atMost) << c.name;
        EXPECT_FALSE(rig.port.Taken()) << c.name;
    }
}

TEST(CardPortSlowWindow, ASlowWindowCountsTowardsTheSilence) {
    // Every pump takes 30 ms (a window busy painting): that is the wait's own
    // time, so a silent card is given up on after about the limit.
    CardRig rig;
    rig.card.Faults().silent = true;
    CardPort slowPort(rig.state, rig.clock, [&rig] {
        rig.clock.Advance(30ms);
        rig.Pump();
    });
    slowPort.SetGiveUpAfter(2s);  // not the rig's own port's time: the line says which port
    CardOpener opener(rig.card, slowPort, rig.window);
    opener.Button1Click();
    rig.window.log.clear();
    StatusCommands commands{slowPort, rig.window};
    const Nanos start = rig.clock.Now();
    commands.Button6Click();
    const Nanos waited = rig.clock.Now() - start;
    EXPECT_EQ(rig.window.log, Lines{CardSilentLine(slowPort)});
    EXPECT_GE(waited, 2s);
    EXPECT_LT(waited, 2s + 40ms);
}

TEST(CardPortStressTest, DrainRepliesStopsAtItsBoundAndTheHandlerSaysHowManyBytesWent) {
    struct Case {
        std::size_t waiting;
        Lines log;
        std::size_t leftWaiting;
    };
    const std::size_t most = CardPort::DRAIN_MOST_BYTES;
    const Case cases[] = {
        {most, {"Poll speed = 17"}, 0},
        {most + 1, {CardKeepsSendingLine(most)}, 1},
        {3 * most, {CardKeepsSendingLine(most)}, 2 * most},
    };
    for (const Case& c : cases) {
        CardRig rig;
        OpenWithPollSpeed17(rig);
        rig.card.Mailbox().InjectReplyBytes(Bytes(c.waiting, 0x00));
        StatusCommands commands{rig.port, rig.window};
        commands.Button6Click();
        EXPECT_EQ(rig.window.log, c.log) << c.waiting;
        EXPECT_EQ(rig.pumps, 0) << c.waiting << ": a drain does not pump";
        EXPECT_FALSE(rig.port.Taken()) << c.waiting;
        if (c.leftWaiting > 0) {
            EXPECT_TRUE(rig.card.Mailbox().FramesReceived().empty())
                << c.waiting << ": nothing sent";
        }
        std::size_t left = 0;
        while (rig.port.ByteWaiting() && left <= c.leftWaiting) {
            rig.port.ReadData();
            ++left;
        }
        EXPECT_EQ(left, c.leftWaiting) << c.waiting;
    }
    EXPECT_EQ(CardKeepsSendingLine(4096),
              "KOVEX keeps sending: 4096 bytes thrown away; command abandoned");
}

TEST(CardPortStressTest, ACardThatNeverStopsSendingEndsEachHandlerWithOneLine) {
    struct Case {
        const char* name;
        std::function<void(StatusCommands&)> handler;
    };
    const Case cases[] = {
        {"Version", &StatusCommands::Button4Click},
        {"Poll Speed", &StatusCommands::Button6Click},
        {"Get Msg", &StatusCommands::Button11Click},
        {"Loopback", &StatusCommands::Button15Click},
    };
    CardRig rig;
    rig.Open();
    StatusCommands commands{rig.port, rig.window};
    rig.card.QueueHostMessage({0x0A, 0x00, 0x07, 0x00});  // NO_MESSAGE clear: Get Msg goes on
    rig.card.Faults().endlessStream = true;
    for (const Case& c : cases) {
        rig.window.log.clear();
        c.handler(commands);
        EXPECT_EQ(rig.window.log, Lines{CardKeepsSendingLine(CardPort::DRAIN_MOST_BYTES)})
            << c.name;
        EXPECT_FALSE(rig.port.Taken()) << c.name;
    }
    EXPECT_TRUE(rig.card.Mailbox().FramesReceived().empty());
    EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0);
    EXPECT_EQ(rig.card.Mailbox().WritesWhileBusy(), 0);
    EXPECT_EQ(rig.card.Mailbox().ReadsWhileEmpty(), 0);
}

TEST(CardPortStressTest, ADrainEndsAtOnceWhenTheWindowIsClosing) {
    CardRig rig;
    rig.Open();
    rig.card.Mailbox().InjectReplyBytes({1, 2, 3});
    rig.state.Closing = true;
    EXPECT_THROW(rig.port.DrainReplies(), WindowClosing);
    EXPECT_TRUE(rig.port.ByteWaiting());
}

TEST(CardPortStressTest, WaitsPumpTheWindowOftenEnoughButNotOnEveryPoll) {
    struct Case {
        const char* name;
        std::function<void(CardRig&)> card;
        std::function<void(CardPort&)> wait;
        bool pollsTheCard;
    };
    const Case cases[] = {
        {"reply after 2 s", [](CardRig& r) { r.card.Timing().replyDelay = 2s; },
         [](CardPort& p) {
             p.SendFrame(FRAME_GET_POLL_SPEED);
             p.ReadReplyByte();
         },
         true},
        {"TX_BUSY for 2 s after a byte", [](CardRig& r) { r.card.Timing().txBusyHold = 2s; },
         [](CardPort& p) { p.SendFrame(FRAME_GET_POLL_SPEED); }, true},
        {"WaitForReply on a silent card", [](CardRig& r) { r.card.Faults().silent = true; },
         [](CardPort& p) { p.WaitForReply(20); }, true},
        {"WaitTicks", [](CardRig&) {}, [](CardPort& p) { p.WaitTicks(20); }, false},
    };
    const WaitPacing pacing;
    for (const Case& c : cases) {
        CardRig rig;
        rig.Open();
        c.card(rig);
        rig.lastPumpAt = rig.clock.Now();
        const Nanos start = rig.clock.Now();
        c.wait(rig.port);
        const Nanos waited = rig.clock.Now() - start;
        const Nanos longestGap = std::max(rig.longestPumpGap, rig.clock.Now() - rig.lastPumpAt);
        EXPECT_GE(waited, 1900ms) << c.name;
        EXPECT_LE(longestGap, pacing.pumpEvery + pacing.longestSleep) << c.name;
        EXPECT_LE(rig.pumps, waited / pacing.pumpEvery + 2) << c.name;
        if (c.pollsTheCard) {
            // The status is still read at least every two poll intervals.
            EXPECT_GE(rig.card.Mailbox().StatusReads(), waited / (2 * pacing.longestSleep))
                << c.name;
        }
    }
}

// Get Msg collects its reply in a loop of its own, paced as the port says.
TEST(CardPortStressTest, GetMsgWaitsAtThePacingSetOnThePort) {
    const WaitPacing cases[] = {WaitPacing{}, WaitPacing{.pumpEvery = 0ns},
                                WaitPacing{.pumpEvery = 40ms}};
    for (const WaitPacing& pacing : cases) {
        CardRig rig;
        rig.Open();
        rig.port.SetPacing(pacing);
        rig.card.QueueHostMessage({0x0A, 0x00, 0x07, 0x00});
        rig.card.Faults().silent = true;  // the message never comes: the five ticks run out
        StatusCommands commands{rig.port, rig.window};
        rig.pumps = 0;
        const Nanos start = rig.clock.Now();
        commands.Button11Click();
        const Nanos waited = rig.clock.Now() - start;
        const auto name = std::to_string(pacing.pumpEvery.count()) + " ns between pumps";
        EXPECT_EQ(rig.window.log, Lines{"0 Bytes recieved: "}) << name;
        EXPECT_GE(rig.pumps, waited / (pacing.pumpEvery + pacing.longestSleep) - 1) << name;
        if (pacing.pumpEvery > 0ns) {
            EXPECT_LE(rig.pumps, waited / pacing.pumpEvery + 2) << name;
        }
    }
}

}  // namespace
}  // namespace kovex::testing
