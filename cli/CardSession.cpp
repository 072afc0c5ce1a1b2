#include "cli/CardSession.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "cli/CardWait.h"
#include "cli/Interrupt.h"
#include "cli/LogText.h"
#include "cli/TerminalDisplay.h"
#include "display/core/DisplayCommands.h"
#include "display/core/PictureUpload.h"
#include "link/CardRegisters.h"
#include "seam/SlotGuard.h"

namespace kovex {
namespace {

// Get Msg is asked at most this often in one run: a card whose NO_MESSAGE
// bit never sets must not keep the command going for ever.
constexpr int MOST_MESSAGES = 64;
constexpr std::string_view POLL_LIST_REFUSED = "Poll list not set";

struct CommandShape {
    std::string_view name;
    std::size_t fewestArgs;
    std::size_t mostArgs;
};
constexpr std::size_t MANY = 1000;
constexpr std::array<CommandShape, 11> COMMANDS{{
    {"list", 0, 0},
    {"version", 0, 0},
    {"mode", 0, 1},
    {"poll-speed", 0, 0},
    {"clear-buffer", 0, 0},
    {"poll-list", 1, MANY},
    {"send", 1, MANY},
    {"messages", 0, 0},
    {"loopback", 0, 0},
    {"program", 1, 1},
    {"display", 1, 2},
}};

std::string Joined(const std::vector<std::string>& words, std::size_t from) {
    std::string text;
    for (std::size_t i = from; i < words.size(); ++i) {
        if (!text.empty()) text += ' ';
        text += words[i];
    }
    return text;
}

std::string ArgumentError(const CommandLine& line) {
    const auto& args = line.args;
    const std::string first = args.empty() ? "" : args.front();
    if (line.command == "mode" && !args.empty() && first != "run" && first != "boot") {
        return "mode takes run, boot or nothing";
    }
    if (line.command == "poll-list") {
        if (first == "get" && args.size() == 1) return {};
        if (first != "set" || args.size() < 2) return "poll-list takes get, or set and the list";
        if (Joined(args, 1).size() < POLL_LIST_SHORTEST) return "the poll list is too short";
    }
    if (line.command == "display") {
        const bool takesOne = first == "text" || first == "upload";
        if (first != "clear" && !takesOne) return "display takes clear, text or upload";
        if (takesOne != (args.size() == 2)) return "display " + first + " needs one argument";
    }
    return {};
}

}  // namespace

std::string UsageError(const CommandLine& line) {
    const auto* const shape =
        std::find_if(COMMANDS.begin(), COMMANDS.end(),
                     [&](const CommandShape& s) { return s.name == line.command; });
    if (shape == COMMANDS.end()) return "unknown command " + line.command;
    if (line.args.size() < shape->fewestArgs || line.args.size() > shape->mostArgs) {
        return "wrong number of arguments for " + line.command;
    }
    if (!line.sim && (line.simAtOnce || line.simFault != SimFault::None)) {
        return "the simulated card's test aids need --sim";
    }
    return ArgumentError(line);
}

CardSession::CardSession(BridgeApi& bridge, MonotonicClock& clock, const CommandLine& line)
    : line_(line),
      clock_(clock),
      window_(state_, clock),
      port_(state_, clock, [this] { window_.Pump(port_); }),
      opener_(bridge, port_, window_),
      status_(port_, window_),
      sender_(port_, window_),
      pollList_(port_, window_),
      programming_(port_, window_) {
    if (line.device) opener_.WantAddress(*line.device);
}

int CardSession::Run() {
    if (const OpenResult opened = Open(); opened != OpenResult::Opened) {
        if (Interrupted()) return Status({});
        if (opened == OpenResult::InUse) {
            TerminalWindow::Note(CardInUseLine(opener_.InUseBy()));
            return EXIT_NO_CARD;
        }
        Print(window_.LogLines(), true);
        if (line_.device) {
            TerminalWindow::Note("no PCI 9030 at " + PciAddressText(*line_.device) +
                                 " (kovexctl list shows the bus)");
        }
        return EXIT_NO_CARD;
    }
    std::vector<std::string> lines;
    Outcome outcome;
    if (line_.command == "list") {
        lines = DeviceList();
    } else {
        window_.ForgetLog();
        window_.StartCommand();
        RunGuarded(window_, [this, &outcome] { outcome = RunCommand(); });
        window_.FinishProgress();
        lines = window_.LogLines();
    }
    const int status = Status(outcome);
    if (line_.json) {
        PrintJson(lines, status);
    } else if (line_.command != "program") {
        Print(lines, outcome.refused);
    }
    return status;
}

OpenResult CardSession::Open() {
    if (!line_.waitCard) return OpenOnce();
    return OpenWhenFree(
        [this] { return OpenOnce(); },
        [this] { TerminalWindow::Note(opener_.InUseBy() + "; waiting for it (Ctrl-C stops)"); },
        *line_.waitCard, clock_);
}

OpenResult CardSession::OpenOnce() {
    OpenResult result = OpenResult::Failed;
    RunGuarded(window_, [this, &result] { result = opener_.Button1Click(); });
    return result;
}

std::vector<std::string> CardSession::DeviceList() const {
    const DeviceTable& table = opener_.Devices();
    const DeviceKey* chosen = opener_.FirstBridge();
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < table.count; ++i) {
        const DeviceKey& key = table.entries[i];
        lines.push_back((&key == chosen ? "* " : "  ") + DeviceLine(key));
    }
    return lines;
}

