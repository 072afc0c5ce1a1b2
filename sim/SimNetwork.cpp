#include "sim/SimNetwork.h"

#include <optional>

namespace kovex {

namespace {

constexpr std::size_t NODE_MESSAGE_HEADER = 5;  // flag, node, device, command, count
constexpr std::size_t COUNT_AT = 4;
constexpr std::size_t CHATTER_QUEUE_LIMIT = 4;
constexpr std::uint8_t CHATTER_NODE = 12;
constexpr std::uint8_t CHATTER_DEVICE = 3;
constexpr std::uint8_t CHATTER_COMMAND = 0x07;

std::optional<ReceivedNodeMessage> ParseNodeMessage(std::span<const std::uint8_t> payload) {
    if (payload.size() < NODE_MESSAGE_HEADER ||
        std::size_t{payload[COUNT_AT]} != payload.size() - NODE_MESSAGE_HEADER) {
        return std::nullopt;
    }
    return ReceivedNodeMessage{payload[0],
                               payload[1],
                               payload[2],
                               payload[3],
                               {payload.begin() + NODE_MESSAGE_HEADER, payload.end()}};
}

}  // namespace

SimNetwork::SimNetwork(HostMessageQueue& host) : host_(host) {}
SimNetwork::~SimNetwork() = default;

void SimNetwork::Attach(std::uint8_t node, std::uint8_t device, SimDevice& target) {
    devices_[{node, device}] = &target;
}

SimDevice& SimNetwork::Adopt(std::uint8_t node, std::uint8_t device,
                             std::unique_ptr<SimDevice> target) {
    SimDevice& adopted = *target;
    owned_.push_back(std::move(target));
    Attach(node, device, adopted);
    return adopted;
}

void SimNetwork::Detach(std::uint8_t node, std::uint8_t device) {
    devices_.erase({node, device});
}

SimDevice* SimNetwork::DeviceAt(std::uint8_t node, std::uint8_t device) const {
    const auto found = devices_.find({node, device});
    return found == devices_.end() ? nullptr : found->second;
}

void SimNetwork::AttachUnclaimed(SimDevice* target) {
    unclaimedTarget_ = target;
}

bool SimNetwork::Deliver(std::span<const std::uint8_t> payload) {
    auto message = ParseNodeMessage(payload);
    if (!message) return false;
    received_.push_back(std::move(*message));
    const ReceivedNodeMessage& delivered = received_.back();
    SimDevice* target = DeviceAt(delivered.node, delivered.device);
    if (target == nullptr) {
        ++unclaimed_;
        target = unclaimedTarget_;
    }
    if (target != nullptr) target->Receive(delivered, host_);
    return true;
}

void SimNetwork::SetChatter(Nanos interval, Nanos now) {
    chatterInterval_ = interval;
    chatterAnchor_ = now;
}

void SimNetwork::CatchUp(Nanos now, bool running) {
    if (!running || chatterInterval_ <= Nanos::zero()) {
        chatterAnchor_ = now;
        return;
    }
    const auto intervals = (now - chatterAnchor_) / chatterInterval_;
    chatterAnchor_ += intervals * chatterInterval_;
    for (Nanos::rep i = 0; i < intervals && host_.Size() < CHATTER_QUEUE_LIMIT; ++i) {
        host_.Push(NextChatterMessage());
    }
}

// Node 12, device 3 reports a two-digit reading that counts up.
std::vector<std::uint8_t> SimNetwork::NextChatterMessage() {
    const unsigned reading = chatterCount_++ % 100;
    return {CHATTER_NODE,
            CHATTER_DEVICE,
            CHATTER_COMMAND,
            0x02,
            static_cast<std::uint8_t>('0' + reading / 10),
            static_cast<std::uint8_t>('0' + reading % 10)};
}

}  // namespace kovex
