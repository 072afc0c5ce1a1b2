#include "cli/Run.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/AllCards.h"
#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/SimulatedBus.h"
#include "cli/TerminalWindow.h"
#include "link/CaptureFile.h"
#include "link/CardDiscovery.h"
#include "sim/ReplayCard.h"
#include "sim/SimulatedCard.h"
#include "sim/ToolCard.h"

namespace kovex {
namespace {

constexpr Nanos HOLD_POLL = std::chrono::milliseconds(1);

// A run that ended before any card was reached: its one line on standard
// error, and its JSON object when asked for. Its status says why it ended,
// written or not.
int EndBeforeCard(const CommandLine& line, const std::string& error, int status,
                  std::string_view code, ResultOutput& output) {
    TerminalWindow::Note(error);
    if (line.json) {
        output.Line(RunJson(line, "null", status, "{}", {}, {ErrorJson(code, error)}));
    }
    return status;
}

// The KOVEX cards on the bus, by address, for --device all.
std::vector<PciAddress> CardsOnBus(AppState& state, BridgeApi& bridge, MonotonicClock& clock) {
    TerminalWindow window(state, clock, true);
    CardPort port(state, clock, [] {});
    CardOpener opener(bridge, port, window);
    const DeviceTable& table = opener.ListDevices();
    std::vector<PciAddress> cards;
    for (std::size_t i = 0; i < table.count; ++i) {
        if (table.entries[i].deviceId == PCI9030_DEVICE_ID) {
            cards.push_back(KeyAddress(table.entries[i]));
        }
    }
    return cards;
}

// --sim-hold-after TEXT: once a line that starts with TEXT is shown, the run
// holds there until a stopping signal arrives, so a test of the signals
// stops it in a known step, however slow the machine.
LogWatcher HoldAfter(AppState& state, MonotonicClock& clock, std::string text) {
    return [&state, &clock, text = std::move(text)](std::string_view line) {
        if (!line.starts_with(text)) return;
        while (!state.Closing)
            clock.SleepFor(HOLD_POLL);
    };
}

// --sim-cards and --sim-state, which shape the simulated bus.
struct Rehearsal {
    int cards = 0;  // 0: the window tool's one card
    std::optional<std::string> statePath;
    std::string error;
};

Rehearsal ReadRehearsal(const CommandLine& line) {
    Rehearsal rehearsal;
    for (const GivenOption& given : line.simAids) {
        if (given.name == SIM_STATE_OPTION) rehearsal.statePath = given.value;
        if (given.name != SIM_CARDS_OPTION) continue;
        const std::string& value = *given.value;
        int count = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
        if (error != std::errc{} || end != value.data() + value.size() || count < 1 ||
            count > MOST_SIMULATED_CARDS) {
            rehearsal.error = std::string(SIM_CARDS_OPTION) +
                              " takes a number of cards from 1 to " +
                              std::to_string(MOST_SIMULATED_CARDS) + ", not " + value;
        }
        rehearsal.cards = count;
    }
    return rehearsal;
}

bool ShapesTheRun(std::string_view aid) {
    return aid == HOLD_AFTER_OPTION || aid == SIM_CARDS_OPTION || aid == SIM_STATE_OPTION;
}

std::string AddressList(const SimulatedBus& bus) {
    std::string list;
    for (const PciAddress& address : bus.Addresses()) {
        if (!list.empty()) list += ", ";
        list += PciAddressText(address);
    }
    return list;
}

// The aid on every card, or with "ADDRESS=" (or an aid without a value given
// "=ADDRESS") on that card only; why it cannot be, or empty.
std::string ApplyAid(SimulatedBus& bus, const GivenOption& given) {
    const std::span<const SimTestAid> aids = ToolCardTestAids();
    const auto aid = std::find_if(aids.begin(), aids.end(), [&given](const SimTestAid& row) {
        return row.option == given.name;
    });
    if (aid == aids.end() || ShapesTheRun(given.name)) return {};
    std::string value = given.value.value_or("");
    std::string address;
    if (aid->valueName.empty()) {
        address = std::exchange(value, {});
    } else if (const auto equals = value.find('=');
               equals != std::string::npos && ParseDeviceAddress(value.substr(0, equals))) {
        address = value.substr(0, equals);
        value.erase(0, equals + 1);
    }
    std::vector<SimulatedCard*> cards;
    for (const PciAddress& each : bus.Addresses()) {
        if (address.empty() || ParseDeviceAddress(address) == each)
            cards.push_back(bus.CardAt(each));
    }
    if (cards.empty()) {
        return given.name + ": no simulated card at " + address +
               " (the simulated cards: " + AddressList(bus) + ")";
    }
    for (SimulatedCard* card : cards) {
        if (std::string error = aid->apply(*card, value); !error.empty()) return error;
    }
    return {};
}

// A state that could not be written is said, and the run did not all it should.
int AfterStatesWritten(SimulatedBus& bus, int status) {
    const std::vector<std::string> failures = bus.TakeWriteFailures();
    for (const std::string& failure : failures)
        TerminalWindow::Note(failure);
    return failures.empty() || status != EXIT_DONE ? status : EXIT_OUTPUT_FAILED;
}

// --capture FILE: the file, opened before any card is; the reason on
// standard error (status 2) when it cannot be created.
std::optional<CaptureFile> OpenCapture(const CommandLine& line, MonotonicClock& clock,
                                       std::string& error) {
    if (!line.capture) return std::nullopt;
    std::optional<CaptureFile> file;
    file.emplace(*line.capture, "kovexctl " KOVEX_VERSION, CaptureStartsNow(clock));
    if (file->Failed())
        error = "the capture " + *line.capture + " cannot be written: " + file->Failure();
    return file;
}

// A capture the run could not finish writing: said on standard error, and
// a run that was done ends with status 6 (its output was not all written).
int CaptureChecked(const std::optional<CaptureFile>& capture, int status) {
    if (!capture || !capture->Failed()) return status;
    TerminalWindow::Note("the capture " + capture->Path() +
                         " could not all be written: " + capture->Failure());
    return status == EXIT_DONE ? EXIT_OUTPUT_FAILED : status;
}

// Each card's session ends (and lets the card go) before `finish` is called.
int RunOnCards(AppState& state, BridgeApi& bridge, MonotonicClock& clock, const CommandLine& line,
               ResultOutput& output, const LogWatcher& watcher, const CardFinish& finish,
               SessionCapture capture) {
    const auto finished = [&finish](int status) { return finish ? finish(status) : status; };
    if (!line.allDevices) {
        int status = EXIT_DONE;
        {
            CardSession session(state, bridge, clock, line, output, capture);
            session.WatchLog(watcher);
            status = session.Run();
        }
        return finished(status);
    }
    const std::vector<PciAddress> cards = CardsOnBus(state, bridge, clock);
    if (cards.empty()) {
        return EndBeforeCard(line, std::string(NO_CARD_ON_BUS_LINE), EXIT_NO_CARD,
                             CodeOf(Ending::NoCard), output);
    }
    // Each card's run is a process of its own: the interfaces are all in the
    // file before the first starts, and each appends whole blocks.
    std::vector<std::uint32_t> interfaces;
    for (const PciAddress& address : cards) {
        if (capture.file != nullptr) {
            interfaces.push_back(
                capture.file->AddInterface(capture.namePrefix + PciAddressText(address)));
        }
    }
    return RunOnEveryCard(cards, line, output, [&](const PciAddress& address) {
        CommandLine one = line;
        one.allDevices = false;
        one.device = address;
        one.quiet = true;
        SessionCapture own = capture;
        if (!interfaces.empty()) {
            const auto at = std::find(cards.begin(), cards.end(), address);
            own.interface = interfaces[static_cast<std::size_t>(at - cards.begin())];
        }
        int status = EXIT_DONE;
        {
            CardSession session(state, bridge, clock, one, output, own);
            session.PrintOneLine();
            status = session.Run();
        }
        return finished(status);
    });
}

}  // namespace

int UsageFailure(const CommandLine& line, const std::string& error, ResultOutput& output) {
    if (!line.json) {
        TerminalWindow::Note(error);
        TerminalWindow::Note("try 'kovexctl --help'");
        return EXIT_USAGE;
    }
    return EndBeforeCard(line, error, EXIT_USAGE, USAGE_CODE, output);
}

int RunCommand(AppState& state, BridgeApi& bridge, MonotonicClock& clock, const CommandLine& line,
               ResultOutput& output, const LogWatcher& watcher, const CardFinish& finish,
               std::string_view cardKind) {
    std::string error;
    std::optional<CaptureFile> capture = OpenCapture(line, clock, error);
    if (!error.empty()) return EndBeforeCard(line, error, EXIT_USAGE, USAGE_CODE, output);
    const SessionCapture recorded{capture ? &*capture : nullptr, std::nullopt,
                                  std::string(cardKind)};
    return CaptureChecked(
        capture, RunOnCards(state, bridge, clock, line, output, watcher, finish, recorded));
}

int RunOnSimulatedCard(AppState& state, MonotonicClock& clock, const CommandLine& line,
                       ResultOutput& output) {
    const Rehearsal rehearsal = ReadRehearsal(line);
    if (!rehearsal.error.empty()) return UsageFailure(line, rehearsal.error, output);
    SimulatedBus bus(clock, SimulatedCardAddresses(rehearsal.cards));
    for (const PciAddress& address : bus.Addresses())
        SetUpToolCard(*bus.CardAt(address));
    LogWatcher watcher;
    for (const GivenOption& given : line.simAids) {
        if (given.name == HOLD_AFTER_OPTION) watcher = HoldAfter(state, clock, *given.value);
        if (std::string error = ApplyAid(bus, given); !error.empty()) {
            return UsageFailure(line, error, output);
        }
    }
    if (rehearsal.statePath) {
        const std::string refusal = bus.KeepStates(*rehearsal.statePath, rehearsal.cards > 0);
        if (!refusal.empty()) return UsageFailure(line, refusal, output);
    }
    // A card's state is written when its run lets it go.
    return RunCommand(
        state, bus, clock, line, output, watcher,
        [&bus](int status) { return AfterStatesWritten(bus, status); }, SIMULATED_CARD_PREFIX);
}

int RunOnReplayedCard(AppState& state, MonotonicClock& clock, const CommandLine& line,
                      ResultOutput& output) {
    std::string error;
    const std::unique_ptr<ReplayCard> card = ReplayCard::FromFile(*line.replay, clock, error);
    if (!card) return EndBeforeCard(line, error, EXIT_USAGE, USAGE_CODE, output);
    card->OnMismatch([](const std::string& text) { TerminalWindow::Note(text); });
    return RunCommand(state, *card, clock, line, output, {}, {}, REPLAYED_CARD_PREFIX);
}

}  // namespace kovex
