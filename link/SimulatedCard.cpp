#include "link/SimulatedCard.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "link/CardRegisters.h"
#include "link/CommandFrames.h"

namespace kovex {

namespace {

constexpr std::uint8_t ACK = 0x06;            // program line written, flash erased
constexpr std::uint8_t DONE = 0x00;           // poll item stored, buffer cleared
constexpr std::uint8_t UNMAPPED_READ = 0xFF;  // what a read of nothing returns
constexpr std::size_t VERSION_TEXT_MAX = 255;
constexpr std::size_t CHATTER_QUEUE_LIMIT = 4;
constexpr std::uint8_t CHATTER_NODE = 12;
constexpr std::uint8_t CHATTER_DEVICE = 3;
constexpr std::uint8_t CHATTER_COMMAND = 0x07;
constexpr std::size_t NODE_MESSAGE_HEADER = 5;  // flag, node, device, command, count
constexpr std::uint8_t MAILBOX_BAR = 2;
constexpr std::uint8_t LOCAL_CONFIG_BAR = 0;
constexpr std::uint64_t HANDLE_BASE = 0x9030'0000'0000ull;

// Splits the host's byte stream into frames. A frame is judged on its
// structure only (header, length, end byte); what it asks for is checked by
// whoever executes it. After a broken frame the parser skips to the next
// 0xFF, since that is where the host thinks its frame ended; a 0xFF that
// broke the frame ends it at once.
class FrameParser {
public:
    enum class Step { InProgress, FrameComplete, FrameBroken };

    Step Feed(std::uint8_t byte) {
        if (skippingToEnd_) {
            skippingToEnd_ = byte != FRAME_END;
            return Step::InProgress;
        }
        if (completed_) {
            frame_.clear();
            completed_ = false;
        }
        const std::size_t position = frame_.size();
        frame_.push_back(byte);
        if (position < FRAME_HEADER.size()) {
            return byte == FRAME_HEADER[position] ? Step::InProgress : Broken(byte);
        }
        if (position < FRAME_OVERHEAD - 1) {  // code and length byte
            return byte == FRAME_END ? Broken(byte) : Step::InProgress;
        }
        const std::size_t endPosition = FRAME_OVERHEAD - 1 + frame_[FRAME_OVERHEAD - 2];
        if (position < endPosition) {
            return byte == FRAME_END ? Broken(byte) : Step::InProgress;
        }
        if (byte != FRAME_END) return Broken(byte);
        completed_ = true;
        return Step::FrameComplete;
    }

    // The frame just completed; valid until the next Feed.
    const Frame& CompletedFrame() const { return frame_; }

private:
    Step Broken(std::uint8_t byte) {
        frame_.clear();
        skippingToEnd_ = byte != FRAME_END;
        return Step::FrameBroken;
    }

    Frame frame_;
    bool completed_ = false;
    bool skippingToEnd_ = false;
};

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

std::optional<ReceivedNodeMessage> ParseNodeMessage(std::span<const std::uint8_t> payload) {
    if (payload.size() < NODE_MESSAGE_HEADER ||
        std::size_t{payload[4]} != payload.size() - NODE_MESSAGE_HEADER) {
        return std::nullopt;
    }
    return ReceivedNodeMessage{payload[0],
                               payload[1],
                               payload[2],
                               payload[3],
                               {payload.begin() + NODE_MESSAGE_HEADER, payload.end()}};
}

}  // namespace

class SimulatedCard::Impl {
public:
    explicit Impl(MonotonicClock& clock) : clock_(clock) {
        background_.pollAnchor = clock_.Now();
        background_.chatterAnchor = clock_.Now();
        bars_.emplace(LOCAL_CONFIG_BAR, BarSlot{std::make_unique<Region>(*this, LOCAL_CONFIG_BAR)});
        bars_.emplace(MAILBOX_BAR, BarSlot{std::make_unique<Region>(*this, MAILBOX_BAR)});
    }

    // ---- the bus ----

