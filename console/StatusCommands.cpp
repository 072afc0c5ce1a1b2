#include "console/StatusCommands.h"

#include "link/CardExchange.h"
#include "link/CardRegisters.h"
#include "link/CommandFrames.h"
#include "seam/HexText.h"

namespace kovex {
namespace {

void SetEnabled(WindowServices& window, std::initializer_list<Control> controls, bool enabled) {
    for (const Control control : controls)
        window.SetEnabled(control, enabled);
}

}  // namespace

std::string ReceivedMessageLine(std::span<const std::uint8_t> bytes) {
    return std::to_string(bytes.size()) + " Bytes recieved: " + HexBytes(bytes);
}

std::uint8_t StatusCommands::AskOneByte(std::span<const std::uint8_t> frame) {
    port_.DrainReplies();
    port_.SendFrame(frame);
    return port_.ReadReplyByte();
}

Reply<std::string> StatusCommands::Button4Click() {
    return RunCardRead<std::string>(port_, window_, [this](CardPort& port) {
        port.DrainReplies();
        port.SendFrame(FRAME_GET_VERSION);
        auto reply = port.ReadCountedText(port.State().VersionReply);
        window_.AppendLog("Firmware version from KOVEX = " + reply.text);
        return std::move(reply.text);
    });
}

Reply<std::uint8_t> StatusCommands::Button6Click() {
    return RunCardRead<std::uint8_t>(port_, window_, [this](CardPort&) {
        const std::uint8_t speed = AskOneByte(FRAME_GET_POLL_SPEED);
        window_.AppendLog("Poll speed = " + std::to_string(speed));
        return speed;
    });
}

Reply<std::uint8_t> StatusCommands::Button7Click() {
    return RunCardRead<std::uint8_t>(port_, window_, [this](CardPort& port) {
        const std::uint8_t answer = AskOneByte(FRAME_RUN_MODE);
        window_.AppendLog("KOVEX Responded = " + std::to_string(answer));
        SetEnabled(window_,
                   {Control::Button6, Control::Button10, Control::Button13, Control::Button14,
                    Control::Button16},
                   true);
        port.State().CardMode = MODE_RUN;
        return answer;
    });
}

Reply<std::uint8_t> StatusCommands::Button8Click() {
    return RunCardRead<std::uint8_t>(port_, window_, [this](CardPort& port) {
        const std::uint8_t answer = AskOneByte(FRAME_BOOT_MODE);
        window_.AppendLog("KOVEX Responded = " + std::to_string(answer));
        SetEnabled(window_,
                   {Control::Button6, Control::Button10, Control::Button14, Control::Button16},
                   false);
        port.State().CardMode = MODE_BOOT;
        return answer;
    });
}

Reply<std::uint8_t> StatusCommands::Button12Click() {
    return RunCardRead<std::uint8_t>(port_, window_, [this](CardPort&) {
        const std::uint8_t answer = AskOneByte(FRAME_CLEAR_BUFFER);
        window_.AppendLog("KOVEX Responded = " + std::to_string(answer));
        return answer;
    });
}

Reply<LoopbackCounters> StatusCommands::Button15Click() {
    return RunCardRead<LoopbackCounters>(port_, window_, [this](CardPort& port) {
        port.DrainReplies();
        port.SendFrame(FRAME_GET_ETH_POLL_PTR);
        LoopbackCounters counters;
        counters.sent = port.ReadReplyByte();
        counters.received = port.ReadReplyByte();
        window_.AppendLog("KOVEX Responded = " + std::to_string(counters.sent) + " Packets sent, " +
                          std::to_string(counters.received) + " Packets recieved");
        SetEnabled(window_, {Control::Button6, Control::Button10, Control::Button13}, true);
        port.State().CardMode = MODE_RUN;
        return counters;
    });
}

Reply<std::uint8_t> StatusCommands::GetMode() {
    return RunCardRead<std::uint8_t>(port_, window_, [this](CardPort& port) {
        const std::uint8_t mode = AskOneByte(FRAME_GET_MODE);
        port.State().CardMode = mode;
        window_.AppendLog("KOVEX Run Mode = " + Hex(mode, 2));
        return mode;
    });
}

Reply<WaitingMessage> StatusCommands::Button11Click() {
    Reply<WaitingMessage> reply;
    reply.outcome = RunCardExchange(
        port_, window_, [&](CardPort&) -> Outcome { return GetMessage(reply.value, true); });
    return reply;
}

Reply<std::vector<std::vector<std::uint8_t>>> StatusCommands::GetMessages(std::size_t most) {
    Reply<std::vector<std::vector<std::uint8_t>>> reply;
    reply.outcome = RunCardExchange(port_, window_, [&](CardPort&) -> Outcome {
        while (reply.value.size() < most) {
            WaitingMessage message;
            Outcome outcome = GetMessage(message, reply.value.empty());
            if (!outcome || !message) return outcome;
            reply.value.push_back(std::move(*message));
        }
        return {};
    });
    return reply;
}

Outcome StatusCommands::GetMessage(WaitingMessage& message, bool sayNone) {
    // The tick that enabled the button may be up to 100 ms old.
    const std::uint8_t status = port_.ReadPresentStatus();
    if ((status & NO_MESSAGE) != 0) {
        if (sayNone) window_.AppendLog("No messages available");
        return {};
    }
    port_.DrainReplies();
    port_.SendFrame(FRAME_GET_MESSAGE);
    message = CollectMessage();
    window_.AppendLog(ReceivedMessageLine(*message));
    return {};
}

// Takes at most one byte per pass until the message is complete (byte 3
// counts the bytes after the first four), 255 bytes are in, or the five ticks
// set before the first byte have run out.
std::vector<std::uint8_t> StatusCommands::CollectMessage() {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(GET_MESSAGE_MOST_BYTES);
    AppState& state = port_.State();
    state.TickCountdown = GET_MESSAGE_TICKS;
    WaitPacer pacer = port_.MakePacer();
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
