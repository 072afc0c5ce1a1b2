#include "sim/ToolCard.h"

#include <array>
#include <cstdint>

namespace kovex {
namespace {

std::string SetFault(SimulatedCard& card, std::string_view name) {
    CardFaults& faults = card.Faults();
    if (name == "silent") {
        faults.silent = true;
    } else if (name == "stuck-busy") {
        faults.stuckTxBusy = true;
    } else if (name == "endless") {
        faults.endlessStream = true;
    } else {
        return "unknown simulated fault " + std::string(name) + " (silent, stuck-busy, endless)";
    }
    return {};
}

std::string AnswerAtOnce(SimulatedCard& card, std::string_view /*value*/) {
    card.Timing().replyDelay = Nanos{0};
    card.Timing().txBusyHold = Nanos{0};
    return {};
}

// Nothing to set on the card: kovexctl holds its own run.
std::string HeldByTheRun(SimulatedCard& /*card*/, std::string_view /*value*/) {
    return {};
}

constexpr std::array<SimTestAid, 5> TEST_AIDS{{
    {"--sim-fault", "silent|stuck-busy|endless",
     "the simulated card never answers, never takes a byte, or never stops sending; "
     "ADDRESS=NAME (0000:01:00.0=silent) only the card there",
     SetFault},
    {"--sim-at-once", "",
     "the simulated card answers at once (no reply delay, no busy time); --sim-at-once=ADDRESS "
     "only the card there",
     AnswerAtOnce},
    {SIM_CARDS_OPTION, "N",
     "N simulated cards (1 to 8) at 0000:01:00.0 to 0000:0N:00.0, each a card of its own, for "
     "list, --device ADDRESS and --device all",
     HeldByTheRun},
    {SIM_STATE_OPTION, "PATH",
     "the simulated card lives on in the file PATH from run to run (with --sim-cards, PATH is a "
     "folder of ADDRESS.state files): mode, firmware, poll list, node statuses, waiting messages, "
     "display and counters; a missing file is a new card, a file that is not a card's state is "
     "refused and left as it is, and a second run on the same state is refused like a second "
     "program on a card",
     HeldByTheRun},
    {HOLD_AFTER_OPTION, "TEXT",
     "once a line starting with TEXT is shown, the run holds there until a signal stops it",
     HeldByTheRun},
}};

}  // namespace

void SetUpToolCard(SimulatedCard& card) {
    using namespace std::chrono_literals;
    card.Timing().replyDelay = 2ms;
    card.Timing().txBusyHold = 20us;
    card.SetPollPeriod(250ms);
    card.SetNodeChatter(6s);
    // A short list of the network's nodes, so Get Poll List shows a real list.
    constexpr std::array<std::uint8_t, 2> networkNodes{10, 12};
    card.State().SetPollList(networkNodes);
    card.State().startupChatter = {'K', 'O', 'V', 'E', 'X', ' ', 'b', 'o', 'o', 't', '\r', '\n'};
}

std::span<const SimTestAid> ToolCardTestAids() {
    return TEST_AIDS;
}

}  // namespace kovex
