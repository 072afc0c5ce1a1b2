// kovexctl: the service tool's card commands from a terminal, for scripts and
// production lines, on the same handlers as the window.
#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/CardSession.h"
#include "cli/CommandLine.h"
#include "cli/Interrupt.h"
#include "link/BusErrorGuard.h"
#include "link/Clock.h"
#include "link/SysfsBridge.h"
#include "sim/SimulatedCard.h"
#include "sim/ToolCard.h"

namespace {

void SetUpTestAids(kovex::SimulatedCard& card, const kovex::CommandLine& line) {
    if (line.simAtOnce) {
        card.Timing().replyDelay = kovex::Nanos{0};
        card.Timing().txBusyHold = kovex::Nanos{0};
    }
    card.Faults().silent = line.simFault == kovex::SimFault::Silent;
    card.Faults().stuckTxBusy = line.simFault == kovex::SimFault::StuckBusy;
    card.Faults().endlessStream = line.simFault == kovex::SimFault::Endless;
}

bool NeedsPictures(const kovex::CommandLine& line) {
    return line.command == "display" && !line.args.empty() && line.args.front() == "upload";
}

int UsageFailure(const std::string& error) {
    std::fprintf(stderr, "kovexctl: %s\nTry 'kovexctl --help'.\n", error.c_str());
    return kovex::EXIT_USAGE;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    const kovex::ParsedCommandLine parsed = kovex::ParseCommandLine(words);
    const kovex::CommandLine& line = parsed.line;
    if (line.help) {
        std::fputs(kovex::HelpText(), stdout);
        return kovex::EXIT_DONE;
    }
    if (!parsed.error.empty()) return UsageFailure(parsed.error);
    if (const std::string error = kovex::UsageError(line); !error.empty()) {
        return UsageFailure(error);
    }
    kovex::InstallInterruptHandler();

    // Icons and metafiles are drawn by Qt: it needs a display connection,
    // which the offscreen platform offers on a machine without a desktop.
    std::optional<QGuiApplication> pictures;
    if (NeedsPictures(line)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        pictures.emplace(argc, argv);
    }

    kovex::SteadyClock clock;
    if (line.sim) {
        kovex::SimulatedCard card(clock);
        kovex::SetUpToolCard(card);
        SetUpTestAids(card, line);
        return kovex::CardSession(card, clock, line).Run();
    }
    kovex::InstallBusErrorGuard();
    kovex::SysfsBridge bridge(std::filesystem::path(line.sysfsRoot) / "bus" / "pci" / "devices");
    return kovex::CardSession(bridge, clock, line).Run();
}
