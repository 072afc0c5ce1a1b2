// The four bridge-library operations the tool needs, and the mapped regions
// they hand out. The real provider talks to the PCI 9030 through sysfs; the
// simulated card stands behind the same interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace kovex {

using PlxStatus = std::uint32_t;

inline constexpr PlxStatus STATUS_SUCCESS = 0x200;
inline constexpr std::uint16_t PCI9030_DEVICE_ID = 0x9030;

#pragma pack(push, 1)
// The library's device record, copied as 19 bytes. A field whose bits are all
// ones tells PlxPci_DeviceFind to accept any value in it.
struct DeviceKey {
    std::uint32_t libraryField;  // offset 0
    std::uint8_t bus;            // offset 4
    std::uint8_t slot;           // offset 5
    std::uint8_t function;       // offset 6
    std::uint8_t alignment;      // offset 7, never written by the tool
    std::uint16_t vendorId;      // offset 8
    std::uint16_t deviceId;      // offset 10
    std::uint16_t subVendorId;   // offset 12
    std::uint16_t subDeviceId;   // offset 14
    std::uint8_t revision;       // offset 16
    std::uint8_t library17;      // offset 17
    std::uint8_t library18;      // offset 18
};
#pragma pack(pop)
static_assert(sizeof(DeviceKey) == 19, "DeviceKey is copied as 19 bytes");

// Sets every field of the key to "any value", leaving the alignment byte alone.
void SetKeyToAnyDevice(DeviceKey& key);

// Opaque to the tool: whatever the provider needs to find an opened device.
struct DeviceObject {
    std::uint64_t handle = 0;
    bool opened = false;
};

// A mapped BAR. Each call is exactly one uncached bus access, in program order;
// an access the bus no longer answers throws CardLost.
class MappedRegion {
public:
    virtual ~MappedRegion() = default;
    virtual std::uint8_t Read8(std::size_t offset) = 0;
    virtual void Write8(std::size_t offset, std::uint8_t value) = 0;
    virtual void Write32(std::size_t offset, std::uint32_t value) = 0;
};

// A register access faulted: the kernel took the BAR's mapping away (the card
// was removed or reset, or a driver claimed it). Device() names the card by
// its sysfs folder, e.g. "0000:03:07.0".
class CardLost : public std::runtime_error {
public:
    explicit CardLost(const std::string& file);
    const std::string& Device() const { return device_; }

private:
    std::string device_;
};

// The "address variable" the map and unmap operations fill and read. The
// provider owns the region; the tool only holds this pointer.
using MappedAddress = MappedRegion*;

// What kind of failure the last operation had: the card in use by another
// program is told apart from every other cause.
enum class BridgeFailure { Other, CardInUse };

class BridgeApi {
public:
    virtual ~BridgeApi() = default;
    virtual PlxStatus PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) = 0;
    virtual PlxStatus PlxPci_DeviceOpen(const DeviceKey& key, DeviceObject& device) = 0;
    virtual PlxStatus PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                                       MappedAddress& address) = 0;
    virtual PlxStatus PlxPci_PciBarUnmap(DeviceObject& device, MappedAddress& address) = 0;
    // Unmaps whatever the device still has mapped and lets the card go, for
    // another program (or another Open) to take.
    virtual PlxStatus PlxPci_DeviceClose(DeviceObject& device) = 0;
    // Why the last operation failed, in words a service engineer can act on
    // (the file, the cause, what to do); empty when the provider has none.
    virtual std::string LastError() const { return {}; }
    virtual BridgeFailure LastFailure() const { return BridgeFailure::Other; }
    // A name of the provider's own for the card the key names; empty: the
    // card is named by its PCI address.
    virtual std::string CardName(const DeviceKey& /*key*/) const { return {}; }
    // The program that holds the card the key names, e.g. "kovexctl (pid
    // 4242)"; empty when none does or the provider cannot tell.
    virtual std::string CardHolder(const DeviceKey& /*key*/) { return {}; }
};

}  // namespace kovex
