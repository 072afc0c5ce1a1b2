// BAR 2's file shrinks under its mapping (a real bus error) mid-work; Open works again after.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "console/PollList.h"
#include "console/StatusCommands.h"
#include "firmware/ProgrammingSequence.h"
#include "link/CardLoss.h"
#include "link/CardRegisters.h"
#include "link/CommandFrames.h"
#include "support/CardRig.h"
#include "support/FakeSysfs.h"
#include "sysfs/SysfsBridge.h"

namespace kovex::testing {
namespace {

const std::string kCard = "0000:03:07.0";
const std::string kIdleMailbox = std::string("\0\0\x02", 3) + std::string(13, '\0');

struct LossRig {
    LossRig() {
        sysfs.Add(Kovex(kCard));
        sysfs.Write(kCard, "resource2", kIdleMailbox);
        rig.window.fileAnswers = {"card.hex"};
        rig.window.yesNoAnswers = {true};
        opener.Button1Click();
        system.beforeAccess = [this](const Access& access) {
            if (access.file != "resource2" || accesses++ != pullAt) return;
            faultAt = system.accesses.size() + (access.kind == 'W' ? 1 : 0);
            std::filesystem::resize_file(sysfs.File(kCard, "resource2"), 0);
        };
    }
    FakeSysfs sysfs;
    FakeSystem system;
    SysfsBridge bridge{sysfs.Root(), system};
    CardRig rig;
    CardOpener opener{bridge, rig.port, rig.window};
    StatusCommands commands{rig.port, rig.window};
    ProgrammingSequence programmer{rig.port, rig.window, [](const std::string&) {
                                       const std::string hex = ":0100000000FF\n:00000001FF\n";
                                       return FirmwareFile({hex.begin(), hex.end()});
                                   }};
    std::size_t pullAt = 0, accesses = 0, faultAt = 0;
};

TEST(CardLoss, ALostCardEndsTheWorkWithItsLineAndWhatItLeftAndOpenWorksAgain) {
    const std::string lost = CardLostLine(CardLost(std::string("/sys/") + kCard + "/resource2"));
    struct Case {
        std::size_t pullAt;
        std::function<void(LossRig&)> run;
        std::vector<std::string> after;  // the lines after the loss's own
        std::string label;
    };
    const Case cases[] = {
        {0, [](LossRig& s) { s.rig.state.CardMode = MODE_RUN, s.rig.RunTicks(3); }, {}, "Label1"},
        {2, [](LossRig& s) { s.commands.Button4Click(); }, {}, "Label1"},  // Version's first write
        // Drain, the reset frame, drain, the erase frame: the wait for the erase's answer.
        {2 + 4 * FRAME_RESET.size(),
         [](LossRig& s) { s.programmer.Button2Click(); },
         {"Stopped after the erase: the card holds no firmware; program it again"},
         std::string(STOPPED_LOST_LABEL)},
    };
    for (const auto& [pullAt, run, after, label] : cases) {
        LossRig s;
        s.rig.window.timer2Running = true;
        s.pullAt = pullAt;
        run(s);
        const auto& log = s.rig.window.log;
        EXPECT_EQ(std::count(log.begin(), log.end(), lost), 1) << pullAt;
        ASSERT_GT(log.size(), after.size()) << pullAt;
        EXPECT_EQ(log[log.size() - after.size() - 1], lost) << pullAt;
        EXPECT_EQ(std::vector<std::string>(log.end() - static_cast<std::ptrdiff_t>(after.size()),
                                           log.end()),
                  after)
            << pullAt;
        EXPECT_EQ(s.rig.window.label, label) << pullAt;
        EXPECT_EQ(s.system.accesses.size(), s.faultAt) << pullAt;  // nothing after the fault
        EXPECT_TRUE(!s.rig.port.IsOpen() && !s.rig.window.timer2Running &&
                    s.rig.window.enabled == FakeWindow().enabled &&
                    s.rig.window.captions[Control::Button13] == CaptionOf(Control::Button13))
            << pullAt;  // closed, and the window as before Open

        s.pullAt = SIZE_MAX;
        s.sysfs.Write(kCard, "resource2", kIdleMailbox);
        s.opener.Button1Click();
        EXPECT_TRUE(s.rig.port.IsOpen() && s.rig.window.IsEnabled(Control::Button4)) << pullAt;
        EXPECT_EQ(s.rig.port.ReadStatus(), RX_EMPTY) << pullAt;
    }
}

}  // namespace
}  // namespace kovex::testing
