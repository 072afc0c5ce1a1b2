// kovexctl --sim run in process, as its main runs a command line once it has
// ignored SIGPIPE and installed its signal handlers, on a virtual clock of
// its own: the exit status and what went to each output.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Run.h"
#include "support/CapturedFile.h"

namespace kovex::testing {

struct VirtualRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline VirtualRun RunOnVirtualTime(std::vector<std::string> words) {
    words.insert(words.begin(), "--sim");
    const ParsedCommandLine parsed = ParseCommandLine(words);
    const CapturedFile out;
    ResultOutput output(out.File());
    AppState state;
    VirtualClock clock;
    ::testing::internal::CaptureStderr();
    VirtualRun run;
    run.status = parsed.error.empty() ? RunOnSimulatedCard(state, clock, parsed.line, output)
                                      : UsageFailure(parsed.line, parsed.error, output);
    run.err = ::testing::internal::GetCapturedStderr();
    run.out = out.Text();
    return run;
}

}  // namespace kovex::testing
