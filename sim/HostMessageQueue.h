// The card's queue of messages that nodes left for the host. NO_MESSAGE is
// set while it is empty; CMD_GET_MESSAGE takes the oldest one and
// CMD_CLEAR_BUFFER empties it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "sim/SimDevice.h"

namespace kovex {

class HostMessageQueue final : public HostOutbox {
public:
    // More than a real card's buffer holds; a device that keeps talking to a
    // host that never fetches loses its newest messages, not the card memory.
    static constexpr std::size_t DEVICE_MESSAGE_LIMIT = 64;

    bool LeaveHostMessage(std::vector<std::uint8_t> bytes) override {
        if (messages_.size() >= DEVICE_MESSAGE_LIMIT) return false;
        messages_.push_back(std::move(bytes));
        return true;
    }

    // Queued by a test or by the card itself, without the device limit.
    void Push(std::vector<std::uint8_t> bytes) { messages_.push_back(std::move(bytes)); }

    std::optional<std::vector<std::uint8_t>> TakeOldest() {
        if (messages_.empty()) return std::nullopt;
        std::vector<std::uint8_t> oldest = std::move(messages_.front());
        messages_.pop_front();
        return oldest;
    }

    void Clear() { messages_.clear(); }
    const std::deque<std::vector<std::uint8_t>>& Messages() const { return messages_; }
    bool Empty() const { return messages_.empty(); }
    std::size_t Size() const { return messages_.size(); }

private:
    std::deque<std::vector<std::uint8_t>> messages_;
};

}  // namespace kovex
