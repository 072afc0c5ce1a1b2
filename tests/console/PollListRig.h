// The card rig with the poll list commands on it, as both poll list test
// suites use it: the log cleared by Open forgotten, a card that answers in
// 3 ms and takes a byte every 50 us, and Timer2 wired to the refresh. Every
// test ends with a card that saw only whole frames and a free port.
#pragma once

#include <gtest/gtest.h>

#include "console/PollList.h"
#include "support/CardRig.h"

namespace kovex::testing {

class PollListRig : public ::testing::Test {
protected:
    void SetUp() override {
        rig.Open();
        rig.window.clears = 0;  // Open clears the log
        rig.card.Timing().replyDelay = 3ms;
        rig.card.Timing().txBusyHold = 50us;
        rig.timer2 = [this] { poll.Timer2Timer(); };
    }
    void TearDown() override {
        EXPECT_EQ(rig.card.Mailbox().MalformedFrames(), 0);
        EXPECT_EQ(rig.card.Mailbox().WritesWhileBusy(), 0);
        EXPECT_EQ(rig.card.Mailbox().ReadsWhileEmpty(), 0);
        EXPECT_FALSE(rig.port.Taken());
    }
    CardRig rig;
    PollList poll{rig.port, rig.window};
};

}  // namespace kovex::testing
