// One kovexctl run: opens the card as Open does, runs one command through
// the same handlers as the window, prints its result and says how it ended
// as the exit status.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/TerminalWindow.h"
#include "console/NodeMessageSender.h"
#include "console/PollList.h"
#include "console/StatusCommands.h"
#include "firmware/ProgrammingSequence.h"
#include "link/BridgeApi.h"
#include "link/CardDiscovery.h"
#include "link/CardPort.h"
#include "link/Clock.h"
#include "seam/AppState.h"

namespace kovex {

enum ExitStatus : int {
    EXIT_DONE = 0,
    EXIT_CARD_GAVE_UP = 1,
    EXIT_USAGE = 2,
    EXIT_PREFLIGHT = 3,
    EXIT_NO_CARD = 4,
    EXIT_INTERRUPTED = 130,
};

// Whether the command's name and argument count are right; the reason when not.
std::string UsageError(const CommandLine& line);

class CardSession {
public:
    CardSession(BridgeApi& bridge, MonotonicClock& clock, const CommandLine& line);

    int Run();

private:
    // What a command learnt beyond the window's state: a refused input,
    // whose log lines then go to standard error.
    struct Outcome {
        bool refused = false;
    };

    OpenResult Open();
    OpenResult OpenOnce();
    std::vector<std::string> DeviceList() const;
    Outcome RunCommand();
    Outcome Mode();
    Outcome Messages();
    Outcome SetPollList();
    Outcome Send();
    Outcome Program();
    Outcome Display();
    int Status(const Outcome& outcome) const;
    static void Print(const std::vector<std::string>& lines, bool toStderr);
    void PrintJson(const std::vector<std::string>& lines, int status) const;

    const CommandLine& line_;
    MonotonicClock& clock_;
    AppState state_;
    TerminalWindow window_;
    CardPort port_;
    CardOpener opener_;
    StatusCommands status_;
    NodeMessageSender sender_;
    PollList pollList_;
    ProgrammingSequence programming_;
};

}  // namespace kovex
