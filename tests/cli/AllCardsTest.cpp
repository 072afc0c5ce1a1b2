// --device all in process, with a stand-in for fork: a card whose run could
// not be started is said on standard error and in the JSON, and fails the run.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "cli/AllCards.h"
#include "support/CapturedFile.h"

namespace kovex::testing {
namespace {

TEST(AllCards, ACardWhoseRunCouldNotStartIsReportedAndFailsTheRun) {
    const std::vector<PciAddress> cards{{0, 3, 7, 0}, {0, 3, 8, 0}};
    const std::string why =
        "kovexctl: 0000:03:08.0: its run could not start: no process (Resource temporarily "
        "unavailable)\n";
    struct Case {
        bool json;
        std::string out;
    };
    const Case cases[] = {
        {false, "0000:03:07.0 done\n"},
        {true,
         "done\n{\"command\":\"version\",\"args\":[],\"device\":\"0000:03:08.0\",\"exit\":1,"
         "\"values\":{},\"log\":[],\"errors\":[{\"code\":\"not_run\",\"text\":\"its run could "
         "not start: no process (Resource temporarily unavailable)\"}]}\n"},
    };
    for (const Case& c : cases) {
        CommandLine line;
        line.commandName = "version";
        line.json = c.json;
        int started = 0;
        const Spawn secondFails = [&started]() -> pid_t {
            if (++started < 2) return fork();
            errno = EAGAIN;
            return -1;
        };
        const CapturedFile out;
        ResultOutput output(out.File());
        ::testing::internal::CaptureStderr();
        const int status = RunOnEveryCard(
            cards, line, output,
            [](const PciAddress&) {
                std::puts("done");
                return 0;
            },
            secondFails);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), why);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(out.Text(), c.out);
    }
}

}  // namespace
}  // namespace kovex::testing
