#include "cli/CardSession.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "cli/CardWait.h"
#include "cli/ExitStatus.h"
#include "cli/Interrupt.h"
#include "cli/Json.h"
#include "cli/LogText.h"
#include "link/CardExchange.h"
#include "seam/SlotGuard.h"

namespace kovex {
namespace {

// Open found several PCI 9030s and a terminal does not guess which is the
// KOVEX: "2 PCI 9030 cards on the bus (0000:03:00.0, 0000:04:00.0); name the
// KOVEX card with --device".
std::string SeveralCardsLine(const std::vector<CardChoice>& cards) {
    std::string addresses;
    for (const CardChoice& card : cards) {
        if (!addresses.empty()) addresses += ", ";
        addresses += card.address;
    }
    return std::to_string(cards.size()) + " PCI 9030 cards on the bus (" + addresses +
           "); name the KOVEX card with --device";
}

std::string JoinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) text += "; ";
        text += Latin1ToUtf8(line);
    }
    return text;
}

int StatusOfResult(const CommandResult& result) {
    if (result.mismatch && result.outcome) return EXIT_VERSION_MISMATCH;
    return StatusOf(result.outcome.ending);
}

// The lines on standard error that say how the command failed, beyond those
// already shown.
std::vector<std::string> ClosingProblems(const CommandResult& result) {
    // A command stopped part way said what it left when it stopped.
    std::vector<std::string> lines;
    const Outcome& outcome = result.outcome;
    const std::string text = MessageToUtf8(outcome.text);
    if (outcome.ending == Ending::Interrupted) {
        // Appended piece by piece: GCC 12 misreads " " + std::string at -O3.
        std::string line = "interrupted";
        if (!outcome.left.empty()) {
            line.append(" ").append(MessageToUtf8(outcome.left));
        } else if (!text.empty()) {
            line.append(": ").append(text);
        }
        lines.push_back(line);
    } else if (!text.empty() && !outcome.shown) {
        lines.push_back(text);
    }
    if (result.mismatch && outcome) lines.push_back(*result.mismatch);
    return lines;
}

}  // namespace

std::string ErrorJson(std::string_view code, std::string_view text) {
    return JsonObject().Add("code", JsonString(code)).Add("text", JsonString(text)).Text();
}

std::string RunJson(const CommandLine& line, std::string device, int status, std::string values,
                    const std::vector<std::string>& log, const std::vector<std::string>& errors) {
    return JsonObject()
        .Add("command", line.commandName.empty() ? "null" : JsonString(line.commandName))
        .Add("args", JsonArray(line.args))
        .Add("device", std::move(device))
        .Add("exit", JsonNumber(status))
        .Add("values", std::move(values))
        .Add("log", JsonArray(log))
        .Add("errors", JsonList(errors))
        .Text();
}

CardSession::CardSession(AppState& state, BridgeApi& bridge, MonotonicClock& clock,
                         const CommandLine& line, ResultOutput& output,
                         const SessionCapture& capture)
    : line_(line),
      clock_(clock),
      output_(output),
      window_(state, clock, line.quiet || line.verbose),
      port_(state, clock, [this] { window_.Pump(port_); }),
      opener_(bridge, port_, window_),
      status_(port_, window_),
      sender_(port_, window_),
      pollList_(port_, window_),
      programming_(port_, window_) {
    if (line.device) opener_.WantAddress(*line.device);
    if (line.timeoutSeconds) {
        port_.SetGiveUpAfter(
            std::chrono::duration_cast<Nanos>(std::chrono::duration<double>(*line.timeoutSeconds)));
    }
    RecordTraffic(capture);
}

void CardSession::RecordTraffic(const SessionCapture& capture) {
    if (capture.file != nullptr) {
        capture_.emplace(
            *capture.file, [this, prefix = capture.namePrefix] { return CaptureName(prefix); },
            capture.interface);
        port_.Traffic().AddSink(*capture_);
    }
    if (line_.verbose) port_.Traffic().AddSink(trace_);
}

std::string CardSession::CaptureName(const std::string& prefix) const {
    const std::optional<PciAddress>& opened = opener_.OpenedAddress();
    return prefix + (opened ? PciAddressText(*opened) : "card");
}

int CardSession::Run() {
    CommandResult result;
    if (Outcome opened = line_.command->opensCard ? Open() : Outcome{}; !opened) {
        result.outcome = std::move(opened);
    } else {
        window_.ForgetLog();
        window_.StartCommand();
        result = RunCommand();
        window_.FinishProgress();
    }
    const int status = StatusOfResult(result);
    PrintLines(result, status);
    if (!output_.Failed()) return status;
    TerminalWindow::Note("the results could not all be written to standard output: " +
                         output_.Reason());
    return status == EXIT_DONE ? EXIT_OUTPUT_FAILED : status;
}

