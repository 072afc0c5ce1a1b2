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
#include "link/BusErrorGuard.h"
#include "link/CardDiscovery.h"
#include "link/Clock.h"
#include "link/SysfsBridge.h"
#include "sim/SimulatedCard.h"
#include "sim/ToolCard.h"

namespace {

using kovex::CommandLine;

int UsageFailure(const CommandLine& line, const std::string& error, kovex::ResultOutput& output) {
    kovex::TerminalWindow::Note(error);
    if (line.json) {
        output.Line(
            kovex::JsonObject()
                .Add("command",
                     line.commandName.empty() ? "null" : kovex::JsonString(line.commandName))
                .Add("args", kovex::JsonArray(line.args))
                .Add("device", "null")
                .Add("exit", kovex::JsonNumber(kovex::EXIT_USAGE))
                .Add("values", "{}")
                .Add("log", "[]")
                .Add("errors", kovex::JsonList({kovex::ErrorJson(kovex::USAGE_CODE, error)}))
                .Text());
    } else {
        kovex::TerminalWindow::Note("try 'kovexctl --help'");
    }
    return kovex::EXIT_USAGE;
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
        kovex::TerminalWindow::Note("no KOVEX card (PCI 9030, 10b5:9030) on the bus");
        return kovex::EXIT_NO_CARD;
    }
    return kovex::RunOnEveryCard(cards, line.json, output, [&](const kovex::PciAddress& address) {
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
    const std::vector<std::string> words(argv + 1, argv + argc);
    const kovex::ParsedCommandLine parsed = kovex::ParseCommandLine(words);
    const CommandLine& line = parsed.line;
    kovex::ResultOutput output;
    if (line.help) {
        output.Line(kovex::HelpText());
        return output.Failed() ? kovex::EXIT_OUTPUT_FAILED : kovex::EXIT_DONE;
    }
    if (line.version) {
        output.Line("kovexctl " KOVEX_VERSION);
        return output.Failed() ? kovex::EXIT_OUTPUT_FAILED : kovex::EXIT_DONE;
    }
    if (!parsed.error.empty()) return UsageFailure(line, parsed.error, output);

    kovex::AppState state;
    kovex::InstallInterruptHandler(state);
    if (line.sim) return RunOnSimulatedCard(state, line, output);
    // A made-up tree is taken only as a folder of the user's or root's, and
    // only its regular files: it cannot turn the tool on other files.
    const bool madeUp = line.sysfsRoot != kovex::KERNEL_SYSFS;
    if (madeUp) {
        if (std::string refusal = kovex::MadeUpTreeRefusal(line.sysfsRoot); !refusal.empty()) {
            return UsageFailure(line, refusal, output);
        }
    }
    kovex::InstallBusErrorGuard();
    kovex::SteadyClock clock;
    kovex::SysfsBridge bridge(std::filesystem::path(line.sysfsRoot) / "bus" / "pci" / "devices",
                              madeUp ? kovex::SysfsTree::MadeUp : kovex::SysfsTree::Kernel);
    return RunCommand(state, bridge, clock, line, output);
}
