// Two kovexctl on one card of a made-up sysfs tree: the first holds it while
// it waits for a silent card; the second is refused at once naming it, or
// queues behind it with --wait-card; the card is free once the first is killed.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/FakeSysfs.h"

namespace kovex::testing {
namespace {

const std::string kCard = "0000:03:07.0";
const std::string kSent = "Sent:  00 5A F0 0A 05 01 0A 00 07 00 FF\n";

// A card that takes every byte and never answers.
struct SilentCard {
    SilentCard() {
        sysfs.Add(Kovex(kCard));
        sysfs.Write(kCard, "resource2", std::string("\0\0\x02", 3) + std::string(13, '\0'));
    }
    std::vector<std::string> Kovexctl(std::vector<std::string> args) const {
        args.insert(args.begin(), {KOVEXCTL_PATH, "--sysfs-root", sysfs.SysfsRoot().string()});
        return args;
    }
    FakeSysfs sysfs;
};

// A kovexctl holding the card while it waits for the answer to its frame.
struct HeldCard : SilentCard {
    HeldCard() { EXPECT_TRUE(holder.WaitForError("waiting for the card")); }
    std::string InUse() const {
        return "kovexctl: Card 0000:03:07.0 is in use by kovexctl (pid " +
               std::to_string(holder.Pid()) + ")";
    }
    ChildProcess holder{Kovexctl({"version"})};
};

TEST(CardInUse, ASecondKovexctlIsRefusedOrWaitsForTheCard) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        // What happens once the second one says that it waits.
        std::function<void(HeldCard&, ChildProcess&)> meanwhile;
        int status;
    };
    const Case cases[] = {
        {"refused at once", {}, nullptr, 4},
        {"waits until the holder ends",
         {"--wait-card"},
         [](HeldCard& card, ChildProcess&) { card.holder.Signal(SIGINT); },
         0},
        {"waits a second", {"--wait-card", "1"}, [](HeldCard&, ChildProcess&) {}, 4},
        {"Ctrl-C ends the wait",
         {"--wait-card"},
         [](HeldCard&, ChildProcess& second) { second.Signal(SIGINT); },
         130},
    };
    for (const Case& c : cases) {
        HeldCard card;
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"send", "10 0 7"});
        ChildProcess second(card.Kovexctl(args));
        const std::string waiting = card.InUse() + "; waiting for it (Ctrl-C stops)\n";
        if (c.meanwhile) {
            ASSERT_TRUE(second.WaitForError(waiting)) << c.name;
            c.meanwhile(card, second);
        }
        const ChildProcess::Ended run = second.Finish();
        EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.err;
        EXPECT_EQ(run.out, c.status == 0 ? kSent : "") << c.name;
        const std::string refused = card.InUse() + "; Open again when it has finished\n";
        if (c.status == 4) {
            EXPECT_EQ(run.err, (c.meanwhile ? waiting : "") + refused) << c.name;
        }
    }
}

TEST(CardInUse, TheCardIsFreeOnceItsHolderIsKilled) {
    HeldCard card;
    card.holder.Signal(SIGKILL);
    card.holder.Finish();
    ChildProcess next(card.Kovexctl({"send", "10 0 7"}));
    const ChildProcess::Ended run = next.Finish();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kSent);
}

// Listing reads only the devices' ids: it works while another program holds
// the card, and with no rights on (or no sign of) the card's register files.
TEST(CardInUse, ListingTheBusNeedsNoRightsOnTheCard) {
    HeldCard card;
    const std::string listed = "0000:03:07.0 10b5:9030 card *\n";
    EXPECT_EQ(ChildProcess(card.Kovexctl({"list"})).Finish().out, listed);
    for (const char* file : {"resource0", "resource2"})
        std::filesystem::remove(card.sysfs.File(kCard, file));
    const ChildProcess::Ended run = ChildProcess(card.Kovexctl({"list"})).Finish();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, listed);
}

}  // namespace
}  // namespace kovex::testing
