#include <gtest/gtest.h>

#include "console/Timer1Rule.h"
#include "link/CardRegisters.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

TEST(Timer1Rule, GetMsgFollowsModeAndTheNoMessageBitOnceACardIsOpen) {
    struct Case {
        const char* name;
        bool open;
        std::uint8_t mode;
        bool messageWaiting;
        bool getMsgBefore;
        bool getMsgAfter;
        bool readsStatus;
    };
    const Case cases[] = {
        {"not open, message waiting", false, MODE_RUN, true, false, false, false},
        {"not open keeps an enabled Get Msg", false, MODE_RUN, false, true, true, false},
        {"run mode, message waiting", true, MODE_RUN, true, false, true, true},
        {"run mode, no message", true, MODE_RUN, false, true, false, true},
        {"boot mode, message waiting", true, MODE_BOOT, true, true, false, false},
        {"mode 0, message waiting", true, 0x00, true, true, false, false},
    };
    for (const Case& c : cases) {
        CardRig rig;
        if (c.open) rig.Open();
        rig.state.CardMode = c.mode;
        if (c.messageWaiting) rig.card.QueueHostMessage({0x0A, 0x00, 0x07, 0x00});
        rig.window.enabled[Control::Button11] = c.getMsgBefore;
        const int readsBefore = rig.card.Mailbox().StatusReads();
        Timer1Timer(rig.state, rig.port, rig.window);
        EXPECT_EQ(rig.window.enabled[Control::Button11], c.getMsgAfter) << c.name;
        EXPECT_EQ(rig.card.Mailbox().StatusReads() > readsBefore, c.readsStatus) << c.name;
    }
}

TEST(Timer1Rule, CountsDownToZeroAndStaysThere) {
    CardRig rig;
    rig.state.TickCountdown = 20;
    for (int tick = 1; tick <= 20; ++tick) {
        Timer1Timer(rig.state, rig.port, rig.window);
        EXPECT_EQ(rig.state.TickCountdown, 20 - tick);
    }
    Timer1Timer(rig.state, rig.port, rig.window);
    EXPECT_EQ(rig.state.TickCountdown, 0);
}

}  // namespace
}  // namespace kovex::testing
