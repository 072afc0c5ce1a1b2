// The mailbox of a card that replays a capture: each host frame is checked
// against the capture's next one and answered with the bytes the capture
// read after it, each byte readable once as long after the frame's first
// byte as it was then. A frame that differs is named once, and the card is
// silent from there on.
//
// A drained byte's time is when the host threw it away, not when the card
// sent it, so a replayed host may drain before it is readable. The captured
// host had thrown it away before its next frame: so a drained byte still
// waiting when the next frame starts is thrown away too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/Pcapng.h"

namespace kovex {

// One host frame of a capture and what the card answered to it.
struct ReplayStep {
    std::vector<std::uint8_t> frame;
    std::size_t packetNumber = 0;  // counted from 1, as Wireshark counts
    // Each reply byte and how long after the frame's first byte it came;
    // drained when the host threw it away rather than read it as a reply.
    struct TimedByte {
        Nanos after;
        std::uint8_t value;
        bool drained = false;
    };
    std::vector<TimedByte> reply;
};

struct ReplayScript {
    // Bytes the card held before the first frame (readable at once).
    std::vector<ReplayStep::TimedByte> leftover;
    std::vector<ReplayStep> steps;
};

// The steps of the capture's first card.
ReplayScript ScriptOf(const CaptureContents& capture);

class ReplayMailbox {
public:
    ReplayMailbox(const MonotonicClock& clock, ReplayScript script);

    void OnMismatch(std::function<void(const std::string&)> tell) { tell_ = std::move(tell); }

    std::uint8_t ReadStatus() const;
    std::uint8_t ReadData();
    void WriteData(std::uint8_t byte);

    bool Silent() const { return silent_; }

private:
    struct Pending {
        Nanos readyAt;
        std::uint8_t value;
        bool drained;
    };

    void FrameStarts();
    void FrameEnded();
    void Mismatch(const std::vector<std::uint8_t>& sent, const std::string& expected);
    bool ByteReady() const;

    const MonotonicClock& clock_;
    ReplayScript script_;
    std::size_t next_ = 0;
    std::vector<std::uint8_t> frame_;
    Nanos frameStart_{0};
    std::deque<Pending> pending_;
    bool silent_ = false;
    std::function<void(const std::string&)> tell_;
};

}  // namespace kovex
