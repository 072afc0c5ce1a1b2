#include "console/NodeMessageSender.h"

#include "console/NodeMessage.h"
#include "link/CardExchange.h"
#include "link/ClickQueue.h"
#include "seam/FlagScope.h"

namespace kovex {
namespace {

Outcome Problem(WindowServices& window, Ending ending, std::string_view line) {
    window.LogProblem(line);
    return Outcome::Shown(ending, std::string(line));
}

}  // namespace

Outcome NodeMessageSender::SendString(std::string_view text) {
    return Send(text, false).outcome;
}

Reply<Frame> NodeMessageSender::SendAlone(std::string_view text) {
    return Send(text, true);
}

Outcome NodeMessageSender::CanSendAlone() {
    if (!port_.IsOpen()) return Problem(window_, Ending::NoCard, NO_CARD_OPEN_LINE);
    if (writing_ || port_.Taken()) return Problem(window_, Ending::InUse, PORT_TAKEN_LINE);
    return {};
}

Outcome NodeMessageSender::SendAsOneExchange(const std::function<void()>& messages,
                                             const PartWay& partWay) {
    return RunCardExchange(port_, window_, [&](CardPort& port) {
        port.NoteAtStakeOnceSent(std::string(partWay.when), std::string(partWay.left));
        const FlagScope holding(holding_);
        messages();
    });
}

void NodeMessageSender::ServeClick(const std::function<void()>& click) {
    ServeCardClick(port_, click);
}

Reply<Frame> NodeMessageSender::Send(std::string_view text, bool alone) {
    const NodeMessage message = BuildNodeMessage(text);
    switch (message.outcome) {
        case NodeMessage::Outcome::Ignored:
            return {Outcome::Of(Ending::Refused, "")};
        case NodeMessage::Outcome::Refused:
            return {Problem(window_, Ending::Refused, message.line)};
        case NodeMessage::Outcome::Built:
            break;
    }
    if (writing_) return {Problem(window_, Ending::InUse, PORT_TAKEN_LINE)};
    if (holding_ && !alone) {
        Write(message);
        return {{}, message.frame};
    }
    const Outcome outcome = RunCardExchange(port_, window_, [&](CardPort&) { Write(message); });
    return {outcome, outcome ? message.frame : Frame{}};
}

void NodeMessageSender::Write(const NodeMessage& message) {
    {
        const FlagScope writing(writing_);
        port_.SendFrame(message.frame);
    }
    window_.AppendLog(message.line);
}

}  // namespace kovex
