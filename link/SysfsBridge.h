// BridgeApi on real hardware through the kernel's PCI sysfs interface: every
// device under /sys/bus/pci/devices is a find result, in name order, and a BAR
// is mapped from its resourceN file (needs the rights to open it read-write).
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "link/BridgeApi.h"

namespace kovex {

// The status the bridge library reports for a failed operation.
inline constexpr PlxStatus STATUS_FAILED = 0x201;

class SysfsBridge final : public BridgeApi {
public:
    explicit SysfsBridge(std::filesystem::path devicesRoot = "/sys/bus/pci/devices");
    ~SysfsBridge() override;
    SysfsBridge(const SysfsBridge&) = delete;
    SysfsBridge& operator=(const SysfsBridge&) = delete;

    PlxStatus PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) override;
    PlxStatus PlxPci_DeviceOpen(const DeviceKey& key, DeviceObject& device) override;
    PlxStatus PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                               MappedAddress& address) override;
    PlxStatus PlxPci_PciBarUnmap(DeviceObject& device, MappedAddress& address) override;

private:
    class Region;
    std::vector<std::filesystem::path> DeviceDirectories() const;

    std::filesystem::path root_;
    // The device list of the running scan: read at index 0, reused after.
    std::vector<std::filesystem::path> scanned_;
    std::vector<std::filesystem::path> opened_;  // DeviceObject::handle - 1 indexes it
    std::vector<std::unique_ptr<Region>> regions_;
};

}  // namespace kovex