OpenResult CardSession::OpenOnce() {
    OpenResult result = OpenResult::Failed;
    // "PLX Not found" is the window's box; here the result says it.
    window_.MuteMessageBoxes(true);
    RunGuarded(window_, [this, &result] { result = opener_.Button1Click(); });
    window_.MuteMessageBoxes(false);
    return result;
}

Outcome CardSession::Open() {
    OpenResult opened = OpenResult::Failed;
    if (line_.waitCard) {
        CardWaitLimit limit;
        if (line_.waitSeconds) {
            limit.limit = std::chrono::duration_cast<Nanos>(
                std::chrono::duration<double>(*line_.waitSeconds));
        }
        opened = OpenWhenFree(
            [this] { return OpenOnce(); },
            [this] { TerminalWindow::Note(opener_.InUseBy() + "; waiting for it (Ctrl-C stops)"); },
            limit, clock_);
    } else {
        opened = OpenOnce();
    }
    if (opened == OpenResult::Opened) return {};
    if (Interrupted()) return Outcome::Of(Ending::Interrupted, "");
    if (opened == OpenResult::InUse) {
        return Outcome::Of(Ending::InUse, CardInUseLine(opener_.InUseBy()));
    }
    if (opened == OpenResult::Cancelled) {
        return Outcome::Of(Ending::NoCard, SeveralCardsLine(opener_.Choices()));
    }
    // One line: the cause Open found; the bus listing stays in the log.
    if (opened == OpenResult::Failed) {
        return Outcome::Of(Ending::NoCard, opener_.FailureLine().empty()
                                               ? std::string("the card could not be opened")
                                               : opener_.FailureLine());
    }
    if (line_.device) {
        return Outcome::Of(Ending::NoCard, "no PCI 9030 at " + PciAddressText(*line_.device) +
                                               " (kovexctl list shows the bus)");
    }
    return Outcome::Of(Ending::NoCard, std::string(NO_CARD_ON_BUS_LINE));
}

CommandResult CardSession::RunCommand() {
    ResultOutput* live =
        !line_.json && !oneLine_ && isatty(STDOUT_FILENO) == 1 ? &output_ : nullptr;
    CommandContext context{line_,   window_,      opener_, port_,   status_, pollList_,
                           sender_, programming_, clock_,  output_, live};
    CommandResult result;
    RunGuarded(window_, [&] { result = line_.command->run(context); });
    return result;
}

void CardSession::PrintLines(const CommandResult& result, int status) {
    const std::vector<std::string> closing = ClosingProblems(result);
    for (const std::string& line : closing)
        TerminalWindow::Note(line);
    if (line_.json) {
        if (!result.printedAsTheyCame || status != EXIT_DONE) PrintJson(result, status, closing);
        return;
    }
    // Standard output holds results only: a command that failed printed
    // why on standard error, and its lines are in the JSON's log. The
    // devices list prints are its result whatever they hold.
    if (window_.ShownLive()) return;
    if (status != EXIT_DONE && line_.command->opensCard) return;
    if (oneLine_) {
        output_.Line(result.summary.empty() ? JoinedLines(window_.LogLines()) : result.summary);
        return;
    }
    for (const std::string& line : window_.LogLines())
        output_.Line(TerminalText(Latin1ToUtf8(line)));
}

void CardSession::PrintJson(const CommandResult& result, int status,
                            const std::vector<std::string>& closing) {
    const std::string_view code =
        result.mismatch && result.outcome
            ? VERSION_MISMATCH_CODE
            : (result.outcome ? NOTE_CODE : CodeOf(result.outcome.ending));
    std::vector<std::string> errors;
    for (const std::string& text : window_.Problems())
        errors.push_back(ErrorJson(code, text));
    for (const std::string& text : closing)
        errors.push_back(ErrorJson(code, text));
    std::vector<std::string> log;
    for (const std::string& line : window_.LogLines())
        log.push_back(Latin1ToUtf8(line));
    output_.Line(RunJson(line_, DeviceText(), status, result.values.Text(), log, errors));
}

std::string CardSession::DeviceText() const {
    if (line_.sim || port_.IsOpen()) {
        if (const std::optional<PciAddress>& opened = opener_.OpenedAddress()) {
            return JsonString(PciAddressText(*opened));
        }
        if (const DeviceKey* chosen = opener_.OnlyBridge()) {
            return JsonString(PciAddressText(KeyAddress(*chosen)));
        }
    }
    if (line_.device) return JsonString(PciAddressText(*line_.device));
    return "null";
}

}  // namespace kovex
