// kovexctl's simulated cards behind one bridge library: the window tool's
// card at 0000:03:07.0, or with --sim-cards N cards at 0000:01:00.0 to
// 0000:0N:00.0, each a card of its own on the same small bus.
//
// With --sim-state a card lives on from run to run in a state file. A run
// that opens the card takes a lock beside the file, as a program takes a
// real card's lock, so a second run on the same state is refused naming the
// first (or waits with --wait-card); it then reads the state, and when it
// lets the card go it writes the state back through a temporary file
// renamed over the old one. The time between two runs passes on the card as
// it would on a real one: its polling moves on and its nodes speak.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/BridgeApi.h"
#include "link/Clock.h"
#include "link/PciAddress.h"
#include "sim/SimulatedCard.h"
#include "sysfs/CardLock.h"
#include "sysfs/SysfsSystem.h"

namespace kovex {

inline constexpr int MOST_SIMULATED_CARDS = 8;

// The addresses of `count` simulated cards; 0: the window tool's one card.
std::vector<PciAddress> SimulatedCardAddresses(int count);

class SimulatedBus final : public BridgeApi {
public:
    SimulatedBus(MonotonicClock& clock, const std::vector<PciAddress>& cards);
    // Writes back the state of a card still open.
    ~SimulatedBus() override;
    SimulatedBus(const SimulatedBus&) = delete;
    SimulatedBus& operator=(const SimulatedBus&) = delete;

    // The card at the address, or null.
    SimulatedCard* CardAt(const PciAddress& address);
    const std::vector<PciAddress>& Addresses() const { return addresses_; }

    // Each card keeps its state: in the file `path` for a single card, in
    // the folder `path` (made when missing) as ADDRESS.state for several.
    // Every state there must be one this program wrote; the refusal when
    // one is not (nothing is written then), empty otherwise.
    std::string KeepStates(const std::filesystem::path& path, bool folder);
    // Why a state could not be written since the last call; empty when all were.
    std::vector<std::string> TakeWriteFailures() { return std::exchange(writeFailures_, {}); }

    // --- BridgeApi ---
    PlxStatus PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) override;
    PlxStatus PlxPci_DeviceOpen(const DeviceKey& key, DeviceObject& device) override;
    PlxStatus PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                               MappedAddress& address) override;
    PlxStatus PlxPci_PciBarUnmap(DeviceObject& device, MappedAddress& address) override;
    PlxStatus PlxPci_DeviceClose(DeviceObject& device) override;
    std::string LastError() const override { return lastError_; }
    BridgeFailure LastFailure() const override { return lastFailure_; }

private:
    struct Slot {
        PciAddress address;
        std::unique_ptr<SimulatedCard> card;
        std::optional<std::filesystem::path> stateFile;
        std::optional<CardLock> lock;
    };

    Slot* SlotAt(std::uint8_t bus, std::uint8_t slot, std::uint8_t function);
    Slot* SlotOf(const DeviceObject& device);
    PlxStatus Refuse(std::string error, BridgeFailure failure);
    // Takes the state's lock and reads it into the card; false after Refuse.
    bool TakeState(Slot& slot);
    void WriteState(Slot& slot);

    MonotonicClock& clock_;
    std::vector<PciAddress> addresses_;
    std::vector<SimulatedDevice> devices_;
    std::vector<Slot> slots_;
    std::map<std::uint64_t, Slot*> opened_;  // by the device's handle
    PosixSystem system_;
    std::string lastError_;
    BridgeFailure lastFailure_ = BridgeFailure::Other;
    std::vector<std::string> writeFailures_;
};

}  // namespace kovex
