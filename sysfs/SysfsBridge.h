// BridgeApi on real hardware through the kernel's PCI sysfs interface. Every
// device under /sys/bus/pci/devices is a find result, in numeric order of
// domain, bus, slot and function; the domain travels in the key's library
// field. Open checks the device's BARs, locks the card against every other
// opener (CardLock), opens and maps the BARs the tool uses and turns on the
// bridge's decoding, so that every refusal comes before a register is
// touched; LastError says why in words. The lock lasts until DeviceClose.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/BridgeApi.h"
#include "sysfs/CardLock.h"
#include "sysfs/PciSysfs.h"
#include "sysfs/SysfsBarRegion.h"
#include "sysfs/SysfsSystem.h"

namespace kovex {

// The status the bridge library reports for a failed operation.
inline constexpr PlxStatus STATUS_FAILED = 0x201;

// A device's ids as its sysfs files give them; the optional ones may be absent.
struct PciIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t deviceId = 0;
    std::optional<std::uint16_t> subVendorId;
    std::optional<std::uint16_t> subDeviceId;
    std::optional<std::uint16_t> revision;
};

// Whether the device fits the key, a field of all ones accepting any value.
bool KeyMatches(const DeviceKey& key, const PciAddress& address, const PciIdentity& identity);

// The kernel's tree, or a made-up one (kovexctl's --sysfs-root), whose files
// are taken only as regular files (SysfsSystem::PlainFilesOnly).
enum class SysfsTree { Kernel, MadeUp };

// Why a made-up tree is refused: it must be a folder that belongs to the
// user running the tool or to root. Empty when it is taken.
std::string MadeUpTreeRefusal(const std::filesystem::path& tree);

class SysfsBridge final : public BridgeApi {
public:
    explicit SysfsBridge(std::filesystem::path devicesRoot = "/sys/bus/pci/devices",
                         SysfsTree tree = SysfsTree::Kernel);
    // Uses the given system calls (a test's fake), which must outlive the bridge.
    SysfsBridge(std::filesystem::path devicesRoot, SysfsSystem& system);
    ~SysfsBridge() override;
    SysfsBridge(const SysfsBridge&) = delete;
    SysfsBridge& operator=(const SysfsBridge&) = delete;

    PlxStatus PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) override;
    PlxStatus PlxPci_DeviceOpen(const DeviceKey& key, DeviceObject& device) override;
    PlxStatus PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                               MappedAddress& address) override;
    PlxStatus PlxPci_PciBarUnmap(DeviceObject& device, MappedAddress& address) override;
    PlxStatus PlxPci_DeviceClose(DeviceObject& device) override;
    std::string LastError() const override { return lastError_; }
    BridgeFailure LastFailure() const override { return lastFailure_; }
    // Asks the card's lock (resource0) without keeping it.
    std::string CardHolder(const DeviceKey& key) override;

private:
    struct ScannedDevice {
        PciDeviceEntry entry;
        PciIdentity identity;
    };
    struct OpenedDevice {
        PciAddress address;
        std::filesystem::path directory;
        BarTable bars;
        std::optional<CardLock> lock;  // empty once the device is closed
    };
    struct LiveRegion {
        std::uint64_t handle = 0;
        unsigned bar = 0;
        bool handedOut = false;
        std::unique_ptr<SysfsBarRegion> region;
    };

    std::vector<ScannedDevice> Scan() const;
    PlxStatus Fail(std::string reason, BridgeFailure kind = BridgeFailure::Other);
    PlxStatus Succeed();
    bool IsOpen(const DeviceObject& device) const;
    // The BAR's region, or the reason it cannot be had (empty region).
    SysfsBarRegion::Prepared PrepareBar(const OpenedDevice& device, unsigned bar) const;
    // Writes 1 to `enable` when the command register does not decode the
    // spaces the tool's BARs live in; the reason when that fails.
    std::string EnableDecoding(const OpenedDevice& device) const;

    std::unique_ptr<SysfsSystem> ownSystem_;
    SysfsSystem& system_;
    std::filesystem::path root_;
    // The device list of the running scan: read at index 0, reused after.
    std::vector<ScannedDevice> scanned_;
    std::vector<OpenedDevice> opened_;  // DeviceObject::handle - 1 indexes it
    std::vector<LiveRegion> regions_;
    std::string lastError_;
    BridgeFailure lastFailure_ = BridgeFailure::Other;
};

}  // namespace kovex
