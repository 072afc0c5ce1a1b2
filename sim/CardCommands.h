// The card's firmware as the host sees it: the command table, the state the
// commands read and change (mode, version text, poll list, node statuses,
// counters, flash), and the polling that moves the packet counters and the
// poll pointer in run mode. Node messages go on to the network; messages for the host come from
// the card's host-message queue.
//
// Reply bytes: a written program line and a finished erase answer 0x06;
// Boot Mode, Run Mode and Get Mode answer the mode; Set Poll Item and Clear
// Buffer answer 0x00.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "link/CardRegisters.h"
#include "link/Clock.h"
#include "link/CommandFrames.h"
#include "sim/CardSettings.h"
#include "sim/HostMessageQueue.h"
#include "sim/SimNetwork.h"

namespace kovex {

inline constexpr std::uint8_t NODE_ANSWERING = 1;

// Plain card state, which a test reads and sets through SimulatedCard::State.
struct CardState {
    std::uint8_t mode = MODE_RUN;                // set with SimulatedCard::SetMode
    std::string versionText = "KOVEX 2.14 sim";  // its reply carries the first 255 bytes
    std::array<std::uint8_t, 256> pollList{};
    // A node's status as set by a test; a node without one answers as the
    // network says (NODE_ANSWERING when it has a device, else 0).
    std::array<std::optional<std::uint8_t>, 256> nodeStatus{};
    // The entry the card polls now and its node (CMD_GET_ETH_POLL_NODE).
    std::uint8_t ethPollPointer = 0;
    std::uint8_t pollSpeed = 20;
    std::uint8_t ethPollNode = 0;
    std::map<std::uint32_t, std::uint8_t> flash;  // card address -> byte
    int eraseCount = 0;
    int resetCount = 0;
    int programLinesReceived = 0;
    int linesSinceErase = 0;
    std::uint8_t lineAck = 0x06;  // the byte that acknowledges a program line
    // What the firmware sends as it starts after a reset, asked or not.
    std::vector<std::uint8_t> startupChatter;
    // Erased since the last reset: the next reset starts the new firmware,
    // whose version text names what was programmed.
    bool firmwareChanged = false;

    // The whole list: these nodes from entry 0 on, 0 in every other entry.
    void SetPollList(std::span<const std::uint8_t> nodes);
};

// CRC-32 (IEEE 802.3, as zip uses it) of the flash bytes in address order.
std::uint32_t FlashCrc32(const std::map<std::uint32_t, std::uint8_t>& flash);
// The version text of firmware started from flash: "KOVEX FW crc32=1A2B3C4D".
std::string FirmwareVersionText(const std::map<std::uint32_t, std::uint8_t>& flash);

// What a command did: the reply to send (empty: none) and when.
struct CommandOutcome {
    std::vector<std::uint8_t> reply;
    std::optional<Nanos> delay;        // CardTiming::replyDelay unless set
    bool dropsPendingReplies = false;  // the firmware restarted
    bool unasked = false;              // sent of the card's own accord, not an answer
};

class CardCommands {
public:
    CardCommands(const CardTiming& timing, const CardFaults& faults, HostMessageQueue& host,
                 SimNetwork& network);

    // Runs one well-formed frame. nullopt: it names no command, its payload
    // has the wrong length, or the payload makes no sense to the command.
    std::optional<CommandOutcome> Execute(const Frame& frame);

    CardState& State() { return state_; }
    const CardState& State() const { return state_; }

    // In run mode each period moves both packet counters on by one and the
    // card on to the next node of its poll list.
    void SetPollPeriod(Nanos period, Nanos now);
    void SetPacketCounters(std::uint8_t sent, std::uint8_t received);
    std::pair<std::uint8_t, std::uint8_t> PacketCounters() const {
        return {packetsSent_, packetsReceived_};
    }
    // The polling counts as running since `by` before its last count.
    void PollingRanEarlier(Nanos by) { pollAnchor_ -= by; }
    // Brings the packet counters up to `now`.
    void CatchUp(Nanos now);

private:
    using Handler =
        std::optional<CommandOutcome> (CardCommands::*)(std::span<const std::uint8_t> payload);
    struct Command {
        std::uint8_t code;
        int payloadLength;  // ANY_LENGTH: whatever came
        Handler handler;
    };
    static constexpr int ANY_LENGTH = -1;
    static const Command* FindCommand(std::uint8_t code);
    void MovePollPointer(Nanos::rep periods);

    std::optional<CommandOutcome> ProgramLine(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> EnterBootMode(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> EnterRunMode(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> Erase(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> GetMode(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> GetVersion(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> Reset(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> SendMessage(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> GetMessage(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> ClearBuffer(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> SetPollItem(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> GetPollItem(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> GetPollSpeed(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> GetNodeStatus(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> GetEthPollNode(std::span<const std::uint8_t> payload);
    std::optional<CommandOutcome> GetEthPollPointers(std::span<const std::uint8_t> payload);

    const CardTiming& timing_;
    const CardFaults& faults_;
    HostMessageQueue& host_;
    SimNetwork& network_;
    CardState state_;

    Nanos pollPeriod_{0};
    Nanos pollAnchor_{0};
    std::uint8_t packetsSent_ = 0;
    std::uint8_t packetsReceived_ = 0;
};

}  // namespace kovex
