// kovexctl: the service tool's card commands from a terminal, for scripts and
// production lines, on the same handlers as the window.
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/Interrupt.h"
#include "cli/ResultOutput.h"
#include "cli/Run.h"
#include "cli/TerminalWindow.h"
#include "link/Clock.h"
#include "sysfs/BusErrorGuard.h"
#include "sysfs/SysfsBridge.h"

int main(int argc, char* argv[]) {
    // Before anything is written: a reader that went away is a failed
    // write, never a death by signal.
    kovex::IgnoreBrokenPipe();
    const std::vector<std::string> words(argv + 1, argv + argc);
    const kovex::ParsedCommandLine parsed = kovex::ParseCommandLine(words);
    const kovex::CommandLine& line = parsed.line;
    kovex::ResultOutput output;
    if (line.help || line.version) {
        output.Line(line.help ? kovex::HelpText() : std::string("kovexctl " KOVEX_VERSION));
        if (!output.Failed()) return kovex::EXIT_DONE;
        kovex::TerminalWindow::Note("the text could not be written to standard output: " +
                                    output.Reason());
        return kovex::EXIT_OUTPUT_FAILED;
    }
    if (!parsed.error.empty()) return kovex::UsageFailure(line, parsed.error, output);

    kovex::AppState state;
    kovex::InstallInterruptHandler(state);
    if (line.replay) {
        kovex::SteadyClock clock;
        return kovex::RunOnReplayedCard(state, clock, line, output);
    }
    if (line.sim) {
        kovex::SteadyClock clock;
        return kovex::RunOnSimulatedCard(state, clock, line, output);
    }
    // A made-up tree is taken only as a folder of the user's or root's, and
    // only its regular files: it cannot turn the tool on other files.
    const bool madeUp = line.sysfsRoot != kovex::KERNEL_SYSFS;
    if (madeUp) {
        if (std::string refusal = kovex::MadeUpTreeRefusal(line.sysfsRoot); !refusal.empty()) {
            return kovex::UsageFailure(line, refusal, output);
        }
    }
    kovex::InstallBusErrorGuard();
    kovex::SteadyClock clock;
    kovex::SysfsBridge bridge(std::filesystem::path(line.sysfsRoot) / "bus" / "pci" / "devices",
                              madeUp ? kovex::SysfsTree::MadeUp : kovex::SysfsTree::Kernel);
    return kovex::RunCommand(state, bridge, clock, line, output);
}
