// A model of a KOVEX card behind a PCI 9030 on a small PCI bus, reachable
// through BridgeApi. BAR 0 records the bridge set-up writes; BAR 2 is the
// mailbox (CardMailbox.h). Host frames are parsed byte by byte and checked;
// every command of the command table is answered with its reply shape
// (CardCommands.h). Node messages go to the network of nodes behind the card
// (SimNetwork.h), where devices attach through SimDevice (SimDevice.h). All
// timing runs on the injected clock. Replies come out in the order their
// frames arrived.
//
// A test sets and inspects the card's parts directly; only what depends on
// the card's own time goes through a method that first brings the card up to
// its clock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/BridgeApi.h"
#include "link/Clock.h"
#include "sim/CardCommands.h"
#include "sim/CardMailbox.h"
#include "sim/CardSettings.h"
#include "sim/HostMessageQueue.h"
#include "sim/Node10Devices.h"
#include "sim/SimDisplay.h"
#include "sim/SimNetwork.h"

namespace kovex {

// What the simulated library answers when the device index is past the end
// of the bus, a BAR cannot be mapped, or an unmap names no mapped region.
inline constexpr PlxStatus SIM_STATUS_FAILED = 0x201;
// What the windows call the simulated card, where a real one is named by its
// PCI address.
inline constexpr std::string_view SIMULATED_CARD_NAME = "Simulated card";

struct SimulatedDevice {
    std::uint8_t bus = 0;
    std::uint8_t slot = 0;
    std::uint8_t function = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t deviceId = 0;
};

// Find on a simulated bus: the key of the device at `index`, or
// SIM_STATUS_FAILED past the last one.
PlxStatus FindSimulatedDevice(const std::vector<SimulatedDevice>& devices, std::uint32_t index,
                              DeviceKey& key);

struct Bar0Write {
    std::size_t offset = 0;
    std::uint32_t value = 0;
    bool operator==(const Bar0Write&) const = default;
};

// The bus as PlxPci_DeviceFind sees it, what the library's calls answer, and
// what the host asked of them.
struct SimBus {
    std::vector<SimulatedDevice> devices;             // SimulatedCard::DefaultBus() at first
    std::map<std::uint32_t, PlxStatus> findFailures;  // device index -> status
    PlxStatus openStatus = STATUS_SUCCESS;
    std::map<std::uint8_t, PlxStatus> mapStatus;  // BAR -> status; success when absent
    std::vector<std::uint32_t> findIndexesAsked;
    std::optional<DeviceKey> openedKey;
    std::vector<Bar0Write> bar0Writes;
    // Every access through BAR 0 or BAR 2 while that BAR is not mapped. Such
    // an access has no other effect; a read of it returns 0xFF.
    int accessesWhileUnmapped = 0;
};

class SimulatedCard final : public BridgeApi {
public:
    explicit SimulatedCard(MonotonicClock& clock);
    ~SimulatedCard() override;
    SimulatedCard(const SimulatedCard&) = delete;
    SimulatedCard& operator=(const SimulatedCard&) = delete;

    // A small, realistic bus: two devices of other ids, then a PCI 9030 of
    // vendor 10B5 at bus 3, slot 7, function 0.
    static std::vector<SimulatedDevice> DefaultBus();

    // --- BridgeApi ---
    PlxStatus PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) override;
    PlxStatus PlxPci_DeviceOpen(const DeviceKey& key, DeviceObject& device) override;
    PlxStatus PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                               MappedAddress& address) override;
    PlxStatus PlxPci_PciBarUnmap(DeviceObject& device, MappedAddress& address) override;
    // The simulated card is private to its process: it takes no lock.
    PlxStatus PlxPci_DeviceClose(DeviceObject& device) override;
    std::string CardName(const DeviceKey& /*key*/) const override {
        return std::string(SIMULATED_CARD_NAME);
    }

    // --- the card's parts, set and inspected directly ---
    SimBus& Bus() { return bus_; }
    bool BarMapped(std::uint8_t bar) const;
    CardTiming& Timing() { return timing_; }
    CardFaults& Faults() { return faults_; }
    // Version text, poll list, node statuses, poll speed, flash and its
    // counts. The mode is read here and set with SetMode.
    CardState& State() { return commands_.State(); }
    const CardState& State() const { return commands_.State(); }
    // What the host did on the wire; bytes put in its way.
    CardMailbox& Mailbox() { return mailbox_; }
    const CardMailbox& Mailbox() const { return mailbox_; }
    // The network of nodes behind the card: attach devices here.
    SimNetwork& Network() { return network_; }
    // Node 10's relays, outputs, timer, message device, serial port and
    // firmware version (Node10Devices.h), attached from the start.
    Node10Devices& Node10() { return node10_; }
    // The display node (SimDisplay.h) at node 10, device 34, which also takes
    // the column uploads that no other device claims.
    SimDisplay& Display() { return display_; }

    // --- what first brings the card up to its clock ---
    void SetMode(std::uint8_t mode);  // time spent in the old mode counts under it
    // In run mode the card polls its list: each period both packet counters
    // move on by one (wrapping at 256), and the card moves on to the next
    // entry of its list (back to entry 0 after the last), whose node
    // CMD_GET_ETH_POLL_NODE then answers. A period of 0 stops them (default).
    void SetPollPeriod(Nanos period);
    void SetPacketCounters(std::uint8_t sent, std::uint8_t received);
    // The entry the card polls now.
    std::uint8_t EthPollPointer();
    // In run mode a node leaves a message for the host every interval (0:
    // never, the default); used by the tool so Get Msg comes alive. Node 12,
    // device 3 reports a two-digit reading: 0C 03 07 02 d1 d0, byte 3 counting
    // the bytes after the first four. At most 4 such messages wait at once.
    void SetNodeChatter(Nanos interval);
    // A message a node leaves for the host; clears NO_MESSAGE until fetched.
    void QueueHostMessage(std::vector<std::uint8_t> bytes);
    std::size_t HostMessagesWaiting();
    // The messages that wait for the host, oldest first.
    std::vector<std::vector<std::uint8_t>> HostMessages();
    std::pair<std::uint8_t, std::uint8_t> PacketCounters();  // sent, received
    // The card ran on its own for `away` before now, as a card does between
    // two programs' runs: its polling and its nodes' chatter catch up.
    void RanAlone(Nanos away);

private:
    class Region;
    struct BarSlot {
        std::unique_ptr<Region> region;
        bool mapped = false;
    };

    std::uint8_t Read8(std::uint8_t bar, std::size_t offset);
    void Write8(std::uint8_t bar, std::size_t offset, std::uint8_t value);
    void Write32(std::uint8_t bar, std::size_t offset, std::uint32_t value);
    // Brings polling and node chatter up to the clock's present. Called
    // before anything that observes or changes them.
    void CatchUp();
    void Execute(const Frame& frame);

    MonotonicClock& clock_;
    SimBus bus_;
    std::map<std::uint8_t, BarSlot> bars_;
    CardTiming timing_;
    CardFaults faults_;
    CardMailbox mailbox_{clock_, timing_, faults_};
    HostMessageQueue hostMessages_;
    SimNetwork network_{hostMessages_};
    Node10Devices node10_;
    SimDisplay display_;
    CardCommands commands_{timing_, faults_, hostMessages_, network_};
};

}  // namespace kovex
