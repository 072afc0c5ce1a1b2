#include "sim/ReplayCard.h"

#include <fstream>
#include <iterator>

#include "link/CardRegisters.h"
#include "link/PciAddress.h"

namespace kovex {
namespace {

constexpr std::uint8_t BRIDGE_BAR = 0;
constexpr std::uint8_t MAILBOX_BAR = 2;

// The simulated bus, its KOVEX bridge at the address that ends the captured
// card's name ("0000:03:07.0", "simulated 0000:03:07.0").
std::vector<SimulatedDevice> BusOf(const CaptureContents& capture) {
    std::vector<SimulatedDevice> bus = SimulatedCard::DefaultBus();
    if (capture.interfaces.empty()) return bus;
    const std::string& name = capture.interfaces.front();
    const std::size_t space = name.rfind(' ');
    const auto address =
        ParsePciAddress(space == std::string::npos ? name : name.substr(space + 1));
    if (!address) return bus;
    for (SimulatedDevice& device : bus) {
        if (device.deviceId != PCI9030_DEVICE_ID) continue;
        device.bus = address->bus;
        device.slot = address->slot;
        device.function = address->function;
    }
    return bus;
}

}  // namespace

// BAR 0: the bridge's set-up writes land here and change nothing.
class ReplayCard::Bridge final : public MappedRegion {
public:
    std::uint8_t Read8(std::size_t /*offset*/) override { return 0; }
    void Write8(std::size_t /*offset*/, std::uint8_t /*value*/) override {}
    void Write32(std::size_t /*offset*/, std::uint32_t /*value*/) override {}
};

class ReplayCard::MailboxRegion final : public MappedRegion {
public:
    explicit MailboxRegion(ReplayMailbox& mailbox) : mailbox_(mailbox) {}
    std::uint8_t Read8(std::size_t offset) override {
        if (offset == STATUS_REGISTER_OFFSET) return mailbox_.ReadStatus();
        return offset == DATA_REGISTER_OFFSET ? mailbox_.ReadData() : 0;
    }
    void Write8(std::size_t offset, std::uint8_t value) override {
        if (offset == DATA_REGISTER_OFFSET) mailbox_.WriteData(value);
    }
    void Write32(std::size_t /*offset*/, std::uint32_t /*value*/) override {}

private:
    ReplayMailbox& mailbox_;
};

ReplayCard::ReplayCard(const CaptureContents& capture, MonotonicClock& clock)
    : bus_(BusOf(capture)),
      mailbox_(clock, ScriptOf(capture)),
      bridge_(std::make_unique<Bridge>()),
      mailboxRegion_(std::make_unique<MailboxRegion>(mailbox_)) {}

ReplayCard::~ReplayCard() = default;

std::unique_ptr<ReplayCard> ReplayCard::FromFile(const std::string& path, MonotonicClock& clock,
                                                 std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "the capture " + path + " cannot be read";
        return nullptr;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    const CaptureContents capture = ReadCapture(bytes);
    if (capture.interfaces.empty() || capture.linkTypes.front() != KOVEX_LINK_TYPE) {
        error = "the capture " + path + " holds no KOVEX card traffic" +
                (capture.stopped.empty() ? std::string() : " (" + capture.stopped + ")");
        return nullptr;
    }
    // A capture cut short (a crash, a lost card) replays up to its last
    // whole packet.
    return std::make_unique<ReplayCard>(capture, clock);
}

PlxStatus ReplayCard::PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) {
    return FindSimulatedDevice(bus_, index, key);
}

PlxStatus ReplayCard::PlxPci_DeviceOpen(const DeviceKey& /*key*/, DeviceObject& device) {
    device.opened = true;
    device.handle = 1;
    return STATUS_SUCCESS;
}

PlxStatus ReplayCard::PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                                       MappedAddress& address) {
    address = nullptr;
    if (!device.opened) return SIM_STATUS_FAILED;
    if (bar == BRIDGE_BAR) address = bridge_.get();
    if (bar == MAILBOX_BAR) address = mailboxRegion_.get();
    return address != nullptr ? STATUS_SUCCESS : SIM_STATUS_FAILED;
}

PlxStatus ReplayCard::PlxPci_PciBarUnmap(DeviceObject& /*device*/, MappedAddress& address) {
    address = nullptr;
    return STATUS_SUCCESS;
}

PlxStatus ReplayCard::PlxPci_DeviceClose(DeviceObject& device) {
    device.opened = false;
    return STATUS_SUCCESS;
}

}  // namespace kovex
