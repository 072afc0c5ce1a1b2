// Open: finds the PCI 9030 through the bridge library, sets up the bridge's
// local configuration registers through BAR 0 and maps BAR 2 as the card
// window.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "link/BridgeApi.h"
#include "link/CardPort.h"
#include "link/PciSysfs.h"
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

class CardOpener {
public:
    CardOpener(BridgeApi& api, CardPort& port, WindowServices& window);

    void Button1Click();
    // The devices on the bus, as Open lists them, without opening any: it
    // needs only the rights to read the bus.
    const DeviceTable& ListDevices();

    const DeviceTable& Devices() const { return table_; }
    // Open then takes the PCI 9030 at this address or none.
    void WantAddress(const PciAddress& address) { wanted_ = address; }
    // The PCI 9030 that Open takes from the table: the first one, or the one
    // at the wanted address.
    const DeviceKey* FirstBridge() const;

private:
    void ScanBus();
    bool IsKnownDevice(const DeviceKey& key) const;
    bool SetUpBridge();
    MappedRegion* MapCardWindow();
    void ReleaseLostCardWindow();
    // One line: the provider's reason when it gives one, else withoutReason.
    void LogFailure(const std::string& withoutReason);
    void EnableCardButtons();

    BridgeApi& api_;
    CardPort& port_;
    WindowServices& window_;
    DeviceKey searchKey_{};
    DeviceTable table_;
    DeviceObject device_;
    MappedAddress address_ = nullptr;
    bool scanning_ = false;
    std::optional<PciAddress> wanted_;
};

}  // namespace kovex
