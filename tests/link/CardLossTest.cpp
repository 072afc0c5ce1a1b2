// A card whose BAR 2 file shrinks under its mapping (a real bus error, as when
// the kernel takes a BAR away) during a tick's status read, a frame write and
// a program run: one line, nothing touched after the fault, the port closed,
// the buttons as before Open, and Open works again once the card is back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "console/PollList.h"
#include "console/StatusCommands.h"
#include "firmware/ProgrammingSequence.h"
#include "link/CardLoss.h"
#include "link/CardRegisters.h"
#include "link/CommandFrames.h"
#include "link/SysfsBridge.h"
#include "support/CardRig.h"
#include "support/FakeSysfs.h"

namespace kovex::testing {
namespace {

const std::string kCard = "0000:03:07.0";
const std::string kLostLine =
    CardLostLine(CardLost("/sys/bus/pci/devices/" + kCard + "/resource2"));
// The mailbox at rest: nothing waiting, room to send.
const std::string kIdleMailbox = std::string("\0\0\x02", 3) + std::string(13, '\0');

struct LossRig {
    LossRig() {
        sysfs.Add(Kovex(kCard));
        sysfs.Write(kCard, "resource2", kIdleMailbox);
        rig.window.fileAnswers.push_back("card.hex");
        rig.window.yesNoAnswers.push_back(true);  // program a file the check doubts
        opener.Button1Click();
        system.beforeAccess = [this](const Access& access) {
            if (access.file != "resource2" || !pullAt || accesses++ != *pullAt) return;
            faultAt = system.accesses.size();
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
    std::optional<std::size_t> pullAt;  // the resource2 access that faults
    std::size_t accesses = 0;
    std::size_t faultAt = 0;
};

TEST(CardLoss, ALostCardEndsTheWorkWithOneLineAndOpenWorksAgain) {
    struct Case {
        const char* name;
        std::size_t pullAt;
        std::function<void(LossRig&)> run;
        char faultKind;
    };
    const Case cases[] = {
        {"the tick's status read", 0,
         [](LossRig& s) {
             s.rig.state.CardMode = MODE_RUN;
             s.rig.RunTicks(3);
         },
         'R'},
        // Version: the drain's status read, then a status read per byte.
        {"a frame write", 2, [](LossRig& s) { s.commands.Button4Click(); }, 'W'},
        // Drain, the reset frame, its wait, drain, then the erase frame's first byte.
        {"a program run", 1 + 2 * FRAME_RESET.size() + 2,
         [](LossRig& s) { s.programmer.Button2Click(); }, 'W'},
    };
    for (const Case& c : cases) {
        LossRig s;
        ASSERT_TRUE(s.rig.port.IsOpen()) << c.name;
        s.rig.window.timer2Running = true;
        s.pullAt = c.pullAt;
        s.rig.window.log.clear();
        c.run(s);

        EXPECT_EQ(std::count(s.rig.window.log.begin(), s.rig.window.log.end(), kLostLine), 1)
            << c.name;
        ASSERT_FALSE(s.rig.window.log.empty()) << c.name;
        EXPECT_EQ(s.rig.window.log.back(), kLostLine) << c.name;
        // The faulting access is the last one: nothing after it.
        EXPECT_EQ(s.system.accesses.size(), s.faultAt + (c.faultKind == 'W' ? 1 : 0)) << c.name;
        EXPECT_FALSE(s.rig.port.IsOpen()) << c.name;
        EXPECT_EQ(s.rig.window.enabled, FakeWindow().enabled) << c.name;
        EXPECT_FALSE(s.rig.window.timer2Running) << c.name;
        EXPECT_EQ(s.rig.window.captions[Control::Button13], START_CAPTION) << c.name;

        // The card comes back: Open maps it afresh and the commands reach it.
        s.pullAt.reset();
        s.sysfs.Write(kCard, "resource2", kIdleMailbox);
        s.opener.Button1Click();
        EXPECT_EQ(s.rig.window.log.back(), "Chip open status is: 0200") << c.name;
        EXPECT_TRUE(s.rig.port.IsOpen() && s.rig.window.IsEnabled(Control::Button4)) << c.name;
        EXPECT_EQ(s.rig.port.ReadStatus(), RX_EMPTY) << c.name;
    }
}

}  // namespace
}  // namespace kovex::testing