    PlxStatus Find(DeviceKey& key, std::uint32_t index) {
        findIndexesAsked_.push_back(index);
        if (const auto failure = findFailures_.find(index); failure != findFailures_.end()) {
            return failure->second;
        }
        if (index >= devices_.size()) return SIM_STATUS_FAILED;
        const SimulatedDevice& found = devices_[index];
        key.bus = found.bus;
        key.slot = found.slot;
        key.function = found.function;
        key.vendorId = found.vendorId;
        key.deviceId = found.deviceId;
        return STATUS_SUCCESS;
    }

    PlxStatus Open(const DeviceKey& key, DeviceObject& device) {
        openedKey_ = key;
        if (openStatus_ != STATUS_SUCCESS) return openStatus_;
        device.opened = true;
        device.handle = HANDLE_BASE | (std::uint64_t{key.bus} << 16) |
                        (std::uint64_t{key.slot} << 8) | key.function;
        return STATUS_SUCCESS;
    }

    PlxStatus Map(const DeviceObject& device, std::uint8_t bar, MappedAddress& address) {
        address = nullptr;
        const auto slot = bars_.find(bar);
        if (!device.opened || slot == bars_.end()) return SIM_STATUS_FAILED;
        if (slot->second.mapStatus != STATUS_SUCCESS) return slot->second.mapStatus;
        slot->second.mapped = true;
        address = slot->second.region.get();
        return STATUS_SUCCESS;
    }

    PlxStatus Unmap(MappedAddress& address) {
        for (auto& entry : bars_) {
            BarSlot& slot = entry.second;
            if (address != nullptr && slot.region.get() == address && slot.mapped) {
                slot.mapped = false;
                address = nullptr;
                return STATUS_SUCCESS;
            }
        }
        return SIM_STATUS_FAILED;
    }

    void SetMapStatus(std::uint8_t bar, PlxStatus status) {
        if (const auto slot = bars_.find(bar); slot != bars_.end()) slot->second.mapStatus = status;
    }

    bool IsMapped(std::uint8_t bar) const {
        const auto slot = bars_.find(bar);
        return slot != bars_.end() && slot->second.mapped;
    }

    // ---- register accesses, from the regions ----

    std::uint8_t Read8(std::uint8_t bar, std::size_t offset) {
        if (!IsMapped(bar)) {
            ++accessesWhileUnmapped_;
            return UNMAPPED_READ;
        }
        if (bar != MAILBOX_BAR) return 0;
        CatchUp();
        if (offset == STATUS_REGISTER_OFFSET) return ReadStatus();
        if (offset == DATA_REGISTER_OFFSET) return ReadData();
        return 0;
    }

    void Write8(std::uint8_t bar, std::size_t offset, std::uint8_t value) {
        if (!IsMapped(bar)) {
            ++accessesWhileUnmapped_;
            return;
        }
        if (bar != MAILBOX_BAR || offset != DATA_REGISTER_OFFSET) return;
        CatchUp();
        TakeHostByte(value);
    }

    void Write32(std::uint8_t bar, std::size_t offset, std::uint32_t value) {
        if (!IsMapped(bar)) {
            ++accessesWhileUnmapped_;
            return;
        }
        if (bar == LOCAL_CONFIG_BAR) bar0Writes_.push_back({offset, value});
    }

    // ---- state set and inspected by tests ----

    void SetMode(std::uint8_t mode) {
        CatchUp();  // time spent in the old mode counts under the old mode
        mode_ = mode;
    }

    void SetPollPeriod(Nanos period) {
        CatchUp();
        background_.pollPeriod = period;
        background_.pollAnchor = clock_.Now();
    }

    void SetNodeChatter(Nanos interval) {
        CatchUp();
        background_.chatterInterval = interval;
        background_.chatterAnchor = clock_.Now();
    }

    void SetPacketCounters(std::uint8_t sent, std::uint8_t received) {
        CatchUp();
        background_.packetsSent = sent;
        background_.packetsReceived = received;
    }

    void QueueHostMessage(std::vector<std::uint8_t> bytes) {
        CatchUp();
        hostMessages_.push_back(std::move(bytes));
    }

    std::size_t HostMessagesWaiting() const {
        CatchUp();
        return hostMessages_.size();
    }

