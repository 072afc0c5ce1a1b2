#include "sim/CardCommands.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string_view>
#include <utility>

namespace kovex {

namespace {

constexpr std::uint8_t ACK = 0x06;   // program line written, flash erased
constexpr std::uint8_t DONE = 0x00;  // poll item stored, buffer cleared

CommandOutcome Reply(std::vector<std::uint8_t> bytes, std::optional<Nanos> delay = std::nullopt) {
    return {std::move(bytes), delay, false};
}
CommandOutcome NoReply() {
    return {};
}

std::optional<std::uint8_t> HexDigitValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    return std::nullopt;
}

// Reads `digits` upper-case hex digits starting at `from`.
std::optional<std::uint32_t> ParseHex(std::span<const std::uint8_t> text, std::size_t from,
                                      std::size_t digits) {
    std::uint32_t value = 0;
    for (std::size_t i = from; i < from + digits; ++i) {
        const auto digit = HexDigitValue(text[i]);
        if (!digit) return std::nullopt;
        value = value * 16 + *digit;
    }
    return value;
}

bool HasText(std::span<const std::uint8_t> text, std::size_t at, std::string_view expected) {
    return std::equal(expected.begin(), expected.end(),
                      text.begin() + static_cast<std::ptrdiff_t>(at));
}

struct LineRecord {
    std::uint32_t address = 0;
    std::array<std::uint8_t, 16> data{};
};

// ":10" AAAA "00" then 32 hex digits of data and a fixed "00".
std::optional<LineRecord> ParseLineRecord(std::span<const std::uint8_t> text) {
    constexpr std::size_t addressAt = 3;
    constexpr std::size_t typeAt = 7;
    constexpr std::size_t dataAt = 9;
    constexpr std::size_t trailerAt = 41;
    if (text.size() != LINE_RECORD_LENGTH || !HasText(text, 0, ":10") ||
        !HasText(text, typeAt, "00") || !HasText(text, trailerAt, "00")) {
        return std::nullopt;
    }
    LineRecord record;
    const auto address = ParseHex(text, addressAt, 4);
    if (!address) return std::nullopt;
    record.address = *address;
    for (std::size_t i = 0; i < record.data.size(); ++i) {
        const auto byte = ParseHex(text, dataAt + 2 * i, 2);
        if (!byte) return std::nullopt;
        record.data[i] = static_cast<std::uint8_t>(*byte);
    }
    return record;
}

}  // namespace

void CardState::SetPollList(std::span<const std::uint8_t> nodes) {
    pollList.fill(0);
    std::copy_n(nodes.begin(), std::min(nodes.size(), pollList.size()), pollList.begin());
}

std::uint32_t FlashCrc32(const std::map<std::uint32_t, std::uint8_t>& flash) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const auto& [address, byte] : flash) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string FirmwareVersionText(const std::map<std::uint32_t, std::uint8_t>& flash) {
    std::array<char, 9> digits{};
    std::snprintf(digits.data(), digits.size(), "%08X", FlashCrc32(flash));
    return std::string("KOVEX FW crc32=") + digits.data();
}

CardCommands::CardCommands(const CardTiming& timing, const CardFaults& faults,
                           HostMessageQueue& host, SimNetwork& network)
    : timing_(timing), faults_(faults), host_(host), network_(network) {}

