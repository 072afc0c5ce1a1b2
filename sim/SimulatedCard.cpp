#include "sim/SimulatedCard.h"

#include <utility>

#include "link/CardRegisters.h"

namespace kovex {

namespace {

constexpr std::uint8_t UNMAPPED_READ = 0xFF;  // what a read of nothing returns
constexpr std::uint8_t MAILBOX_BAR = 2;
constexpr std::uint8_t LOCAL_CONFIG_BAR = 0;
constexpr std::uint64_t HANDLE_BASE = 0x9030'0000'0000ull;

}  // namespace

// One BAR as the host maps it: every access goes to the card.
class SimulatedCard::Region final : public MappedRegion {
public:
    Region(SimulatedCard& card, std::uint8_t bar) : card_(card), bar_(bar) {}
    std::uint8_t Read8(std::size_t offset) override { return card_.Read8(bar_, offset); }
    void Write8(std::size_t offset, std::uint8_t value) override {
        card_.Write8(bar_, offset, value);
    }
    void Write32(std::size_t offset, std::uint32_t value) override {
        card_.Write32(bar_, offset, value);
    }

private:
    SimulatedCard& card_;
    std::uint8_t bar_;
};

SimulatedCard::SimulatedCard(MonotonicClock& clock) : clock_(clock) {
    bus_.devices = DefaultBus();
    bars_.emplace(LOCAL_CONFIG_BAR, BarSlot{std::make_unique<Region>(*this, LOCAL_CONFIG_BAR)});
    bars_.emplace(MAILBOX_BAR, BarSlot{std::make_unique<Region>(*this, MAILBOX_BAR)});
    node10_.AttachTo(network_);
    display_.AttachTo(network_);
}

SimulatedCard::~SimulatedCard() = default;

std::vector<SimulatedDevice> SimulatedCard::DefaultBus() {
    constexpr SimulatedDevice hostBridge{0, 0, 0, 0x8086, 0x1237};
    constexpr SimulatedDevice networkCard{0, 3, 0, 0x10EC, 0x8139};
    constexpr SimulatedDevice kovexBridge{3, 7, 0, 0x10B5, PCI9030_DEVICE_ID};
    return {hostBridge, networkCard, kovexBridge};
}

// ---- the bus ----

PlxStatus FindSimulatedDevice(const std::vector<SimulatedDevice>& devices, std::uint32_t index,
                              DeviceKey& key) {
    if (index >= devices.size()) return SIM_STATUS_FAILED;
    const SimulatedDevice& found = devices[index];
    key.bus = found.bus;
    key.slot = found.slot;
    key.function = found.function;
    key.vendorId = found.vendorId;
    key.deviceId = found.deviceId;
    return STATUS_SUCCESS;
}

PlxStatus SimulatedCard::PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) {
    bus_.findIndexesAsked.push_back(index);
    if (const auto failure = bus_.findFailures.find(index); failure != bus_.findFailures.end()) {
        return failure->second;
    }
    return FindSimulatedDevice(bus_.devices, index, key);
}

PlxStatus SimulatedCard::PlxPci_DeviceOpen(const DeviceKey& key, DeviceObject& device) {
    bus_.openedKey = key;
    if (bus_.openStatus != STATUS_SUCCESS) return bus_.openStatus;
    device.opened = true;
    device.handle = HANDLE_BASE | (std::uint64_t{key.bus} << 16) | (std::uint64_t{key.slot} << 8) |
                    key.function;
    return STATUS_SUCCESS;
}

PlxStatus SimulatedCard::PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                                          MappedAddress& address) {
    address = nullptr;
    const auto slot = bars_.find(bar);
    if (!device.opened || slot == bars_.end()) return SIM_STATUS_FAILED;
    if (const auto status = bus_.mapStatus.find(bar);
        status != bus_.mapStatus.end() && status->second != STATUS_SUCCESS) {
        return status->second;
    }
    slot->second.mapped = true;
    address = slot->second.region.get();
    return STATUS_SUCCESS;
}

PlxStatus SimulatedCard::PlxPci_PciBarUnmap(DeviceObject& /*device*/, MappedAddress& address) {
    for (auto& [bar, slot] : bars_) {
        if (address != nullptr && slot.region.get() == address && slot.mapped) {
            slot.mapped = false;
            address = nullptr;
            return STATUS_SUCCESS;
        }
    }
    return SIM_STATUS_FAILED;
}

