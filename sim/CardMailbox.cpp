#include "sim/CardMailbox.h"

#include <algorithm>

#include "link/CardRegisters.h"

namespace kovex {

CardMailbox::CardMailbox(const MonotonicClock& clock, const CardTiming& timing,
                         const CardFaults& faults)
    : clock_(clock), timing_(timing), faults_(faults) {}

bool CardMailbox::TxBusy() const {
    return faults_.stuckTxBusy ||
           (lastHostByteAt_ && clock_.Now() < *lastHostByteAt_ + timing_.txBusyHold);
}

bool CardMailbox::ReplyByteReadable() const {
    return !rxQueue_.empty() && rxQueue_.front().readyAt <= clock_.Now();
}

bool CardMailbox::ByteReadable() const {
    return faults_.endlessStream || ReplyByteReadable();
}

std::uint8_t CardMailbox::ReadStatus(bool hostMessageWaiting) {
    ++statusReads_;
    std::uint8_t status = 0;
    if (TxBusy()) status |= TX_BUSY;
    if (!ByteReadable()) status |= RX_EMPTY;
    if (!hostMessageWaiting) status |= NO_MESSAGE;
    return status;
}

std::uint8_t CardMailbox::ReadData() {
    if (!ReplyByteReadable()) {
        if (!faults_.endlessStream) ++readsWhileEmpty_;
        return 0;
    }
    const std::uint8_t value = rxQueue_.front().value;
    rxQueue_.pop_front();
    return value;
}

const Frame* CardMailbox::TakeHostByte(std::uint8_t value) {
    if (TxBusy()) ++writesWhileBusy_;
    hostBytes_.push_back(value);
    lastHostByteAt_ = clock_.Now();
    switch (parser_.Feed(value)) {
        case FrameParser::Step::FrameBroken:
            ++malformedFrames_;
            return nullptr;
        case FrameParser::Step::FrameComplete:
            return &parser_.CompletedFrame();
        case FrameParser::Step::InProgress:
            return nullptr;
    }
    return nullptr;
}

// Bytes are read strictly in order, so a quick reply queued behind a slow
// one (after an erase) waits for it.
void CardMailbox::Answer(const Frame& frame, const std::vector<std::uint8_t>& reply, Nanos delay,
                         bool unasked) {
    framesReceived_.push_back(frame);
    if (reply.empty()) return;
    const std::vector<std::uint8_t> sent = unasked ? reply : TakeOverride(reply);
    if (sent.empty() || faults_.silent) return;
    const Nanos readyAt = std::max(clock_.Now() + delay, timing_.repliesNotBefore);
    for (const std::uint8_t value : sent) {
        rxQueue_.push_back({readyAt, value});
    }
    for (const std::uint8_t value : faults_.extraAfterReply) {
        rxQueue_.push_back({readyAt, value});
    }
}

std::vector<std::uint8_t> CardMailbox::TakeOverride(const std::vector<std::uint8_t>& reply) {
    if (!replyOverride_) return reply;
    std::vector<std::uint8_t> replacement = std::move(*replyOverride_);
    replyOverride_.reset();
    return replacement;
}

// Stale bytes sit behind what is readable already and ahead of replies
// still being prepared, as if they had just arrived.
void CardMailbox::InjectReplyBytes(const std::vector<std::uint8_t>& bytes) {
    const Nanos now = clock_.Now();
    const auto firstPending = std::find_if(rxQueue_.begin(), rxQueue_.end(),
                                           [now](const TimedByte& b) { return b.readyAt > now; });
    std::vector<TimedByte> stale;
    stale.reserve(bytes.size());
    for (const std::uint8_t value : bytes) {
        stale.push_back({now, value});
    }
    rxQueue_.insert(firstPending, stale.begin(), stale.end());
}

}  // namespace kovex
