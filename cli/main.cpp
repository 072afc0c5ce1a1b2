// kovexctl: the service tool's card commands from a terminal, for scripts and
// production lines, on the same handlers as the window.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/AllCards.h"
#include "cli/CardSession.h"
#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/Interrupt.h"
#include "cli/Json.h"
#include "cli/ResultOutput.h"
#include "cli/TerminalWindow.h"
#include "link/CardDiscovery.h"
#include "link/Clock.h"
#include "sim/SimulatedCard.h"
#include "sim/ToolCard.h"
#include "sysfs/BusErrorGuard.h"
#include "sysfs/SysfsBridge.h"

namespace {

using kovex::CommandLine;

// A run that ended before any card was reached: its one line on standard
// error, and its JSON object when asked for. Its status says why it ended,
// written or not.
int EndBeforeCard(const CommandLine& line, const std::string& error, int status,
                  std::string_view code, kovex::ResultOutput& output) {
    kovex::TerminalWindow::Note(error);
    if (line.json) {
        output.Line(
            kovex::RunJson(line, "null", status, "{}", {}, {kovex::ErrorJson(code, error)}));
    }
    return status;
}

int UsageFailure(const CommandLine& line, const std::string& error, kovex::ResultOutput& output) {
    if (!line.json) {
        kovex::TerminalWindow::Note(error);
        kovex::TerminalWindow::Note("try 'kovexctl --help'");
        return kovex::EXIT_USAGE;
    }
    return EndBeforeCard(line, error, kovex::EXIT_USAGE, kovex::USAGE_CODE, output);
}

// The KOVEX cards on the bus, by address, for --device all.
std::vector<kovex::PciAddress> CardsOnBus(kovex::AppState& state, kovex::BridgeApi& bridge,
                                          kovex::MonotonicClock& clock) {
    kovex::TerminalWindow window(state, clock, true);
    kovex::CardPort port(state, clock, [] {});
    kovex::CardOpener opener(bridge, port, window);
    const kovex::DeviceTable& table = opener.ListDevices();
    std::vector<kovex::PciAddress> cards;
    for (std::size_t i = 0; i < table.count; ++i) {
        if (table.entries[i].deviceId == kovex::PCI9030_DEVICE_ID) {
            cards.push_back(kovex::KeyAddress(table.entries[i]));
        }
    }
    return cards;
}

int RunCommand(kovex::AppState& state, kovex::BridgeApi& bridge, kovex::MonotonicClock& clock,
               const CommandLine& line, kovex::ResultOutput& output) {
    if (!line.allDevices) return kovex::CardSession(state, bridge, clock, line, output).Run();
    const std::vector<kovex::PciAddress> cards = CardsOnBus(state, bridge, clock);
    if (cards.empty()) {
        return EndBeforeCard(line, std::string(kovex::NO_CARD_ON_BUS_LINE), kovex::EXIT_NO_CARD,
                             kovex::CodeOf(kovex::Ending::NoCard), output);
    }
    return kovex::RunOnEveryCard(cards, line, output, [&](const kovex::PciAddress& address) {
        CommandLine one = line;
        one.allDevices = false;
        one.device = address;
        one.quiet = true;
        kovex::CardSession session(state, bridge, clock, one, output);
        session.PrintOneLine();
        return session.Run();
    });
}

int RunOnSimulatedCard(kovex::AppState& state, const CommandLine& line,
                       kovex::ResultOutput& output) {
    kovex::SteadyClock clock;
    kovex::SimulatedCard card(clock);
    kovex::SetUpToolCard(card);
    for (const kovex::GivenOption& given : line.simAids) {
        for (const kovex::SimTestAid& aid : kovex::ToolCardTestAids()) {
            if (aid.option != given.name) continue;
            if (std::string error = aid.apply(card, given.value.value_or("")); !error.empty()) {
                return UsageFailure(line, error, output);
            }
        }
    }
    return RunCommand(state, card, clock, line, output);
}

}  // namespace

int main(int argc, char* argv[]) {
    // Before anything is written: a reader that went away is a failed
    // write, never a death by signal.
    kovex::IgnoreBrokenPipe();
    const std::vector<std::string> words(argv + 1, argv + argc);
    const kovex::ParsedCommandLine parsed = kovex::ParseCommandLine(words);
    const CommandLine& line = parsed.line;
    kovex::ResultOutput output;
    if (line.help || line.version) {
        output.Line(line.help ? kovex::HelpText() : std::string("kovexctl " KOVEX_VERSION));
        if (!output.Failed()) return kovex::EXIT_DONE;
        kovex::TerminalWindow::Note("the text could not be written to standard output: " +
                                    output.Reason());
        return kovex::EXIT_OUTPUT_FAILED;
    }
    if (!parsed.error.empty()) return UsageFailure(line, parsed.error, output);

    kovex::AppState state;
    kovex::InstallInterruptHandler(state);
    if (line.sim) return RunOnSimulatedCard(state, line, output);
    kovex::InstallBusErrorGuard();
    kovex::SteadyClock clock;
    kovex::SysfsBridge bridge(std::filesystem::path(line.sysfsRoot) / "bus" / "pci" / "devices");
    return RunCommand(state, bridge, clock, line, output);
}
