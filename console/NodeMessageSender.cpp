#include "console/NodeMessageSender.h"

#include "console/FlagScope.h"
#include "console/NodeMessage.h"
#include "link/CardExchange.h"

namespace kovex {

bool NodeMessageSender::SendString(std::string_view text) {
    return Send(text, false) == Result::Sent;
}

NodeMessageSender::Result NodeMessageSender::SendAlone(std::string_view text) {
    return Send(text, true);
}

bool NodeMessageSender::CanSendAlone() {
    if (!port_.IsOpen()) {
        window_.AppendLog(NO_CARD_OPEN_LINE);
        return false;
    }
    if (writing_ || port_.Taken()) {
        window_.AppendLog(PORT_TAKEN_LINE);
        return false;
    }
    return true;
}

bool NodeMessageSender::SendAsOneExchange(const std::function<void()>& messages) {
    return RunCardExchange(port_, window_, [this, &messages](CardPort&) {
        const FlagScope holding(holding_);
        messages();
    });
}

NodeMessageSender::Result NodeMessageSender::Send(std::string_view text, bool alone) {
    const NodeMessage message = BuildNodeMessage(text);
    switch (message.outcome) {
        case NodeMessage::Outcome::Ignored:
            return Result::Ignored;
        case NodeMessage::Outcome::Refused:
            window_.AppendLog(message.line);
            return Result::Refused;
        case NodeMessage::Outcome::Built:
            break;
    }
    if (writing_) {
        window_.AppendLog(PORT_TAKEN_LINE);
        return Result::Busy;
    }
    if (holding_ && !alone) {
        Write(message);
        return Result::Sent;
    }
    bool started = false;
    const bool done = RunCardExchange(port_, window_, [&](CardPort&) {
        started = true;
        Write(message);
    });
    if (done) return Result::Sent;
    if (started) return Result::CardSilent;
    return port_.IsOpen() ? Result::Busy : Result::NoCard;
}

void NodeMessageSender::Write(const NodeMessage& message) {
    {
        const FlagScope writing(writing_);
        port_.SendFrame(message.frame);
    }
    window_.AppendLog(message.line);
}

}  // namespace kovex
