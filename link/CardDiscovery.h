// Open: finds the PCI 9030 through the bridge library, sets up the bridge's
// local configuration registers through BAR 0 and maps BAR 2 as the card
// window.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/BridgeApi.h"
#include "link/CardPort.h"
#include "link/PciAddress.h"
#include "seam/WindowServices.h"

namespace kovex {

inline constexpr std::size_t DEVICE_TABLE_SIZE = 51;  // also the most finds per Open

struct DeviceTable {
    std::array<DeviceKey, DEVICE_TABLE_SIZE> entries{};
    std::size_t count = 0;
};

// "9030 - 10B5        [b:3 s:7 f:0 ]"
std::string DeviceLine(const DeviceKey& key);
// The device's PCI address; a key without a domain (all ones) is on domain 0.
PciAddress KeyAddress(const DeviceKey& key);
std::string OpenStatusLine(PlxStatus status);
// What Open logs when another program holds the card: the bridge's words
// ("Card 0000:03:07.0 is in use by kovexctl (pid 4242)") and what to do.
std::string CardInUseLine(const std::string& inUse);

// How an Open ended. Ignored: a click during the running scan. Cancelled:
// the bus holds several PCI 9030s and the user chose none of them.
enum class OpenResult { Opened, NotFound, InUse, Failed, Ignored, Cancelled };

class CardOpener {
public:
    // The port must outlive the opener.
    CardOpener(BridgeApi& api, CardPort& port, WindowServices& window);
    // Closes the port and lets go of the card.
    ~CardOpener();
    CardOpener(const CardOpener&) = delete;
    CardOpener& operator=(const CardOpener&) = delete;

    OpenResult Button1Click();
    // The devices on the bus, as Open lists them, without opening any: it
    // needs only the rights to read the bus.
    const DeviceTable& ListDevices();

    const DeviceTable& Devices() const { return table_; }
    // Open then takes the PCI 9030 at this address or none.
    void WantAddress(const PciAddress& address) { wanted_ = address; }
    // The PCI 9030s in the table that Open may take, in the order found:
    // every one, or the one at the wanted address.
    std::vector<const DeviceKey*> Bridges() const;
    // The one PCI 9030 Open takes without asking: the only one of Bridges(),
    // else nullptr (none, or several to choose from).
    const DeviceKey* OnlyBridge() const;
    // The card the latest successful Open took (kept after it is lost).
    const std::optional<PciAddress>& OpenedAddress() const { return opened_; }
    // What the card chooser listed at the latest Open that showed it.
    const std::vector<CardChoice>& Choices() const { return choices_; }
    // After an Open that gave InUse: who holds the card, in the bridge's words.
    const std::string& InUseBy() const { return inUseBy_; }
    // After an Open that gave Failed: the line that says why, as logged.
    const std::string& FailureLine() const { return failure_; }

private:
    void ScanBus();
    // The bridge to open: the only one, or the one the user chose. nullptr
    // when there is none (ended says NotFound) or the user cancelled.
    const DeviceKey* PickBridge(OpenResult& ended);
    CardChoice ChoiceOf(const DeviceKey& key);
    std::string NameOf(const DeviceKey& key) const;
    bool IsKnownDevice(const DeviceKey& key) const;
    OpenResult OpenRefused(PlxStatus status);
    bool SetUpBridge();
    // The BAR mapped, or nullptr after a line that ends with what that means.
    MappedRegion* MapBar(std::uint8_t bar, std::string_view withoutIt);
    // Closes the port, then the device: the card is free again.
    void ReleaseCard();
    // Closes the device, which unmaps what it still has and lets go of its lock.
    void CloseDevice();
    // One line: the provider's reason when it gives one, else withoutReason.
    void LogFailure(const std::string& withoutReason);

    BridgeApi& api_;
    CardPort& port_;
    WindowServices& window_;
    DeviceKey searchKey_{};
    DeviceTable table_;
    DeviceObject device_;
    MappedAddress address_ = nullptr;
    bool scanning_ = false;
    std::optional<PciAddress> wanted_;
    std::optional<PciAddress> opened_;
    std::vector<CardChoice> choices_;
    std::string inUseBy_;
    std::string failure_;
};

}  // namespace kovex
