#include "sim/Node10Devices.h"

#include <algorithm>
#include <utility>

#include "sim/SimNetwork.h"

namespace kovex {

namespace {

constexpr std::uint8_t DEVICE_CONTROLLER = 0;
constexpr std::uint8_t DEVICE_RELAY_1 = 3;
constexpr std::uint8_t DEVICE_TIMER = 5;
constexpr std::uint8_t DEVICE_MESSAGES = 7;
constexpr std::uint8_t DEVICE_SERIAL = 18;
constexpr std::uint8_t DEVICE_OUTPUT_1 = 30;

constexpr std::uint8_t COMMAND_SET = 2;
constexpr std::uint8_t COMMAND_TRANSMIT = 3;
constexpr std::uint8_t COMMAND_GET_VERSION = 7;
constexpr std::uint8_t COMMAND_SHOW_MESSAGE = 10;

// A host message carries its data count in one byte, after four header bytes.
constexpr std::size_t VERSION_TEXT_MAX = 251;

}  // namespace

Node10Devices::Node10Devices() {
    controller_.version = "12";
}

void Node10Devices::AttachTo(SimNetwork& network) {
    network.Attach(NODE, DEVICE_CONTROLLER, controller_);
    for (std::size_t i = 0; i < relays_.size(); ++i) {
        network.Attach(NODE, static_cast<std::uint8_t>(DEVICE_RELAY_1 + i), relays_[i]);
    }
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        network.Attach(NODE, static_cast<std::uint8_t>(DEVICE_OUTPUT_1 + i), outputs_[i]);
    }
    network.Attach(NODE, DEVICE_TIMER, timer_);
    network.Attach(NODE, DEVICE_MESSAGES, messages_);
    network.Attach(NODE, DEVICE_SERIAL, serial_);
}

bool Node10Devices::RelayOn(int relay) const {
    return relay >= 1 && relay <= static_cast<int>(relays_.size()) &&
           relays_[static_cast<std::size_t>(relay - 1)].on;
}

bool Node10Devices::OutputOn(int output) const {
    return output >= 1 && output <= static_cast<int>(outputs_.size()) &&
           outputs_[static_cast<std::size_t>(output - 1)].on;
}

void Node10Devices::SetFirmwareVersion(std::string text) {
    if (text.size() > VERSION_TEXT_MAX) text.resize(VERSION_TEXT_MAX);
    controller_.version = std::move(text);
}

void Node10Devices::Switch::Receive(const ReceivedNodeMessage& message, HostOutbox& /*host*/) {
    if (message.command != COMMAND_SET || message.parameters.empty()) return;
    on = message.parameters[0] != 0;
}

void Node10Devices::Timer::Receive(const ReceivedNodeMessage& message, HostOutbox& /*host*/) {
    if (message.command != COMMAND_SET || message.parameters.empty()) return;
    setting = message.parameters;
}

void Node10Devices::MessageDevice::Receive(const ReceivedNodeMessage& message,
                                           HostOutbox& /*host*/) {
    if (message.command != COMMAND_SHOW_MESSAGE || message.parameters.empty()) return;
    shown = message.parameters[0];
}

void Node10Devices::SerialPort::Receive(const ReceivedNodeMessage& message, HostOutbox& /*host*/) {
    if (message.command != COMMAND_TRANSMIT) return;
    const auto& bytes = message.parameters;
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    sent.append(bytes.begin(), end);
}

void Node10Devices::NodeController::Receive(const ReceivedNodeMessage& message, HostOutbox& host) {
    if (message.command != COMMAND_GET_VERSION) return;
    std::vector<std::uint8_t> reply{NODE, DEVICE_CONTROLLER, COMMAND_GET_VERSION,
                                    static_cast<std::uint8_t>(version.size())};
    reply.insert(reply.end(), version.begin(), version.end());
    host.LeaveHostMessage(std::move(reply));
}

}  // namespace kovex
