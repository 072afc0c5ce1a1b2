// The network of nodes behind the simulated card.
//
// Every CMD_SEND_MESSAGE payload the card receives goes to Deliver: it is
// decoded (flag, node, device, command, count, parameters), recorded, and
// handed to the SimDevice attached at (node, device). A message for an
// address where nothing is attached is recorded and otherwise ignored, unless
// a catch-all device is set with AttachUnclaimed.
//
// Attaching, from a test or a program that owns the device:
//
//     MyDisplay display;                        // implements SimDevice
//     card.Network().Attach(10, 34, display);   // the display node's address
//     card.Network().Attach(20, 5, display);    // and any other one
//     ...
//     card.Network().Detach(20, 5);             // before display goes away
//
// Attach does not take ownership: the device must outlive the card or be
// detached first. Adopt hands the network a device to own.
//
// Node 12, device 3 can chatter: in run mode it leaves a two-digit reading
// for the host every interval (SimulatedCard::SetNodeChatter).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "link/Clock.h"
#include "sim/HostMessageQueue.h"
#include "sim/SimDevice.h"

namespace kovex {

class SimNetwork {
public:
    explicit SimNetwork(HostMessageQueue& host);
    ~SimNetwork();
    SimNetwork(const SimNetwork&) = delete;
    SimNetwork& operator=(const SimNetwork&) = delete;

    // Messages to (node, device) go to `target` from now on, replacing any
    // device attached there before.
    void Attach(std::uint8_t node, std::uint8_t device, SimDevice& target);
    // As Attach, and the network owns the device for the rest of its life.
    SimDevice& Adopt(std::uint8_t node, std::uint8_t device, std::unique_ptr<SimDevice> target);
    // Nothing is attached at (node, device) any more.
    void Detach(std::uint8_t node, std::uint8_t device);
    // The device attached at (node, device), or nullptr.
    SimDevice* DeviceAt(std::uint8_t node, std::uint8_t device) const;
    // True when a device is attached at the node, or the node chatters: such
    // a node answers the card's polls.
    bool HasNode(std::uint8_t node) const;
    // Receives every message that no attached device takes; nullptr: such
    // messages are ignored (the default).
    void AttachUnclaimed(SimDevice* target);

    // Decodes one CMD_SEND_MESSAGE payload and delivers it. Returns false,
    // and records nothing, when the payload is not a node message (shorter
    // than five bytes, or its count byte disagrees with its length).
    bool Deliver(std::span<const std::uint8_t> payload);

    const std::vector<ReceivedNodeMessage>& Received() const { return received_; }
    // Messages that went to no device.
    int Unclaimed() const { return unclaimed_; }

    // Node 12's chatter; see SimulatedCard::SetNodeChatter.
    void SetChatter(Nanos interval, Nanos now);
    // The chatter counts as running since `by` before its last message.
    void ChatterRanEarlier(Nanos by) { chatterAnchor_ -= by; }
    // How many readings node 12 gave; the next one is this count's.
    unsigned ChatterCount() const { return chatterCount_; }
    void SetChatterCount(unsigned count) { chatterCount_ = count; }
    // Brings the chatter up to `now`; it runs only while `running`.
    void CatchUp(Nanos now, bool running);

private:
    using Address = std::pair<std::uint8_t, std::uint8_t>;

    std::vector<std::uint8_t> NextChatterMessage();

    HostMessageQueue& host_;
    std::map<Address, SimDevice*> devices_;
    std::vector<std::unique_ptr<SimDevice>> owned_;
    SimDevice* unclaimedTarget_ = nullptr;
    std::vector<ReceivedNodeMessage> received_;
    int unclaimed_ = 0;

    Nanos chatterInterval_{0};
    Nanos chatterAnchor_{0};
    unsigned chatterCount_ = 0;
};

}  // namespace kovex
