#include "console/NodeMessageSender.h"

#include "console/FlagScope.h"
#include "console/NodeMessage.h"
#include "link/CardExchange.h"
#include "link/ClickQueue.h"

namespace kovex {

SendOutcome NodeMessageSender::SendString(std::string_view text) {
    Sending sending = Send(text, false);
    return {sending.result == Result::Sent, std::move(sending.why)};
}

NodeMessageSender::Result NodeMessageSender::SendAlone(std::string_view text) {
    return Send(text, true).result;
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

SendOutcome NodeMessageSender::SendAsOneExchange(const std::function<void()>& messages) {
    Sending sending = Exchange([this, &messages] {
        const FlagScope holding(holding_);
        messages();
    });
    return {sending.result == Result::Sent, std::move(sending.why)};
}

void NodeMessageSender::ServeClick(const std::function<void()>& click) {
    ServeCardClick(port_, click);
}

NodeMessageSender::Sending NodeMessageSender::Exchange(const std::function<void()>& work) {
    if (!port_.IsOpen()) {
        window_.AppendLog(NO_CARD_OPEN_LINE);
        return {Result::NoCard, std::string(NO_CARD_OPEN_LINE)};
    }
    if (port_.Taken()) {
        window_.AppendLog(PORT_TAKEN_LINE);
        return {Result::Busy, std::string(PORT_TAKEN_LINE)};
    }
    // The card's failure is logged by RunCardExchange; the same line is kept.
    std::string why;
    const bool done = RunCardExchange(port_, window_, [&](CardPort&) {
        try {
            work();
        } catch (const CardNotAnswering&) {
            why = CardSilentLine();
            throw;
        } catch (const CardKeepsSending& flood) {
            why = CardKeepsSendingLine(flood.ThrownAway());
            throw;
        }
    });
    if (done) return {Result::Sent, {}};
    return {Result::CardSilent, why};
}

NodeMessageSender::Sending NodeMessageSender::Send(std::string_view text, bool alone) {
    const NodeMessage message = BuildNodeMessage(text);
    switch (message.outcome) {
        case NodeMessage::Outcome::Ignored:
            return {Result::Ignored, {}};
        case NodeMessage::Outcome::Refused:
            window_.AppendLog(message.line);
            return {Result::Refused, message.line};
        case NodeMessage::Outcome::Built:
            break;
    }
    if (writing_) {
        window_.AppendLog(PORT_TAKEN_LINE);
        return {Result::Busy, std::string(PORT_TAKEN_LINE)};
    }
    if (holding_ && !alone) {
        Write(message);
        return {Result::Sent, {}};
    }
    return Exchange([this, &message] { Write(message); });
}

void NodeMessageSender::Write(const NodeMessage& message) {
    {
        const FlagScope writing(writing_);
        port_.SendFrame(message.frame);
    }
    window_.AppendLog(message.line);
}

}  // namespace kovex