const CardCommands::Command* CardCommands::FindCommand(std::uint8_t code) {
    static constexpr std::array<Command, 16> commands{{
        {CMD_PROGRAM_LINE, LINE_RECORD_LENGTH, &CardCommands::ProgramLine},
        {CMD_BOOT_MODE, 0, &CardCommands::EnterBootMode},
        {CMD_RUN_MODE, 0, &CardCommands::EnterRunMode},
        {CMD_ERASE, 0, &CardCommands::Erase},
        {CMD_GET_MODE, 0, &CardCommands::GetMode},
        {CMD_GET_VERSION, 0, &CardCommands::GetVersion},
        {CMD_RESET, 0, &CardCommands::Reset},
        {CMD_SEND_MESSAGE, ANY_LENGTH, &CardCommands::SendMessage},
        {CMD_GET_MESSAGE, 0, &CardCommands::GetMessage},
        {CMD_CLEAR_BUFFER, 0, &CardCommands::ClearBuffer},
        {CMD_SET_POLL_ITEM, 2, &CardCommands::SetPollItem},
        {CMD_GET_POLL_ITEM, 1, &CardCommands::GetPollItem},
        {CMD_GET_POLL_SPEED, 0, &CardCommands::GetPollSpeed},
        {CMD_GET_NODE_STATUS, 1, &CardCommands::GetNodeStatus},
        {CMD_GET_ETH_POLL_NODE, 0, &CardCommands::GetEthPollNode},
        {CMD_GET_ETH_POLL_PTR, 0, &CardCommands::GetEthPollPointers},
    }};
    const auto* const found = std::find_if(commands.begin(), commands.end(),
                                           [code](const Command& c) { return c.code == code; });
    return found == commands.end() ? nullptr : &*found;
}

std::optional<CommandOutcome> CardCommands::Execute(const Frame& frame) {
    const std::uint8_t code = frame[FRAME_HEADER.size()];
    const std::span<const std::uint8_t> payload(frame.begin() + FRAME_OVERHEAD - 1,
                                                frame.end() - 1);
    const Command* command = FindCommand(code);
    const bool lengthFits =
        command != nullptr && (command->payloadLength == ANY_LENGTH ||
                               static_cast<std::size_t>(command->payloadLength) == payload.size());
    if (!lengthFits) return std::nullopt;
    return (this->*(command->handler))(payload);
}

// ---- flash ----

std::optional<CommandOutcome> CardCommands::ProgramLine(std::span<const std::uint8_t> payload) {
    const auto record = ParseLineRecord(payload);
    if (!record) return std::nullopt;
    ++state_.programLinesReceived;
    const int lineNumber = state_.linesSinceErase++;
    if (faults_.noAckAtLine == lineNumber) return NoReply();  // the write failed: not stored
    for (std::size_t i = 0; i < record->data.size(); ++i) {
        state_.flash[record->address + static_cast<std::uint32_t>(i)] = record->data[i];
    }
    return Reply({state_.lineAck}, timing_.lineAckDelay);
}

std::optional<CommandOutcome> CardCommands::Erase(std::span<const std::uint8_t> /*payload*/) {
    state_.flash.clear();
    state_.linesSinceErase = 0;
    state_.firmwareChanged = true;
    ++state_.eraseCount;
    return Reply({ACK}, timing_.eraseTime);
}

// ---- mode and version ----

std::optional<CommandOutcome> CardCommands::EnterBootMode(
    std::span<const std::uint8_t> /*payload*/) {
    state_.mode = MODE_BOOT;
    return Reply({state_.mode});
}

std::optional<CommandOutcome> CardCommands::EnterRunMode(
    std::span<const std::uint8_t> /*payload*/) {
    state_.mode = MODE_RUN;
    return Reply({state_.mode});
}

std::optional<CommandOutcome> CardCommands::GetMode(std::span<const std::uint8_t> /*payload*/) {
    return Reply({state_.mode});
}

std::optional<CommandOutcome> CardCommands::GetVersion(std::span<const std::uint8_t> /*payload*/) {
    std::string& text = state_.versionText;
    if (text.size() > 255) text.resize(255);  // all that its count byte can say
    std::vector<std::uint8_t> reply{static_cast<std::uint8_t>(text.size())};
    reply.insert(reply.end(), text.begin(), text.end());
    return Reply(std::move(reply));
}