PlxStatus SimulatedCard::PlxPci_DeviceClose(DeviceObject& device) {
    if (!device.opened) return SIM_STATUS_FAILED;
    for (auto& [bar, slot] : bars_)
        slot.mapped = false;
    device.opened = false;
    return STATUS_SUCCESS;
}

bool SimulatedCard::BarMapped(std::uint8_t bar) const {
    const auto slot = bars_.find(bar);
    return slot != bars_.end() && slot->second.mapped;
}

// ---- register accesses, from the regions ----

std::uint8_t SimulatedCard::Read8(std::uint8_t bar, std::size_t offset) {
    if (!BarMapped(bar)) {
        ++bus_.accessesWhileUnmapped;
        return UNMAPPED_READ;
    }
    if (bar != MAILBOX_BAR) return 0;
    CatchUp();
    if (offset == STATUS_REGISTER_OFFSET) return mailbox_.ReadStatus(!hostMessages_.Empty());
    if (offset == DATA_REGISTER_OFFSET) return mailbox_.ReadData();
    return 0;
}

void SimulatedCard::Write8(std::uint8_t bar, std::size_t offset, std::uint8_t value) {
    if (!BarMapped(bar)) {
        ++bus_.accessesWhileUnmapped;
        return;
    }
    if (bar != MAILBOX_BAR || offset != DATA_REGISTER_OFFSET) return;
    CatchUp();
    if (const Frame* frame = mailbox_.TakeHostByte(value)) Execute(*frame);
}

void SimulatedCard::Write32(std::uint8_t bar, std::size_t offset, std::uint32_t value) {
    if (!BarMapped(bar)) {
        ++bus_.accessesWhileUnmapped;
        return;
    }
    if (bar == LOCAL_CONFIG_BAR) bus_.bar0Writes.push_back({offset, value});
}

void SimulatedCard::Execute(const Frame& frame) {
    auto outcome = commands_.Execute(frame);
    if (!outcome) {
        mailbox_.CountMalformed();
        return;
    }
    if (outcome->dropsPendingReplies) mailbox_.DropPendingReplies();
    mailbox_.Answer(frame, outcome->reply, outcome->delay.value_or(timing_.replyDelay),
                    outcome->unasked);
}

// ---- what depends on the card's own time ----

void SimulatedCard::CatchUp() {
    const Nanos now = clock_.Now();
    commands_.CatchUp(now);
    network_.CatchUp(now, commands_.State().mode == MODE_RUN);
}

void SimulatedCard::SetMode(std::uint8_t mode) {
    CatchUp();
    commands_.State().mode = mode;
}

void SimulatedCard::SetPollPeriod(Nanos period) {
    CatchUp();
    commands_.SetPollPeriod(period, clock_.Now());
}

void SimulatedCard::SetPacketCounters(std::uint8_t sent, std::uint8_t received) {
    CatchUp();
    commands_.SetPacketCounters(sent, received);
}

std::uint8_t SimulatedCard::EthPollPointer() {
    CatchUp();
    return commands_.State().ethPollPointer;
}

void SimulatedCard::SetNodeChatter(Nanos interval) {
    CatchUp();
    network_.SetChatter(interval, clock_.Now());
}

void SimulatedCard::QueueHostMessage(std::vector<std::uint8_t> bytes) {
    CatchUp();
    hostMessages_.Push(std::move(bytes));
}

std::size_t SimulatedCard::HostMessagesWaiting() {
    CatchUp();
    return hostMessages_.Size();
}

std::vector<std::vector<std::uint8_t>> SimulatedCard::HostMessages() {
    CatchUp();
    return {hostMessages_.Messages().begin(), hostMessages_.Messages().end()};
}

std::pair<std::uint8_t, std::uint8_t> SimulatedCard::PacketCounters() {
    CatchUp();
    return commands_.PacketCounters();
}

void SimulatedCard::RanAlone(Nanos away) {
    CatchUp();
    commands_.PollingRanEarlier(away);
    network_.ChatterRanEarlier(away);
}

}  // namespace kovex
