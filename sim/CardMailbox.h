// The card's side of the byte mailbox: the status register, the data
// register in both directions, the queue of reply bytes on their way to the
// host, and the record of what the host wrote.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "link/Clock.h"
#include "link/CommandFrames.h"
#include "sim/CardSettings.h"
#include "sim/FrameParser.h"

namespace kovex {

class CardMailbox {
public:
    CardMailbox(const MonotonicClock& clock, const CardTiming& timing, const CardFaults& faults);

    std::uint8_t ReadStatus(bool hostMessageWaiting);
    std::uint8_t ReadData();

    // Takes one byte from the host. Returns the frame it completed (valid
    // until the next call), or nullptr. A broken frame is counted here.
    const Frame* TakeHostByte(std::uint8_t value);
    // A complete frame that the card could not execute.
    void CountMalformed() { ++malformedFrames_; }
    // A frame the card executed: recorded, and its reply (none when empty)
    // queued to become readable after `delay`. Bytes the card sends unasked
    // are not replaced by an overriding reply.
    void Answer(const Frame& frame, const std::vector<std::uint8_t>& reply, Nanos delay,
                bool unasked = false);
    // Whatever was on its way to the host is lost.
    void DropPendingReplies() { rxQueue_.clear(); }

    // Bytes put in the host's receive queue at once, as if left over.
    void InjectReplyBytes(const std::vector<std::uint8_t>& bytes);
    // The next command that answers sends these bytes instead of its own
    // reply, at its own time; everything else it does still happens.
    void OverrideNextReply(std::vector<std::uint8_t> bytes) { replyOverride_ = std::move(bytes); }

    const std::vector<std::uint8_t>& HostBytes() const { return hostBytes_; }  // every data write
    const std::vector<Frame>& FramesReceived() const { return framesReceived_; }  // well-formed
    int MalformedFrames() const { return malformedFrames_; }
    int WritesWhileBusy() const { return writesWhileBusy_; }  // written while TX_BUSY was set
    int ReadsWhileEmpty() const { return readsWhileEmpty_; }  // read while RX_EMPTY was set
    int StatusReads() const { return statusReads_; }

private:
    struct TimedByte {
        Nanos readyAt;
        std::uint8_t value;
    };

    bool TxBusy() const;
    bool ReplyByteReadable() const;
    // What the status register shows: a reply byte, or the endless stream.
    bool ByteReadable() const;
    std::vector<std::uint8_t> TakeOverride(const std::vector<std::uint8_t>& reply);

    const MonotonicClock& clock_;
    const CardTiming& timing_;
    const CardFaults& faults_;
    FrameParser parser_;
    std::deque<TimedByte> rxQueue_;
    std::optional<Nanos> lastHostByteAt_;
    std::optional<std::vector<std::uint8_t>> replyOverride_;

    std::vector<std::uint8_t> hostBytes_;
    std::vector<Frame> framesReceived_;
    int malformedFrames_ = 0;
    int writesWhileBusy_ = 0;
    int readsWhileEmpty_ = 0;
    int statusReads_ = 0;
};

}  // namespace kovex