    // Stale bytes sit behind what is readable already and ahead of replies
    // still being prepared, as if they had just arrived.
    void InjectReplyBytes(const std::vector<std::uint8_t>& bytes) {
        const Nanos now = clock_.Now();
        const auto firstPending =
            std::find_if(rxQueue_.begin(), rxQueue_.end(),
                         [now](const TimedByte& b) { return b.readyAt > now; });
        std::vector<TimedByte> stale;
        stale.reserve(bytes.size());
        for (const std::uint8_t value : bytes)
            stale.push_back({now, value});
        rxQueue_.insert(firstPending, stale.begin(), stale.end());
    }

    // Plain state, read and written through SimulatedCard's accessors.
    std::vector<SimulatedDevice> devices_ = SimulatedCard::DefaultBus();
    std::map<std::uint32_t, PlxStatus> findFailures_;
    PlxStatus openStatus_ = STATUS_SUCCESS;
    std::vector<std::uint32_t> findIndexesAsked_;
    std::optional<DeviceKey> openedKey_;
    std::vector<Bar0Write> bar0Writes_;
    int accessesWhileUnmapped_ = 0;

    CardTiming timing_;
    CardFaults faults_;

    std::uint8_t mode_ = MODE_RUN;
    std::string versionText_ = "KOVEX 2.14 sim";
    std::array<std::uint8_t, 256> pollList_{};
    std::array<std::uint8_t, 256> nodeStatus_{};
    std::uint8_t pollSpeed_ = 20;
    std::uint8_t ethPollNode_ = 0;
    std::map<std::uint32_t, std::uint8_t> flash_;
    int eraseCount_ = 0;
    int resetCount_ = 0;
    int programLinesReceived_ = 0;
    int linesSinceErase_ = 0;
    std::vector<ReceivedNodeMessage> nodeMessagesReceived_;

    std::optional<std::vector<std::uint8_t>> replyOverride_;

    std::vector<std::uint8_t> hostBytes_;
    std::vector<Frame> framesReceived_;
    int malformedFrames_ = 0;
    int writesWhileBusy_ = 0;
    int readsWhileEmpty_ = 0;
    int statusReads_ = 0;

private:
    class Region final : public MappedRegion {
    public:
        Region(Impl& card, std::uint8_t bar) : card_(card), bar_(bar) {}
        std::uint8_t Read8(std::size_t offset) override { return card_.Read8(bar_, offset); }
        void Write8(std::size_t offset, std::uint8_t value) override {
            card_.Write8(bar_, offset, value);
        }
        void Write32(std::size_t offset, std::uint32_t value) override {
            card_.Write32(bar_, offset, value);
        }

    private:
        Impl& card_;
        std::uint8_t bar_;
    };

    struct BarSlot {
        std::unique_ptr<Region> region;
        bool mapped = false;
        PlxStatus mapStatus = STATUS_SUCCESS;
    };

    struct TimedByte {
        Nanos readyAt;
        std::uint8_t value;
    };

    // What a command did: the reply to send (empty: none) and when.
    struct Outcome {
        bool accepted = true;  // false: the payload made no sense
        std::vector<std::uint8_t> reply;
        std::optional<Nanos> delay;  // replyDelay unless set
    };
    static Outcome Reply(std::vector<std::uint8_t> bytes,
                         std::optional<Nanos> delay = std::nullopt) {
        return {true, std::move(bytes), delay};
    }
    static Outcome NoReply() { return {true, {}, std::nullopt}; }
    static Outcome Rejected() { return {false, {}, std::nullopt}; }

    using Handler = Outcome (Impl::*)(std::span<const std::uint8_t> payload);
    static constexpr int ANY_LENGTH = -1;
    struct Command {
        std::uint8_t code;
        int payloadLength;
        Handler handler;
    };

    // ---- the mailbox ----

    bool TxBusy() const {
        return faults_.stuckTxBusy ||
               (lastHostByteAt_ && clock_.Now() < *lastHostByteAt_ + timing_.txBusyHold);
    }

