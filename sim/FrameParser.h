// Splits the host's byte stream into frames. A frame is judged on its
// structure only (header, length, end byte); what it asks for is checked by
// whoever executes it. After a broken frame the parser skips to the next
// 0xFF, since that is where the host thinks its frame ended; a 0xFF that
// broke the frame ends it at once.
#pragma once

#include <cstdint>

#include "link/CommandFrames.h"

namespace kovex {

class FrameParser {
public:
    enum class Step { InProgress, FrameComplete, FrameBroken };

    Step Feed(std::uint8_t byte);

    // The frame just completed; valid until the next Feed.
    const Frame& CompletedFrame() const { return frame_; }

private:
    Step Broken(std::uint8_t byte);

    Frame frame_;
    bool completed_ = false;
    bool skippingToEnd_ = false;
};

}  // namespace kovex
