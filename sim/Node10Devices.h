// Node 10 of the simulated network: two relays (devices 3 and 4), four
// outputs (30 to 33), a timer (5), a message device (7), a serial port (18)
// and the node itself (device 0), which answers command 7 with its firmware
// version, left on the card for the host:
//
//     0A 00 07 n  then the n bytes of the version text
//
// Relays and outputs take command 2 with one parameter (0 off, anything else
// on); the timer takes command 2 with its setting bytes; the message device
// takes command 10 with the number of the message to show; the serial port
// takes command 3 with the bytes to transmit, up to a 0 that ends them. A
// command a device does not know, or one without the parameters it needs,
// is ignored. The display (device 34) attaches on its own.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimDevice.h"

namespace kovex {

class SimNetwork;

class Node10Devices {
public:
    static constexpr std::uint8_t NODE = 10;

    Node10Devices();
    Node10Devices(const Node10Devices&) = delete;
    Node10Devices& operator=(const Node10Devices&) = delete;

    // Attaches every device of the node; they must outlive the network.
    void AttachTo(SimNetwork& network);

    bool RelayOn(int relay) const;    // relay 1 or 2
    bool OutputOn(int output) const;  // output 1 to 4
    const std::vector<std::uint8_t>& TimerSetting() const { return timer_.setting; }
    std::optional<std::uint8_t> MessageShown() const { return messages_.shown; }
    const std::string& SerialSent() const { return serial_.sent; }
    void SetFirmwareVersion(std::string text);  // bytes, up to 251

private:
    struct Switch final : SimDevice {
        void Receive(const ReceivedNodeMessage& message, HostOutbox& host) override;
        bool on = false;
    };
    struct Timer final : SimDevice {
        void Receive(const ReceivedNodeMessage& message, HostOutbox& host) override;
        std::vector<std::uint8_t> setting;
    };
    struct MessageDevice final : SimDevice {
        void Receive(const ReceivedNodeMessage& message, HostOutbox& host) override;
        std::optional<std::uint8_t> shown;
    };
    struct SerialPort final : SimDevice {
        void Receive(const ReceivedNodeMessage& message, HostOutbox& host) override;
        std::string sent;
    };
    struct NodeController final : SimDevice {
        void Receive(const ReceivedNodeMessage& message, HostOutbox& host) override;
        std::string version;
    };

    std::array<Switch, 2> relays_;
    std::array<Switch, 4> outputs_;
    Timer timer_;
    MessageDevice messages_;
    SerialPort serial_;
    NodeController controller_;
};

}  // namespace kovex