    bool ByteReadable() const {
        return !rxQueue_.empty() && rxQueue_.front().readyAt <= clock_.Now();
    }

    std::uint8_t ReadStatus() {
        ++statusReads_;
        std::uint8_t status = 0;
        if (TxBusy()) status |= TX_BUSY;
        if (!ByteReadable()) status |= RX_EMPTY;
        if (hostMessages_.empty()) status |= NO_MESSAGE;
        return status;
    }

    std::uint8_t ReadData() {
        if (!ByteReadable()) {
            ++readsWhileEmpty_;
            return 0;
        }
        const std::uint8_t value = rxQueue_.front().value;
        rxQueue_.pop_front();
        return value;
    }

    void TakeHostByte(std::uint8_t value) {
        if (TxBusy()) ++writesWhileBusy_;
        hostBytes_.push_back(value);
        lastHostByteAt_ = clock_.Now();
        switch (parser_.Feed(value)) {
            case FrameParser::Step::FrameBroken:
                ++malformedFrames_;
                break;
            case FrameParser::Step::FrameComplete:
                Execute(parser_.CompletedFrame());
                break;
            case FrameParser::Step::InProgress:
                break;
        }
    }

    static const Command* FindCommand(std::uint8_t code) {
        static constexpr std::array<Command, 16> commands{{
            {CMD_PROGRAM_LINE, LINE_RECORD_LENGTH, &Impl::ProgramLine},
            {CMD_BOOT_MODE, 0, &Impl::EnterBootMode},
            {CMD_RUN_MODE, 0, &Impl::EnterRunMode},
            {CMD_ERASE, 0, &Impl::Erase},
            {CMD_GET_MODE, 0, &Impl::GetMode},
            {CMD_GET_VERSION, 0, &Impl::GetVersion},
            {CMD_RESET, 0, &Impl::Reset},
            {CMD_SEND_MESSAGE, ANY_LENGTH, &Impl::SendMessage},
            {CMD_GET_MESSAGE, 0, &Impl::GetMessage},
            {CMD_CLEAR_BUFFER, 0, &Impl::ClearBuffer},
            {CMD_SET_POLL_ITEM, 2, &Impl::SetPollItem},
            {CMD_GET_POLL_ITEM, 1, &Impl::GetPollItem},
            {CMD_GET_POLL_SPEED, 0, &Impl::GetPollSpeed},
            {CMD_GET_NODE_STATUS, 1, &Impl::GetNodeStatus},
            {CMD_GET_ETH_POLL_NODE, 0, &Impl::GetEthPollNode},
            {CMD_GET_ETH_POLL_PTR, 0, &Impl::GetEthPollPointers},
        }};
        const auto* const found = std::find_if(commands.begin(), commands.end(),
                                               [code](const Command& c) { return c.code == code; });
        return found == commands.end() ? nullptr : &*found;
    }

    void Execute(const Frame& frame) {
        const std::uint8_t code = frame[FRAME_HEADER.size()];
        const std::span<const std::uint8_t> payload(frame.begin() + FRAME_OVERHEAD - 1,
                                                    frame.end() - 1);
        const Command* command = FindCommand(code);
        const bool lengthFits =
            command != nullptr &&
            (command->payloadLength == ANY_LENGTH ||
             static_cast<std::size_t>(command->payloadLength) == payload.size());
        if (!lengthFits) {
            ++malformedFrames_;
            return;
        }
        const Outcome outcome = (this->*(command->handler))(payload);
        if (!outcome.accepted) {
            ++malformedFrames_;
            return;
        }
        framesReceived_.push_back(frame);
        SendReply(TakeOverride(outcome.reply), outcome.delay.value_or(timing_.replyDelay));
    }

    std::vector<std::uint8_t> TakeOverride(const std::vector<std::uint8_t>& reply) {
        if (reply.empty() || !replyOverride_) return reply;
        std::vector<std::uint8_t> replacement = std::move(*replyOverride_);
        replyOverride_.reset();
        return replacement;
    }

