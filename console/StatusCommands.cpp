#include "console/StatusCommands.h"

#include <array>
#include <cstdio>

#include "link/CardExchange.h"
#include "link/CardRegisters.h"
#include "link/CommandFrames.h"

namespace kovex {
namespace {

std::string Decimal(std::uint8_t byte) {
    return std::to_string(byte);
}

}  // namespace

std::string ReceivedMessageLine(std::span<const std::uint8_t> bytes) {
    std::string line = std::to_string(bytes.size()) + " Bytes recieved: ";
    for (const std::uint8_t byte : bytes) {
        std::array<char, 4> hex{};
        std::snprintf(hex.data(), hex.size(), " %02X", byte);
        line += hex.data();
    }
    return line;
}

void StatusCommands::Exchange(const std::function<void(CardPort&)>& work) {
    RunCardExchange(port_, window_, work);
}

std::uint8_t StatusCommands::AskOneByte(std::span<const std::uint8_t> frame) {
    port_.DrainReplies();
    port_.SendFrame(frame);
    return port_.ReadReplyByte();
}

void StatusCommands::Button4Click() {
    Exchange([this](CardPort& port) {
        port.DrainReplies();
        port.SendFrame(FRAME_GET_VERSION);
        const auto reply = port.ReadCountedText(port.State().VersionReply);
        window_.AppendLog("Firmware version from KOVEX = " + reply.text);
    });
}

void StatusCommands::Button6Click() {
    Exchange([this](CardPort&) {
        window_.AppendLog("Poll speed = " + Decimal(AskOneByte(FRAME_GET_POLL_SPEED)));
    });
}

void StatusCommands::Button7Click() {
    Exchange([this](CardPort& port) {
        window_.AppendLog("KOVEX Responded = " + Decimal(AskOneByte(FRAME_RUN_MODE)));
        for (const Control control : {Control::Button6, Control::Button10, Control::Button13,
                                      Control::Button14, Control::Button16}) {
            window_.SetEnabled(control, true);
        }
        port.State().CardMode = MODE_RUN;
    });
}

void StatusCommands::Button8Click() {
    Exchange([this](CardPort& port) {
        window_.AppendLog("KOVEX Responded = " + Decimal(AskOneByte(FRAME_BOOT_MODE)));
        for (const Control control :
             {Control::Button6, Control::Button10, Control::Button14, Control::Button16}) {
            window_.SetEnabled(control, false);
        }
        port.State().CardMode = MODE_BOOT;
    });
}

void StatusCommands::Button12Click() {
    Exchange([this](CardPort&) {
        window_.AppendLog("KOVEX Responded = " + Decimal(AskOneByte(FRAME_CLEAR_BUFFER)));
    });
}

void StatusCommands::Button15Click() {
    Exchange([this](CardPort& port) {
        port.DrainReplies();
        port.SendFrame(FRAME_GET_ETH_POLL_PTR);
        const std::uint8_t sent = port.ReadReplyByte();
        const std::uint8_t received = port.ReadReplyByte();
        window_.AppendLog("KOVEX Responded = " + Decimal(sent) + " Packets sent, " +
                          Decimal(received) + " Packets recieved");
        for (const Control control : {Control::Button6, Control::Button10, Control::Button13}) {
            window_.SetEnabled(control, true);
        }
        port.State().CardMode = MODE_RUN;
    });
}

void StatusCommands::GetMode() {
    Exchange([this](CardPort& port) {
        const std::uint8_t mode = AskOneByte(FRAME_GET_MODE);
        port.State().CardMode = mode;
        std::array<char, 4> hex{};
        std::snprintf(hex.data(), hex.size(), "%02X", mode);
        window_.AppendLog(std::string("KOVEX Run Mode = ") + hex.data());
    });
}

void StatusCommands::Button11Click() {
    Exchange([this](CardPort&) { GetMessage(); });
}

void StatusCommands::GetMessage() {
    // The tick that enabled the button may be up to 100 ms old.
    if ((port_.ReadStatus() & NO_MESSAGE) != 0) {
        window_.AppendLog("No messages available");
        return;
    }
    port_.DrainReplies();
    port_.SendFrame(FRAME_GET_MESSAGE);
    const std::vector<std::uint8_t> message = CollectMessage();
    window_.AppendLog(ReceivedMessageLine(message));
}

// Takes at most one byte per pass until the message is complete (byte 3
// counts the bytes after the first four), 255 bytes are in, or the five ticks
// set before the first byte have run out.
std::vector<std::uint8_t> StatusCommands::CollectMessage() {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(GET_MESSAGE_MOST_BYTES);
    AppState& state = port_.State();
    state.TickCountdown = GET_MESSAGE_TICKS;
    WaitPacer pacer(port_.Clock());
    for (;;) {
        const bool tookByte = port_.ByteWaiting();
        if (tookByte) bytes.push_back(port_.ReadData());
        if (state.TickCountdown == 0) break;
        if (bytes.size() > 3 && bytes.size() >= std::size_t{bytes[3]} + 4) break;
        if (tookByte) {
            port_.PumpWindowMessages();
        } else {
            port_.PumpAndPace(pacer);
        }
        if (bytes.size() == GET_MESSAGE_MOST_BYTES) break;
    }
    return bytes;
}

}  // namespace kovex
