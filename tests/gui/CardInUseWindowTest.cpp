// The main window holds the card it opened until the window goes: kovexctl
// on the same card is refused meanwhile, naming the window's program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <memory>

#include "link/Clock.h"
#include "shell/ui/FWUnit1.h"
#include "support/ChildProcess.h"
#include "support/FakeSysfs.h"
#include "sysfs/SysfsBridge.h"

namespace kovex::testing {
namespace {

TEST(CardInUseWindow, KovexctlIsRefusedWhileTheWindowHoldsTheCard) {
    FakeSysfs sysfs;
    sysfs.Add(Kovex("0000:03:07.0"));
    sysfs.Write("0000:03:07.0", "resource2", std::string("\0\0\x02", 3) + std::string(13, '\0'));
    VirtualClock clock;
    SysfsBridge bridge(sysfs.Root());
    auto form = std::make_unique<TForm1>(bridge, clock, [] { QCoreApplication::processEvents(); });
    form->Button1Click();
    const auto send = [&sysfs] {
        return ChildProcess(
                   {KOVEXCTL_PATH, "--sysfs-root", sysfs.SysfsRoot().string(), "send", "10 0 7"})
            .Finish();
    };
    const ChildProcess::Ended refused = send();
    EXPECT_EQ(refused.status, 4);
    EXPECT_EQ(refused.err, "kovexctl: Card 0000:03:07.0 is in use by kovex_gui_tests (pid " +
                               std::to_string(getpid()) + "); Open again when it has finished\n");

    form.reset();
    EXPECT_EQ(send().status, 0);
}

}  // namespace
}  // namespace kovex::testing
