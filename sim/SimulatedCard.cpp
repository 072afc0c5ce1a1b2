#include "sim/SimulatedCard.h"

#include <algorithm>
#include <utility>

#include "link/CardRegisters.h"
#include "sim/CardCommands.h"
#include "sim/CardMailbox.h"
#include "sim/HostMessageQueue.h"
#include "sim/Node10Devices.h"
#include "sim/SimDisplay.h"
#include "sim/SimNetwork.h"

namespace kovex {

namespace {

constexpr std::uint8_t UNMAPPED_READ = 0xFF;  // what a read of nothing returns
constexpr std::size_t VERSION_TEXT_MAX = 255;
constexpr std::uint8_t MAILBOX_BAR = 2;
constexpr std::uint8_t LOCAL_CONFIG_BAR = 0;
constexpr std::uint64_t HANDLE_BASE = 0x9030'0000'0000ull;

}  // namespace

// The bus and the two BARs; the card's parts behind them.
class SimulatedCard::Impl {
public:
    explicit Impl(MonotonicClock& clock)
        : clock_(clock),
          mailbox_(clock, timing_, faults_),
          network_(hostMessages_),
          commands_(timing_, faults_, hostMessages_, network_) {
        bars_.emplace(LOCAL_CONFIG_BAR, BarSlot{std::make_unique<Region>(*this, LOCAL_CONFIG_BAR)});
        bars_.emplace(MAILBOX_BAR, BarSlot{std::make_unique<Region>(*this, MAILBOX_BAR)});
        node10_.AttachTo(network_);
        display_.AttachTo(network_);
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

    PlxStatus Close(DeviceObject& device) {
        if (!device.opened) return SIM_STATUS_FAILED;
        for (auto& entry : bars_)
            entry.second.mapped = false;
        device.opened = false;
        return STATUS_SUCCESS;
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
        if (offset == STATUS_REGISTER_OFFSET) return mailbox_.ReadStatus(!hostMessages_.Empty());
        if (offset == DATA_REGISTER_OFFSET) return mailbox_.ReadData();
        return 0;
    }

    void Write8(std::uint8_t bar, std::size_t offset, std::uint8_t value) {
        if (!IsMapped(bar)) {
            ++accessesWhileUnmapped_;
            return;
        }
        if (bar != MAILBOX_BAR || offset != DATA_REGISTER_OFFSET) return;
        CatchUp();
        if (const Frame* frame = mailbox_.TakeHostByte(value)) Execute(*frame);
    }

    void Write32(std::uint8_t bar, std::size_t offset, std::uint32_t value) {
        if (!IsMapped(bar)) {
            ++accessesWhileUnmapped_;
            return;
        }
        if (bar == LOCAL_CONFIG_BAR) bar0Writes_.push_back({offset, value});
    }

    // Brings polling and node chatter up to the clock's present. Called
    // before anything that observes or changes them.
    void CatchUp() {
        const Nanos now = clock_.Now();
        commands_.CatchUp(now);
        network_.CatchUp(now, commands_.State().mode == MODE_RUN);
    }

    void SetMode(std::uint8_t mode) {
        CatchUp();  // time spent in the old mode counts under the old mode
        commands_.State().mode = mode;
    }

    // Plain state, read and written through SimulatedCard's accessors.
    std::vector<SimulatedDevice> devices_ = SimulatedCard::DefaultBus();
    std::map<std::uint32_t, PlxStatus> findFailures_;
    PlxStatus openStatus_ = STATUS_SUCCESS;
    std::vector<std::uint32_t> findIndexesAsked_;
    std::optional<DeviceKey> openedKey_;
    std::vector<Bar0Write> bar0Writes_;
    int accessesWhileUnmapped_ = 0;

    MonotonicClock& clock_;
    CardTiming timing_;
    CardFaults faults_;
    CardMailbox mailbox_;
    HostMessageQueue hostMessages_;
    SimNetwork network_;
    Node10Devices node10_;
    SimDisplay display_;
    CardCommands commands_;

private:
    void Execute(const Frame& frame) {
        auto outcome = commands_.Execute(frame);
        if (!outcome) {
            mailbox_.CountMalformed();
            return;
        }
        if (outcome->dropsPendingReplies) mailbox_.DropPendingReplies();
        mailbox_.Answer(frame, outcome->reply, outcome->delay.value_or(timing_.replyDelay),
                        outcome->unasked);
    }

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

    std::map<std::uint8_t, BarSlot> bars_;
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
PlxStatus SimulatedCard::PlxPci_DeviceClose(DeviceObject& device) {
    return impl_->Close(device);
}

CardTiming& SimulatedCard::Timing() {
    return impl_->timing_;
}
CardFaults& SimulatedCard::Faults() {
    return impl_->faults_;
}

std::uint8_t SimulatedCard::Mode() const {
    return impl_->commands_.State().mode;
}
void SimulatedCard::SetMode(std::uint8_t mode) {
    impl_->SetMode(mode);
}
void SimulatedCard::SetVersionText(std::string text) {
    if (text.size() > VERSION_TEXT_MAX) text.resize(VERSION_TEXT_MAX);
    impl_->commands_.State().versionText = std::move(text);
}
std::string SimulatedCard::VersionText() const {
    return impl_->commands_.State().versionText;
}
void SimulatedCard::SetLineAck(std::uint8_t ack) {
    impl_->commands_.State().lineAck = ack;
}
void SimulatedCard::SetStartupChatter(std::vector<std::uint8_t> bytes) {
    impl_->commands_.State().startupChatter = std::move(bytes);
}
void SimulatedCard::SetPollItem(std::uint8_t index, std::uint8_t node) {
    impl_->commands_.State().pollList[index] = node;
}
void SimulatedCard::SetPollList(std::span<const std::uint8_t> nodes) {
    auto& list = impl_->commands_.State().pollList;
    list.fill(0);
    std::copy_n(nodes.begin(), std::min(nodes.size(), list.size()), list.begin());
}
std::uint8_t SimulatedCard::EthPollPointer() const {
    impl_->CatchUp();
    return impl_->commands_.State().ethPollPointer;
}
std::uint8_t SimulatedCard::PollItem(std::uint8_t index) const {
    return impl_->commands_.State().pollList[index];
}
void SimulatedCard::SetNodeStatus(std::uint8_t node, std::uint8_t status) {
    impl_->commands_.State().nodeStatus[node] = status;
    impl_->commands_.State().nodeStatusSet[node] = true;
}
void SimulatedCard::SetPollSpeed(std::uint8_t speed) {
    impl_->commands_.State().pollSpeed = speed;
}
void SimulatedCard::SetPacketCounters(std::uint8_t sent, std::uint8_t received) {
    impl_->CatchUp();
    impl_->commands_.SetPacketCounters(sent, received);
}
void SimulatedCard::SetEthPollNode(std::uint8_t node) {
    impl_->commands_.State().ethPollNode = node;
}
void SimulatedCard::SetPollPeriod(Nanos period) {
    impl_->CatchUp();
    impl_->commands_.SetPollPeriod(period, impl_->clock_.Now());
}
void SimulatedCard::SetNodeChatter(Nanos interval) {
    impl_->CatchUp();
    impl_->network_.SetChatter(interval, impl_->clock_.Now());
}
const std::map<std::uint32_t, std::uint8_t>& SimulatedCard::Flash() const {
    return impl_->commands_.State().flash;
}
int SimulatedCard::EraseCount() const {
    return impl_->commands_.State().eraseCount;
}
int SimulatedCard::ResetCount() const {
    return impl_->commands_.State().resetCount;
}
int SimulatedCard::ProgramLinesReceived() const {
    return impl_->commands_.State().programLinesReceived;
}
const std::vector<ReceivedNodeMessage>& SimulatedCard::NodeMessagesReceived() const {
    return impl_->network_.Received();
}
SimNetwork& SimulatedCard::Network() {
    return impl_->network_;
}
Node10Devices& SimulatedCard::Node10() {
    return impl_->node10_;
}
SimDisplay& SimulatedCard::Display() {
    return impl_->display_;
}
void SimulatedCard::QueueHostMessage(std::vector<std::uint8_t> bytes) {
    impl_->CatchUp();
    impl_->hostMessages_.Push(std::move(bytes));
}
std::size_t SimulatedCard::HostMessagesWaiting() const {
    impl_->CatchUp();
    return impl_->hostMessages_.Size();
}
void SimulatedCard::InjectReplyBytes(const std::vector<std::uint8_t>& bytes) {
    impl_->mailbox_.InjectReplyBytes(bytes);
}
void SimulatedCard::OverrideNextReply(std::vector<std::uint8_t> bytes) {
    impl_->mailbox_.OverrideNextReply(std::move(bytes));
}

const std::vector<std::uint8_t>& SimulatedCard::HostBytes() const {
    return impl_->mailbox_.HostBytes();
}
const std::vector<std::vector<std::uint8_t>>& SimulatedCard::FramesReceived() const {
    return impl_->mailbox_.FramesReceived();
}
int SimulatedCard::MalformedFrames() const {
    return impl_->mailbox_.MalformedFrames();
}
int SimulatedCard::WritesWhileBusy() const {
    return impl_->mailbox_.WritesWhileBusy();
}
int SimulatedCard::ReadsWhileEmpty() const {
    return impl_->mailbox_.ReadsWhileEmpty();
}
int SimulatedCard::StatusReads() const {
    return impl_->mailbox_.StatusReads();
}

}  // namespace kovex
