// The one interface through which the simulated network reaches a device.
//
// The card decodes every CMD_SEND_MESSAGE payload into a ReceivedNodeMessage
// and the network (SimNetwork.h) hands it to the device attached at its node
// and device number. A device answers, when it answers at all, by leaving a
// message on the card for the host through HostOutbox: the card then clears
// NO_MESSAGE until Get Msg has fetched it.
//
// A host message is a run of bytes laid out as the card returns it to Get Msg:
// node, device, command, count, then count data bytes (byte 3 counts the
// bytes after the first four).
#pragma once

#include <cstdint>
#include <vector>

namespace kovex {

// A node message the host sent with CMD_SEND_MESSAGE, as the card decoded it.
struct ReceivedNodeMessage {
    std::uint8_t flag = 0;
    std::uint8_t node = 0;
    std::uint8_t device = 0;
    std::uint8_t command = 0;
    std::vector<std::uint8_t> parameters;
    bool operator==(const ReceivedNodeMessage&) const = default;
};

// Where a device leaves messages for the host.
class HostOutbox {
public:
    // Queues one message for Get Msg. Returns false when the card's queue is
    // full and the message is dropped, as a real card would drop it.
    virtual bool LeaveHostMessage(std::vector<std::uint8_t> bytes) = 0;

protected:
    HostOutbox() = default;
    ~HostOutbox() = default;
    HostOutbox(const HostOutbox&) = default;
    HostOutbox& operator=(const HostOutbox&) = default;
};

// A device on a node of the network. One object may be attached at several
// addresses; the message says which one it came to.
class SimDevice {
public:
    virtual ~SimDevice() = default;
    // Called once for every message addressed to this device, in the order
    // the card received them, before the card takes its next host byte.
    virtual void Receive(const ReceivedNodeMessage& message, HostOutbox& host) = 0;

protected:
    SimDevice() = default;
    SimDevice(const SimDevice&) = default;
    SimDevice& operator=(const SimDevice&) = default;
};

}  // namespace kovex