    // Bytes are read strictly in order, so a quick reply queued behind a slow
    // one (after an erase) waits for it.
    void SendReply(const std::vector<std::uint8_t>& reply, Nanos delay) {
        if (reply.empty() || faults_.silent) return;
        const Nanos readyAt = clock_.Now() + delay;
        for (const std::uint8_t value : reply)
            rxQueue_.push_back({readyAt, value});
        for (const std::uint8_t value : faults_.extraAfterReply) {
            rxQueue_.push_back({readyAt, value});
        }
    }

    // ---- the commands ----

    Outcome ProgramLine(std::span<const std::uint8_t> payload) {
        const auto record = ParseLineRecord(payload);
        if (!record) return Rejected();
        ++programLinesReceived_;
        const int lineNumber = linesSinceErase_++;
        if (faults_.noAckAtLine == lineNumber) return NoReply();  // the write failed: not stored
        for (std::size_t i = 0; i < record->data.size(); ++i) {
            flash_[record->address + static_cast<std::uint32_t>(i)] = record->data[i];
        }
        return Reply({ACK});
    }

    Outcome EnterBootMode(std::span<const std::uint8_t> /*payload*/) {
        mode_ = MODE_BOOT;
        return Reply({mode_});
    }

    Outcome EnterRunMode(std::span<const std::uint8_t> /*payload*/) {
        mode_ = MODE_RUN;
        return Reply({mode_});
    }

    Outcome Erase(std::span<const std::uint8_t> /*payload*/) {
        flash_.clear();
        linesSinceErase_ = 0;
        ++eraseCount_;
        return Reply({ACK}, timing_.eraseTime);
    }

    Outcome GetMode(std::span<const std::uint8_t> /*payload*/) { return Reply({mode_}); }

    Outcome GetVersion(std::span<const std::uint8_t> /*payload*/) {
        std::vector<std::uint8_t> reply{static_cast<std::uint8_t>(versionText_.size())};
        reply.insert(reply.end(), versionText_.begin(), versionText_.end());
        return Reply(std::move(reply));
    }

    // The firmware restarts: whatever was on its way to the host is lost.
    Outcome Reset(std::span<const std::uint8_t> /*payload*/) {
        rxQueue_.clear();
        mode_ = MODE_RUN;
        ++resetCount_;
        return NoReply();
    }

    Outcome SendMessage(std::span<const std::uint8_t> payload) {
        auto message = ParseNodeMessage(payload);
        if (!message) return Rejected();
        nodeMessagesReceived_.push_back(std::move(*message));
        return NoReply();
    }

    Outcome GetMessage(std::span<const std::uint8_t> /*payload*/) {
        if (hostMessages_.empty()) return NoReply();
        Outcome outcome = Reply(std::move(hostMessages_.front()));
        hostMessages_.pop_front();
        return outcome;
    }

    Outcome ClearBuffer(std::span<const std::uint8_t> /*payload*/) {
        hostMessages_.clear();
        return Reply({DONE});
    }

    Outcome SetPollItem(std::span<const std::uint8_t> payload) {
        pollList_[payload[0]] = payload[1];
        return Reply({DONE});
    }

    Outcome GetPollItem(std::span<const std::uint8_t> payload) {
        return Reply({pollList_[payload[0]]});
    }

    Outcome GetPollSpeed(std::span<const std::uint8_t> /*payload*/) { return Reply({pollSpeed_}); }

    Outcome GetNodeStatus(std::span<const std::uint8_t> payload) {
        return Reply({nodeStatus_[payload[0]]});
    }

    Outcome GetEthPollNode(std::span<const std::uint8_t> /*payload*/) {
        return Reply({ethPollNode_});
    }

    Outcome GetEthPollPointers(std::span<const std::uint8_t> /*payload*/) {
        return Reply({background_.packetsSent, background_.packetsReceived});
    }

    // ---- what the card does on its own in run mode ----

    // Brings polling and node chatter up to the clock's present. Called before
    // anything that observes or changes them, so even const observers advance
    // this state; hence the mutable members below.
    void CatchUp() const {
        const Nanos now = clock_.Now();
        const bool running = mode_ == MODE_RUN;
        AdvancePolling(now, running);
        AdvanceChatter(now, running);
    }

