// What each kovexctl command does on an opened card: it calls the window's
// own handler and turns the handler's reply into the command's result, the
// values a script reads from --json included.
#pragma once

#include <optional>
#include <string>

#include "cli/CommandLine.h"
#include "cli/Json.h"
#include "cli/ResultOutput.h"
#include "link/Clock.h"
#include "seam/Outcome.h"

namespace kovex {

inline constexpr std::string_view NO_CARD_ON_BUS_LINE =
    "no KOVEX card (PCI 9030, 10b5:9030) on the bus";

class TerminalWindow;
class CardOpener;
class CardPort;
class StatusCommands;
class PollList;
class NodeMessageSender;
class ProgrammingSequence;

struct CommandContext {
    const CommandLine& line;
    TerminalWindow& window;
    CardOpener& opener;
    CardPort& port;
    StatusCommands& status;
    PollList& pollList;
    NodeMessageSender& sender;
    ProgrammingSequence& programming;
    MonotonicClock& clock;
    // Standard output, for a command that prints its results as they come.
    ResultOutput& output;
    // Where a long run's steps go as they come when a person reads standard
    // output on a terminal; null otherwise.
    ResultOutput* liveOutput;
};

struct CommandResult {
    Outcome outcome;
    // What the command read, as JSON members.
    JsonObject values;
    // The command's result in one line (--device all); the lines it logged,
    // joined, when empty.
    std::string summary;
    // Set when the card ran the command but does not report what was
    // expected (program --expect-version).
    std::optional<std::string> mismatch;
    // The results went to standard output as they came (messages --follow):
    // only a failure is said at the end.
    bool printedAsTheyCame = false;
};

CommandResult RunList(CommandContext& context);
CommandResult RunVersion(CommandContext& context);
CommandResult RunMode(CommandContext& context);
CommandResult RunRunMode(CommandContext& context);
CommandResult RunBootMode(CommandContext& context);
CommandResult RunPollSpeed(CommandContext& context);
CommandResult RunClearBuffer(CommandContext& context);
CommandResult RunGetPollList(CommandContext& context);
CommandResult RunSetPollList(CommandContext& context);
CommandResult RunSend(CommandContext& context);
CommandResult RunMessages(CommandContext& context);
CommandResult RunLoopback(CommandContext& context);
CommandResult RunProgram(CommandContext& context);
CommandResult RunDisplayClear(CommandContext& context);
CommandResult RunDisplayText(CommandContext& context);
CommandResult RunDisplayUpload(CommandContext& context);
CommandResult RunDisplaySave(CommandContext& context);
CommandResult RunDisplayShow(CommandContext& context);
CommandResult RunDisplayFont(CommandContext& context);
CommandResult RunDisplayXy(CommandContext& context);
CommandResult RunTest(CommandContext& context);

}  // namespace kovex
