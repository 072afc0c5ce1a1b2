#include "sim/FrameParser.h"

namespace kovex {

FrameParser::Step FrameParser::Feed(std::uint8_t byte) {
    if (skippingToEnd_) {
        skippingToEnd_ = byte != FRAME_END;
        return Step::InProgress;
    }
    if (completed_) {
        frame_.clear();
        completed_ = false;
    }
    const std::size_t position = frame_.size();
    frame_.push_back(byte);
    if (position < FRAME_HEADER.size()) {
        return byte == FRAME_HEADER[position] ? Step::InProgress : Broken(byte);
    }
    if (position < FRAME_OVERHEAD - 1) {  // code and length byte
        return byte == FRAME_END ? Broken(byte) : Step::InProgress;
    }
    const std::size_t endPosition = FRAME_OVERHEAD - 1 + frame_[FRAME_OVERHEAD - 2];
    if (position < endPosition) {
        return byte == FRAME_END ? Broken(byte) : Step::InProgress;
    }
    if (byte != FRAME_END) return Broken(byte);
    completed_ = true;
    return Step::FrameComplete;
}

FrameParser::Step FrameParser::Broken(std::uint8_t byte) {
    frame_.clear();
    skippingToEnd_ = byte != FRAME_END;
    return Step::FrameBroken;
}

}  // namespace kovex
