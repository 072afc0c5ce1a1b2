// What went over the mailbox, packet by packet: each host frame, each reply
// (the bytes read after one frame, drained ones marked) and each event that
// carries no bytes (a give-up, a time-out, the card lost, an interrupt).
// The port feeds a TrafficRecorder byte by byte; the recorder hands whole
// packets to its sinks (a capture file, kovexctl's -v lines). With no sink
// it does nothing at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "link/Clock.h"

namespace kovex {

enum class TrafficKind { Frame, Reply, Event };

struct TrafficPacket {
    TrafficKind kind = TrafficKind::Frame;
    // When the first byte of the packet moved (the event's moment for an event).
    Nanos at{0};
    std::vector<std::uint8_t> bytes;
    // Per byte of a reply: thrown away by a drain rather than read as a reply.
    std::vector<bool> drained;
    // What happened, for an event.
    std::string event;

    static TrafficPacket Of(TrafficKind kind, Nanos at = Nanos{0}) {
        TrafficPacket packet;
        packet.kind = kind;
        packet.at = at;
        return packet;
    }
    bool AnyDrained() const;
};

// "0-2,5" for bytes 0, 1, 2 and 5 drained; empty when none was.
std::string DrainedRanges(const TrafficPacket& packet);
// The ranges back into per-byte marks for `size` bytes; false on text that
// is not such a list or names a byte past the end.
bool ParseDrainedRanges(std::string_view text, std::size_t size, std::vector<bool>& drained);

class TrafficSink {
public:
    virtual ~TrafficSink() = default;
    virtual void Packet(const TrafficPacket& packet) = 0;
};

class TrafficRecorder {
public:
    // Packet times come from `clock`, read once a packet, at its first byte.
    explicit TrafficRecorder(const MonotonicClock& clock) : clock_(clock) {}

    void AddSink(TrafficSink& sink) { sinks_.push_back(&sink); }
    void RemoveSink(const TrafficSink& sink);
    bool Recording() const { return !sinks_.empty(); }

    // A byte written to the card; a frame ends at its 0xFF.
    void Wrote(std::uint8_t byte);
    // A byte read from the card, as part of a reply or thrown away by a drain.
    void Read(std::uint8_t byte, bool drained);
    // An event without bytes, after whatever packet was still open.
    void Event(std::string text);
    // The exchange ended: the open packet (a reply, or a frame cut short) goes out.
    void Flush();

private:
    void Send(const TrafficPacket& packet);
    void FlushFrame();
    void FlushReply();

    const MonotonicClock& clock_;
    std::vector<TrafficSink*> sinks_;
    TrafficPacket frame_ = TrafficPacket::Of(TrafficKind::Frame);
    TrafficPacket reply_ = TrafficPacket::Of(TrafficKind::Reply);
};

}  // namespace kovex