    void AdvancePolling(Nanos now, bool running) const {
        Background& b = background_;
        if (!running || b.pollPeriod <= Nanos::zero()) {
            b.pollAnchor = now;
            return;
        }
        const auto periods = (now - b.pollAnchor) / b.pollPeriod;
        b.pollAnchor += periods * b.pollPeriod;
        b.packetsSent = static_cast<std::uint8_t>((b.packetsSent + periods) & 0xFF);
        b.packetsReceived = static_cast<std::uint8_t>((b.packetsReceived + periods) & 0xFF);
    }

    void AdvanceChatter(Nanos now, bool running) const {
        Background& b = background_;
        if (!running || b.chatterInterval <= Nanos::zero()) {
            b.chatterAnchor = now;
            return;
        }
        const auto intervals = (now - b.chatterAnchor) / b.chatterInterval;
        b.chatterAnchor += intervals * b.chatterInterval;
        for (Nanos::rep i = 0; i < intervals && hostMessages_.size() < CHATTER_QUEUE_LIMIT; ++i) {
            hostMessages_.push_back(NextChatterMessage());
        }
    }

    // Node 12, device 3 reports a two-digit reading that counts up.
    std::vector<std::uint8_t> NextChatterMessage() const {
        const unsigned reading = background_.chatterCount++ % 100;
        return {CHATTER_NODE,
                CHATTER_DEVICE,
                CHATTER_COMMAND,
                0x02,
                static_cast<std::uint8_t>('0' + reading / 10),
                static_cast<std::uint8_t>('0' + reading % 10)};
    }

    struct Background {
        Nanos pollPeriod{0};
        Nanos pollAnchor{0};
        std::uint8_t packetsSent = 0;
        std::uint8_t packetsReceived = 0;
        Nanos chatterInterval{0};
        Nanos chatterAnchor{0};
        unsigned chatterCount = 0;
    };

    MonotonicClock& clock_;
    std::map<std::uint8_t, BarSlot> bars_;
    FrameParser parser_;
    std::deque<TimedByte> rxQueue_;
    std::optional<Nanos> lastHostByteAt_;
    mutable Background background_;
    mutable std::deque<std::vector<std::uint8_t>> hostMessages_;
};

// ---------------------------------------------------------------------------

SimulatedCard::SimulatedCard(MonotonicClock& clock) : impl_(std::make_unique<Impl>(clock)) {}
SimulatedCard::~SimulatedCard() = default;

std::vector<SimulatedDevice> SimulatedCard::DefaultBus() {
    constexpr SimulatedDevice hostBridge{0, 0, 0, 0x8086, 0x1237};
    constexpr SimulatedDevice networkCard{0, 3, 0, 0x10EC, 0x8139};
    constexpr SimulatedDevice kovexBridge{3, 7, 0, 0x10B5, PCI9030_DEVICE_ID};
    return {hostBridge, networkCard, kovexBridge};
}

void SimulatedCard::SetDevices(std::vector<SimulatedDevice> devices) {
    impl_->devices_ = std::move(devices);
}
void SimulatedCard::FailFindAt(std::uint32_t index, PlxStatus status) {
    impl_->findFailures_[index] = status;
}
void SimulatedCard::SetOpenStatus(PlxStatus status) {
    impl_->openStatus_ = status;
}
void SimulatedCard::SetMapStatus(std::uint8_t bar, PlxStatus status) {
    impl_->SetMapStatus(bar, status);
}
const std::vector<std::uint32_t>& SimulatedCard::FindIndexesAsked() const {
    return impl_->findIndexesAsked_;
}
std::optional<DeviceKey> SimulatedCard::OpenedKey() const {
    return impl_->openedKey_;
}
const std::vector<Bar0Write>& SimulatedCard::Bar0Writes() const {
    return impl_->bar0Writes_;
}
bool SimulatedCard::Bar0Mapped() const {
    return impl_->IsMapped(LOCAL_CONFIG_BAR);
}
bool SimulatedCard::Bar2Mapped() const {
    return impl_->IsMapped(MAILBOX_BAR);
}
int SimulatedCard::AccessesWhileUnmapped() const {
    return impl_->accessesWhileUnmapped_;
}

PlxStatus SimulatedCard::PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) {
    return impl_->Find(key, index);
}
PlxStatus SimulatedCard::PlxPci_DeviceOpen(const DeviceKey& key, DeviceObject& device) {
    return impl_->Open(key, device);
}
PlxStatus SimulatedCard::PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                                          MappedAddress& address) {
    return impl_->Map(device, bar, address);
}
PlxStatus SimulatedCard::PlxPci_PciBarUnmap(DeviceObject& /*device*/, MappedAddress& address) {
    return impl_->Unmap(address);
}

