// --device all in process, with a stand-in for fork: a card whose run could
// not be started, or that a signal ended, is said on standard error and in
// the JSON, and counts in the run's status.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include "cli/AllCards.h"
#include "support/CapturedFile.h"

namespace kovex::testing {
namespace {

// The second card's run could not start (fork fails), or a signal ended it.
TEST(AllCards, ACardWhoseRunDidNotEndByItselfIsReportedAndCounts) {
    const std::vector<PciAddress> cards{{0, 3, 7, 0}, {0, 3, 8, 0}};
    const std::string notRun =
        "its run could not start: no process (Resource temporarily unavailable)";
    const std::string killed = "its run was ended by signal 9 (Killed)";
    struct Case {
        bool json;
        bool forkFails;  // else the second run is killed
        int status;
        std::string out;
        std::string err;
    };
    const auto object = [](int status, const char* code, const std::string& text) {
        return R"({"command":"version","args":[],"device":"0000:03:08.0","exit":)" +
               std::to_string(status) + R"(,"values":{},"log":[],"errors":[{"code":")" + code +
               R"(","text":")" + text + "\"}]}\n";
    };
    const Case cases[] = {
        {false, true, 1, "0000:03:07.0 done\n", "kovexctl: 0000:03:08.0: " + notRun + "\n"},
        {true, true, 1, "done\n" + object(1, "not_run", notRun),
         "kovexctl: 0000:03:08.0: " + notRun + "\n"},
        {true, false, 137, "done\n" + object(137, "killed", killed),
         "kovexctl: 0000:03:08.0: " + killed + "\n"},
    };
    for (const Case& c : cases) {
        CommandLine line;
        line.commandName = "version";
        line.json = c.json;
        int started = 0;
        const Spawn secondFails = [&started, &c]() -> pid_t {
            if (++started < 2 || !c.forkFails) return fork();
            errno = EAGAIN;
            return -1;
        };
        const CapturedFile out;
        ResultOutput output(out.File());
        ::testing::internal::CaptureStderr();
        const int status = RunOnEveryCard(
            cards, line, output,
            [](const PciAddress& address) {
                if (address.slot == 8) raise(SIGKILL);
                std::puts("done");
                return 0;
            },
            secondFails);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.err);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(out.Text(), c.out);
    }
}

}  // namespace
}  // namespace kovex::testing
