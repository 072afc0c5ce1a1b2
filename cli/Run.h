// One kovexctl run after its command line is read: a usage error, the
// command on one card or on every card of the bus, or on the simulated card
// with its test aids. The clock is given, so a test runs it on virtual time.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "cli/CommandLine.h"
#include "cli/ResultOutput.h"
#include "link/BridgeApi.h"
#include "link/Clock.h"
#include "seam/AppState.h"

namespace kovex {

// The refusal on standard error (and as JSON when asked for); EXIT_USAGE.
int UsageFailure(const CommandLine& line, const std::string& error, ResultOutput& output);

// Called with each line a command logs, once it is shown.
using LogWatcher = std::function<void(std::string_view)>;

// Called with a card's exit status once its run let the card go; returns
// the status the run ends with.
using CardFinish = std::function<int(int)>;

// The command on the card the line names, or on every card with --device all;
// with --capture, the traffic recorded, the cards named in the capture
// after `cardKind` ("simulated ", or nothing for a card on the bus).
int RunCommand(AppState& state, BridgeApi& bridge, MonotonicClock& clock, const CommandLine& line,
               ResultOutput& output, const LogWatcher& watcher = {}, const CardFinish& finish = {},
               std::string_view cardKind = {});

// The command on the window tool's simulated card (or --sim-cards of them),
// their test aids applied, kept in --sim-state when given, the cards and the
// port on `clock`.
int RunOnSimulatedCard(AppState& state, MonotonicClock& clock, const CommandLine& line,
                       ResultOutput& output);

// The command on a simulated card that replays the capture --sim-replay names.
int RunOnReplayedCard(AppState& state, MonotonicClock& clock, const CommandLine& line,
                      ResultOutput& output);

}  // namespace kovex