// The firmware restarts: whatever was on its way to the host is lost; a
// moment later the firmware says a few words as it starts, then is silent.
std::optional<CommandOutcome> CardCommands::Reset(std::span<const std::uint8_t> /*payload*/) {
    state_.mode = MODE_RUN;
    ++state_.resetCount;
    if (state_.firmwareChanged) {
        state_.versionText = FirmwareVersionText(state_.flash);
        state_.firmwareChanged = false;
    }
    CommandOutcome outcome = Reply(state_.startupChatter, timing_.restartTime);
    outcome.dropsPendingReplies = true;
    outcome.unasked = true;
    return outcome;
}

// ---- node messages ----

std::optional<CommandOutcome> CardCommands::SendMessage(std::span<const std::uint8_t> payload) {
    if (!network_.Deliver(payload)) return std::nullopt;
    return NoReply();
}

std::optional<CommandOutcome> CardCommands::GetMessage(std::span<const std::uint8_t> /*payload*/) {
    auto oldest = host_.TakeOldest();
    if (!oldest) return NoReply();
    return Reply(std::move(*oldest));
}

std::optional<CommandOutcome> CardCommands::ClearBuffer(std::span<const std::uint8_t> /*payload*/) {
    host_.Clear();
    return Reply({DONE});
}

// ---- poll list and counters ----

std::optional<CommandOutcome> CardCommands::SetPollItem(std::span<const std::uint8_t> payload) {
    state_.pollList[payload[0]] = payload[1];
    return Reply({DONE});
}

std::optional<CommandOutcome> CardCommands::GetPollItem(std::span<const std::uint8_t> payload) {
    return Reply({state_.pollList[payload[0]]});
}

std::optional<CommandOutcome> CardCommands::GetPollSpeed(
    std::span<const std::uint8_t> /*payload*/) {
    return Reply({state_.pollSpeed});
}

std::optional<CommandOutcome> CardCommands::GetNodeStatus(std::span<const std::uint8_t> payload) {
    const std::uint8_t node = payload[0];
    if (const auto status = state_.nodeStatus[node]) return Reply({*status});
    return Reply({network_.HasNode(node) ? NODE_ANSWERING : std::uint8_t{0}});
}

std::optional<CommandOutcome> CardCommands::GetEthPollNode(
    std::span<const std::uint8_t> /*payload*/) {
    return Reply({state_.ethPollNode});
}

std::optional<CommandOutcome> CardCommands::GetEthPollPointers(
    std::span<const std::uint8_t> /*payload*/) {
    return Reply({packetsSent_, packetsReceived_});
}

void CardCommands::SetPollPeriod(Nanos period, Nanos now) {
    pollPeriod_ = period;
    pollAnchor_ = now;
}

void CardCommands::SetPacketCounters(std::uint8_t sent, std::uint8_t received) {
    packetsSent_ = sent;
    packetsReceived_ = received;
}

void CardCommands::CatchUp(Nanos now) {
    if (state_.mode != MODE_RUN || pollPeriod_ <= Nanos::zero()) {
        pollAnchor_ = now;
        return;
    }
    const auto periods = (now - pollAnchor_) / pollPeriod_;
    pollAnchor_ += periods * pollPeriod_;
    packetsSent_ = static_cast<std::uint8_t>((packetsSent_ + periods) & 0xFF);
    packetsReceived_ = static_cast<std::uint8_t>((packetsReceived_ + periods) & 0xFF);
    MovePollPointer(periods);
}

// One entry per period through the list, which ends at its first 0; back to
// entry 0 after the last one. An empty list polls nothing (node 0).
void CardCommands::MovePollPointer(Nanos::rep periods) {
    if (periods <= 0) return;
    const auto* const end =
        std::find(state_.pollList.begin(), state_.pollList.end(), std::uint8_t{0});
    const auto length = static_cast<Nanos::rep>(end - state_.pollList.begin());
    if (length == 0) {
        state_.ethPollPointer = 0;
        state_.ethPollNode = 0;
        return;
    }
    state_.ethPollPointer =
        static_cast<std::uint8_t>((state_.ethPollPointer % length + periods) % length);
    state_.ethPollNode = state_.pollList[state_.ethPollPointer];
}

}  // namespace kovex