CardSession::Outcome CardSession::RunCommand() {
    const std::string& command = line_.command;
    if (command == "version") status_.Button4Click();
    if (command == "poll-speed") status_.Button6Click();
    if (command == "clear-buffer") status_.Button12Click();
    if (command == "loopback") status_.Button15Click();
    if (command == "mode") return Mode();
    if (command == "messages") return Messages();
    if (command == "poll-list" && line_.args.front() == "get") pollList_.Button5Click();
    if (command == "poll-list" && line_.args.front() == "set") return SetPollList();
    if (command == "send") return Send();
    if (command == "program") return Program();
    if (command == "display") return Display();
    return {};
}

CardSession::Outcome CardSession::Mode() {
    if (line_.args.empty()) {
        status_.GetMode();
    } else if (line_.args.front() == "run") {
        status_.Button7Click();
    } else {
        status_.Button8Click();
    }
    return {};
}

CardSession::Outcome CardSession::Messages() {
    for (int asked = 0; asked < MOST_MESSAGES; ++asked) {
        status_.Button11Click();
        if (port_.GiveUps() > 0 || (port_.ReadStatus() & NO_MESSAGE) != 0) break;
    }
    return {};
}

CardSession::Outcome CardSession::SetPollList() {
    // The command itself is the confirmation the window asks for.
    window_.AnswerInputBox(Joined(line_.args, 1));
    window_.AnswerYes(true);
    pollList_.Button9Click();
    const auto& log = window_.LogLines();
    return {std::any_of(log.begin(), log.end(),
                        [](const std::string& l) { return l.starts_with(POLL_LIST_REFUSED); })};
}

CardSession::Outcome CardSession::Send() {
    const auto result = sender_.SendAlone(Joined(line_.args, 0));
    if (result == NodeMessageSender::Result::Ignored) {
        window_.ShowError("a node message needs at least node, device and command");
    }
    return {result == NodeMessageSender::Result::Refused};
}

CardSession::Outcome CardSession::Program() {
    window_.AnswerFirmwareFile(line_.args.front());
    window_.AnswerYes(line_.yes);
    window_.EchoLog(!line_.json);
    programming_.Button2Click();
    return {};
}

CardSession::Outcome CardSession::Display() {
    DisplayEdits edits = line_.display;
    const std::string& what = line_.args.front();
    if (what == "text") edits.text = line_.args.back();
    if (what == "upload") edits.picture = line_.args.back();
    TerminalDisplay display(window_, edits, [this] { window_.Pump(port_); });
    if (what == "upload") {
        PictureUpload(display, sender_).Button1Click();
    } else {
        DisplayCommands commands(display, sender_);
        if (what == "clear") commands.Button4Click();
        if (what == "text") commands.Button6Click();
    }
    return {display.Refused()};
}

int CardSession::Status(const Outcome& outcome) const {
    if (Interrupted()) {
        const std::string& label = window_.LastStatusLabel();
        TerminalWindow::Note(label.empty() || line_.command != "program"
                                 ? "interrupted"
                                 : "interrupted at line \"" + label + "\"");
        return EXIT_INTERRUPTED;
    }
    const auto& log = window_.LogLines();
    const bool timedOut = std::find(log.begin(), log.end(), TIMED_OUT_LINE) != log.end();
    if (port_.GiveUps() > 0 || timedOut) return EXIT_CARD_GAVE_UP;
    if (outcome.refused || window_.ErrorShown()) return EXIT_USAGE;
    if (window_.QuestionDeclined()) return EXIT_PREFLIGHT;
    return EXIT_DONE;
}

void CardSession::Print(const std::vector<std::string>& lines, bool toStderr) {
    std::FILE* out = toStderr ? stderr : stdout;
    for (const std::string& line : lines)
        std::fprintf(out, "%s\n", TerminalText(Latin1ToUtf8(line)).c_str());
    std::fflush(out);
}

void CardSession::PrintJson(const std::vector<std::string>& lines, int status) const {
    const auto list = [](const std::vector<std::string>& items, bool latin1) {
        std::string text = "[";
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i > 0) text += ',';
            text += JsonString(latin1 ? Latin1ToUtf8(items[i]) : items[i]);
        }
        return text + "]";
    };
    std::printf("{\"command\":%s,\"args\":%s,\"exit\":%d,\"log\":%s,\"errors\":%s}\n",
                JsonString(line_.command).c_str(), list(line_.args, false).c_str(), status,
                list(lines, true).c_str(), list(window_.Notes(), false).c_str());
    std::fflush(stdout);
}

}  // namespace kovex