CardTiming& SimulatedCard::Timing() {
    return impl_->timing_;
}
CardFaults& SimulatedCard::Faults() {
    return impl_->faults_;
}

std::uint8_t SimulatedCard::Mode() const {
    return impl_->mode_;
}
void SimulatedCard::SetMode(std::uint8_t mode) {
    impl_->SetMode(mode);
}
void SimulatedCard::SetVersionText(std::string text) {
    if (text.size() > VERSION_TEXT_MAX) text.resize(VERSION_TEXT_MAX);
    impl_->versionText_ = std::move(text);
}
void SimulatedCard::SetPollItem(std::uint8_t index, std::uint8_t node) {
    impl_->pollList_[index] = node;
}
std::uint8_t SimulatedCard::PollItem(std::uint8_t index) const {
    return impl_->pollList_[index];
}
void SimulatedCard::SetNodeStatus(std::uint8_t node, std::uint8_t status) {
    impl_->nodeStatus_[node] = status;
}
void SimulatedCard::SetPollSpeed(std::uint8_t speed) {
    impl_->pollSpeed_ = speed;
}
void SimulatedCard::SetPacketCounters(std::uint8_t sent, std::uint8_t received) {
    impl_->SetPacketCounters(sent, received);
}
void SimulatedCard::SetEthPollNode(std::uint8_t node) {
    impl_->ethPollNode_ = node;
}
void SimulatedCard::SetPollPeriod(Nanos period) {
    impl_->SetPollPeriod(period);
}
void SimulatedCard::SetNodeChatter(Nanos interval) {
    impl_->SetNodeChatter(interval);
}
const std::map<std::uint32_t, std::uint8_t>& SimulatedCard::Flash() const {
    return impl_->flash_;
}
int SimulatedCard::EraseCount() const {
    return impl_->eraseCount_;
}
int SimulatedCard::ResetCount() const {
    return impl_->resetCount_;
}
int SimulatedCard::ProgramLinesReceived() const {
    return impl_->programLinesReceived_;
}
const std::vector<ReceivedNodeMessage>& SimulatedCard::NodeMessagesReceived() const {
    return impl_->nodeMessagesReceived_;
}
void SimulatedCard::QueueHostMessage(std::vector<std::uint8_t> bytes) {
    impl_->QueueHostMessage(std::move(bytes));
}
std::size_t SimulatedCard::HostMessagesWaiting() const {
    return impl_->HostMessagesWaiting();
}
void SimulatedCard::InjectReplyBytes(const std::vector<std::uint8_t>& bytes) {
    impl_->InjectReplyBytes(bytes);
}
void SimulatedCard::OverrideNextReply(std::vector<std::uint8_t> bytes) {
    impl_->replyOverride_ = std::move(bytes);
}

const std::vector<std::uint8_t>& SimulatedCard::HostBytes() const {
    return impl_->hostBytes_;
}
const std::vector<std::vector<std::uint8_t>>& SimulatedCard::FramesReceived() const {
    return impl_->framesReceived_;
}
int SimulatedCard::MalformedFrames() const {
    return impl_->malformedFrames_;
}
int SimulatedCard::WritesWhileBusy() const {
    return impl_->writesWhileBusy_;
}
int SimulatedCard::ReadsWhileEmpty() const {
    return impl_->readsWhileEmpty_;
}
int SimulatedCard::StatusReads() const {
    return impl_->statusReads_;
}

}  // namespace kovex
