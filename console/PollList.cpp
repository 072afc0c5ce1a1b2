#include "console/PollList.h"

#include <optional>
#include <stdexcept>

#include "console/PollListText.h"
#include "console/TextToInt.h"
#include "link/CardExchange.h"
#include "link/CardRegisters.h"
#include "link/ClickQueue.h"
#include "link/CommandFrames.h"

namespace kovex {

namespace {

// Button5's enabled state marks a read in progress (the refresh looks at it);
// the button comes back however the read ends.
class ReadInProgress {
public:
    explicit ReadInProgress(WindowServices& window) : window_(window) {
        window_.SetEnabled(Control::Button5, false);
    }
    ~ReadInProgress() { window_.SetEnabled(Control::Button5, true); }
    ReadInProgress(const ReadInProgress&) = delete;
    ReadInProgress& operator=(const ReadInProgress&) = delete;

private:
    WindowServices& window_;
};

// Only values up to LAST_SENDABLE_POLL_VALUE reach the builders here.
Frame FrameOf(const FrameBuild& build) {
    if (!build) throw std::logic_error(build.refusal->LogLine());
    return build.frame;
}

std::string TooManyItemsLine(std::size_t items) {
    return "Poll list not set: " + std::to_string(items) + " items do not fit, at most " +
           std::to_string(std::size_t{LAST_SENDABLE_POLL_VALUE} + 1) +
           " can be sent; nothing was sent";
}

std::string TokenProblemLine(const PollListTokenProblem& problem) {
    if (problem.reading == TypedByte::Reading::FrameEnd) return NodeEndsFrameLine(problem.item);
    return "Poll list not set: item " + std::to_string(problem.item) + ", " + problem.typed + ", " +
           std::string(TypedByteProblem(problem.reading)) + "; nothing was sent";
}

// Why the typed list cannot go to the card, if it cannot.
std::optional<std::string> RefusalOf(const TypedPollList& list) {
    if (list.problem) return TokenProblemLine(*list.problem);
    if (list.entries.size() > std::size_t{LAST_SENDABLE_POLL_VALUE} + 1) {
        return TooManyItemsLine(list.entries.size());
    }
    return std::nullopt;
}

}  // namespace

std::string ConfirmPollListText(std::string_view typed) {
    return "Confirm that you want to set the poll list to : " + SingleSpaced(typed) + "?";
}

std::string NodeEndsFrameLine(std::size_t item) {
    return "Poll list not set: item " + std::to_string(item) +
           " is node 255, which would end the frame early; nothing was sent";
}

std::uint8_t PollList::SendAndRead(std::span<const std::uint8_t> frame) {
    port_.SendFrame(frame);
    return port_.ReadReplyByte();
}

std::uint8_t PollList::Ask(std::span<const std::uint8_t> frame) {
    port_.DrainReplies();
    return SendAndRead(frame);
}

Reply<PollListRead> PollList::Button5Click() {
    return RunCardRead<PollListRead>(port_, window_,
                                     [this](CardPort&) { return GetPollList(false); });
}

// The refresh's lines are shown once the read is complete; a read that gave
// way to a click shows nothing and leaves the previous read in the log.
PollListRead PollList::GetPollList(bool refresh) {
    PollListRead read;
    {
        const ReadInProgress reading(window_);
        port_.PumpWindowMessages();
        const std::uint8_t mode = Ask(FRAME_GET_MODE);
        port_.State().CardMode = mode;
        read = ReadList(mode);
        std::vector<std::string> lines = ReadLines(read);
        if (!refresh) AppendLines(lines);
        if (mode == MODE_RUN && window_.DebugChecked()) AddDiagnostics(lines);
        if (refresh) {
            window_.ShowRefreshRead(lines);
        } else {
            AppendLines(lines);
        }
    }
    port_.PumpWindowMessages();
    return read;
}

// Index 255 cannot be asked for, and a node numbered 255 cannot be named in
// a status request: either would end the frame early and the card would take
// the next command as the rest of it.
PollListRead PollList::ReadList(std::uint8_t mode) {
    PollListRead read;
    read.mode = mode;
    const bool askStatus = mode != MODE_BOOT;
    for (unsigned index = 0;; ++index) {
        if (index > LAST_SENDABLE_POLL_VALUE) {
            read.lastEntryUnread = true;
            break;
        }
        const std::uint8_t node =
            SendAndRead(FrameOf(BuildGetPollItem(static_cast<std::uint8_t>(index))));
        if (node == 0) break;
        read.nodes.push_back(node);
        if (!askStatus) continue;
        if (node == FRAME_END) {
            read.statuses.push_back(FRAME_END);
            continue;
        }
        read.statuses.push_back(SendAndRead(FrameOf(BuildGetNodeStatus(node))));
        port_.DrainReplies();
    }
    return read;
}

// Appends the lines and forgets them.
void PollList::AppendLines(std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        window_.AppendLog(line);
    lines.clear();
}

std::vector<std::string> PollList::ReadLines(const PollListRead& read) {
    std::string pollList;
    std::string nodeStatus;
    for (std::size_t i = 0; i < read.nodes.size(); ++i) {
        AppendValue(pollList, read.nodes[i]);
        if (i >= read.statuses.size()) continue;
        // A node numbered 255 cannot be asked for its status.
        if (read.nodes[i] == FRAME_END) {
            nodeStatus += " -";
        } else {
            AppendValue(nodeStatus, read.statuses[i]);
        }
    }
    std::vector<std::string> lines{"Poll list   = " + pollList};
    if (read.mode == MODE_RUN) lines.push_back("Node status = " + nodeStatus);
    if (read.lastEntryUnread) lines.emplace_back(LAST_ENTRY_UNREAD_LINE);
    return lines;
}

// The two reads follow each other without a drain, as the card expects them.
void PollList::AddDiagnostics(std::vector<std::string>& lines) {
    lines.push_back("Eth poll ptr = " + std::to_string(SendAndRead(FRAME_GET_ETH_POLL_PTR)));
    lines.push_back("Eth poll node = " + std::to_string(SendAndRead(FRAME_GET_ETH_POLL_NODE)));
}

Reply<std::vector<std::uint8_t>> PollList::Button9Click() {
    Reply<std::vector<std::uint8_t>> reply;
    reply.outcome = RunCardExchange(port_, window_,
                                    [&](CardPort&) -> Outcome { return SetPollList(reply.value); });
    return reply;
}

// The port is held from the input box on, so no refresh tick or other
// command can come between the question and the frames it leads to.
Outcome PollList::SetPollList(std::vector<std::uint8_t>& entries) {
    const std::string typed = window_.InputBox(POLL_LIST_CAPTION, POLL_LIST_PROMPT,
                                               POLL_LIST_DEFAULT, POLL_LIST_MAX_LENGTH, {});
    if (typed.size() < POLL_LIST_SHORTEST) return Outcome::Of(Ending::Declined, "");
    TypedPollList list = ParsePollList(typed);
    if (const auto refusal = RefusalOf(list)) {
        window_.LogProblem(*refusal);
        return Outcome::Shown(Ending::Refused, *refusal);
    }
    // No is the default: Enter alone never rewrites the card's list.
    if (!window_.AskYesNo(CONFIRM_CAPTION, ConfirmPollListText(typed), false)) {
        return Outcome::Of(Ending::Declined, "");
    }
    port_.DrainReplies();
    SendEntries(list.entries);
    entries = std::move(list.entries);
    return {};
}

void PollList::SendEntries(const std::vector<std::uint8_t>& entries) {
    port_.NoteAtStake("while the poll list was being set",
                      "the card's poll list may be incomplete: set it again");
    std::string setText;
    for (std::size_t item = 0; item < entries.size(); ++item) {
        const std::uint8_t node = entries[item];
        AppendValue(setText, node);
        SendAndRead(FrameOf(BuildSetPollItem(static_cast<std::uint8_t>(item), node)));
        window_.AppendLog("Adding poll list item " + std::to_string(item) + " (" +
                          std::to_string(node) + ")");
        port_.WaitTicks(SET_POLL_ITEM_TICKS);
    }
    window_.AppendLog("Setting poll list to " + setText);
}

void PollList::Button13Click() {
    const bool start = !window_.Timer2Running();
    window_.SetTimer2Running(start);
    window_.SetCaption(Control::Button13, start ? STOP_CAPTION : CaptionOf(Control::Button13));
}

// A refresh never cuts into another exchange: while a read runs (Button5 is
// then disabled) or any command holds the port, the tick does nothing. Its
// read replaces the previous refresh's lines only, so what the clicks wrote
// stays, and it gives way to a click that comes meanwhile.
void PollList::Timer2Timer() {
    if (!port_.IsOpen() || port_.Taken() || !window_.IsEnabled(Control::Button5)) return;
    RunGivingWay(port_, window_, [this](CardPort&) { GetPollList(true); });
}

}  // namespace kovex
