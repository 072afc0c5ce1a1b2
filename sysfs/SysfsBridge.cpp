#include "sysfs/SysfsBridge.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "sysfs/SysfsErrors.h"
#include "sysfs/SysfsFiles.h"

namespace kovex {
namespace {

namespace fs = std::filesystem;

struct BarNeed {
    unsigned bar;
    std::uint64_t length;
};

// BAR 0 holds the bridge's local configuration registers, written up to
// 0x3C + 4 at Open; BAR 2 the mailbox's data byte and its status byte at 2.
constexpr std::array<BarNeed, 2> BARS_THE_TOOL_USES{{{0, 0x3C + 4}, {2, 2 + 1}}};

constexpr std::uint16_t COMMAND_IO_DECODE = 0x1;
constexpr std::uint16_t COMMAND_MEMORY_DECODE = 0x2;
constexpr off_t COMMAND_REGISTER_OFFSET = 4;

std::uint64_t LengthNeeded(unsigned bar) {
    for (const BarNeed& need : BARS_THE_TOOL_USES) {
        if (need.bar == bar) return need.length;
    }
    return 1;
}

template <typename Field>
bool Accepts(Field keyField, Field value) {
    return keyField == static_cast<Field>(~Field{}) || keyField == value;
}

template <typename Field>
bool AcceptsOptional(Field keyField, const std::optional<Field>& value) {
    return keyField == static_cast<Field>(~Field{}) || (value && *value == keyField);
}

std::optional<std::uint16_t> ReadIdFile(SysfsSystem& system, const fs::path& file) {
    const FileResult read = ReadSmallFile(system, file);
    if (read.error != 0) return std::nullopt;
    return ParseIdText(read.text);
}

std::optional<PciIdentity> ReadIdentity(SysfsSystem& system, const fs::path& directory) {
    const auto vendor = ReadIdFile(system, directory / "vendor");
    const auto device = ReadIdFile(system, directory / "device");
    if (!vendor || !device) return std::nullopt;
    return PciIdentity{*vendor, *device, ReadIdFile(system, directory / "subsystem_vendor"),
                       ReadIdFile(system, directory / "subsystem_device"),
                       ReadIdFile(system, directory / "revision")};
}

void FillKey(DeviceKey& key, const PciAddress& address, const PciIdentity& identity) {
    key.libraryField = address.domain;
    key.bus = address.bus;
    key.slot = address.slot;
    key.function = address.function;
    key.vendorId = identity.vendorId;
    key.deviceId = identity.deviceId;
    if (identity.subVendorId) key.subVendorId = *identity.subVendorId;
    if (identity.subDeviceId) key.subDeviceId = *identity.subDeviceId;
    if (identity.revision) key.revision = static_cast<std::uint8_t>(*identity.revision);
}

std::string KeyAddressText(const DeviceKey& key) {
    const PciAddress address{key.libraryField == 0xFFFFFFFFu ? 0 : key.libraryField, key.bus,
                             key.slot, key.function};
    return PciAddressText(address);
}

}  // namespace

std::string MadeUpTreeRefusal(const fs::path& tree) {
    const std::string what = "--sysfs-root " + tree.string() + ": ";
    struct stat info {};
    if (::stat(tree.c_str(), &info) != 0) return what + std::strerror(errno);
    if (!S_ISDIR(info.st_mode)) return what + "it is not a folder";
    const uid_t user = ::geteuid();
    if (info.st_uid != user && info.st_uid != 0) {
        return what + "it belongs to uid " + std::to_string(info.st_uid) +
               ", neither to you (uid " + std::to_string(user) +
               ") nor to root; a made-up tree must be yours or root's";
    }
    return {};
}

bool KeyMatches(const DeviceKey& key, const PciAddress& address, const PciIdentity& identity) {
    return Accepts(key.libraryField, address.domain) && Accepts(key.bus, address.bus) &&
           Accepts(key.slot, address.slot) && Accepts(key.function, address.function) &&
           Accepts(key.vendorId, identity.vendorId) && Accepts(key.deviceId, identity.deviceId) &&
           AcceptsOptional(key.subVendorId, identity.subVendorId) &&
           AcceptsOptional(key.subDeviceId, identity.subDeviceId) &&
           AcceptsOptional(key.revision, identity.revision
                                             ? std::optional<std::uint8_t>(
                                                   static_cast<std::uint8_t>(*identity.revision))
                                             : std::nullopt);
}

SysfsBridge::SysfsBridge(fs::path devicesRoot, SysfsTree tree)
    : ownSystem_(std::make_unique<PosixSystem>(tree == SysfsTree::MadeUp)),
      system_(*ownSystem_),
      root_(std::move(devicesRoot)) {}

SysfsBridge::SysfsBridge(fs::path devicesRoot, SysfsSystem& system)
    : system_(system), root_(std::move(devicesRoot)) {}

SysfsBridge::~SysfsBridge() = default;

std::vector<SysfsBridge::ScannedDevice> SysfsBridge::Scan() const {
    std::vector<ScannedDevice> devices;
    for (PciDeviceEntry& entry : ListPciDevices(root_)) {
        if (auto identity = ReadIdentity(system_, entry.directory)) {
            devices.push_back({std::move(entry), *identity});
        }
    }
    return devices;
}

PlxStatus SysfsBridge::Fail(std::string reason, BridgeFailure kind) {
    lastError_ = std::move(reason);
    lastFailure_ = kind;
    return STATUS_FAILED;
}

PlxStatus SysfsBridge::Succeed() {
    lastError_.clear();
    lastFailure_ = BridgeFailure::Other;
    return STATUS_SUCCESS;
}

bool SysfsBridge::IsOpen(const DeviceObject& device) const {
    return device.opened && device.handle != 0 && device.handle <= opened_.size() &&
           opened_[device.handle - 1].lock.has_value();
}

PlxStatus SysfsBridge::PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) {
    // A scan asks for indexes 0, 1, 2, ... in turn: list the bus once per scan.
    if (index == 0 || scanned_.empty()) scanned_ = Scan();
    std::uint32_t matching = 0;
    for (const ScannedDevice& device : scanned_) {
        if (!KeyMatches(key, device.entry.address, device.identity)) continue;
        if (matching++ != index) continue;
        FillKey(key, device.entry.address, device.identity);
        return Succeed();
    }
    return Fail("no device number " + std::to_string(index) + " under " + root_.string());
}

PlxStatus SysfsBridge::PlxPci_DeviceOpen(const DeviceKey& key, DeviceObject& device) {
    device.opened = false;
    const std::vector<ScannedDevice> present = Scan();
    const auto found = std::find_if(present.begin(), present.end(), [&key](const auto& d) {
        return KeyMatches(key, d.entry.address, d.identity);
    });
    if (found == present.end()) return Fail(DeviceGoneText(KeyAddressText(key)));

    OpenedDevice opened{found->entry.address, found->entry.directory, {}, std::nullopt};
    const std::string addressText = PciAddressText(opened.address);
    const fs::path resourceFile = opened.directory / "resource";
    const FileResult resource = ReadSmallFile(system_, resourceFile);
    if (resource.error != 0) {
        return Fail(FileFailureText(resourceFile, FileStep::Read, resource.error));
    }
    const auto bars = ParseResourceTable(resource.text);
    if (!bars) return Fail(UnreadableFileText(resourceFile));
    opened.bars = *bars;

    for (const BarNeed& need : BARS_THE_TOOL_USES) {
        const BarResource& bar = opened.bars[need.bar];
        if (!bar.Exists()) return Fail(MissingBarText(addressText, need.bar));
        if (bar.Length() < need.length) {
            return Fail(SmallBarText(addressText, need.bar, bar.Length(), need.length));
        }
    }
    // BAR 0 (the bridge's own registers) is on every card: its file is the
    // card's lock, taken before anything is mapped or written.
    CardLockAttempt locked = CardLock::Take(system_, opened.directory / "resource0", addressText);
    if (!locked.lock) {
        return Fail(std::move(locked.error),
                    locked.inUse ? BridgeFailure::CardInUse : BridgeFailure::Other);
    }
    opened.lock = std::move(locked.lock);
    std::vector<LiveRegion> prepared;
    const std::uint64_t handle = opened_.size() + 1;
    for (const BarNeed& need : BARS_THE_TOOL_USES) {
        SysfsBarRegion::Prepared region = PrepareBar(opened, need.bar);
        if (!region.region) return Fail(std::move(region.error));
        prepared.push_back({handle, need.bar, false, std::move(region.region)});
    }
    if (std::string error = EnableDecoding(opened); !error.empty()) return Fail(std::move(error));

    opened_.push_back(std::move(opened));
    for (LiveRegion& region : prepared)
        regions_.push_back(std::move(region));
    device.handle = handle;
    device.opened = true;
    return Succeed();
}

SysfsBarRegion::Prepared SysfsBridge::PrepareBar(const OpenedDevice& device, unsigned bar) const {
    const BarResource& resource = device.bars.at(bar);
    const std::string addressText = PciAddressText(device.address);
    if (!resource.Exists()) return {nullptr, MissingBarText(addressText, bar)};
    if (resource.Length() < LengthNeeded(bar)) {
        return {nullptr, SmallBarText(addressText, bar, resource.Length(), LengthNeeded(bar))};
    }
    // Never the resourceN_wc file: registers must not be write-combined.
    const fs::path file = device.directory / ("resource" + std::to_string(bar));
    return SysfsBarRegion::Prepare(system_, file, resource);
}

std::string SysfsBridge::EnableDecoding(const OpenedDevice& device) const {
    std::uint16_t needed = 0;
    for (const BarNeed& need : BARS_THE_TOOL_USES) {
        const BarResource& bar = device.bars[need.bar];
        needed |= bar.IsMemory() ? COMMAND_MEMORY_DECODE : COMMAND_IO_DECODE;
    }
    const fs::path config = device.directory / "config";
    const FileResult command = ReadBytesAt(system_, config, 2, COMMAND_REGISTER_OFFSET);
    if (command.error != 0) return FileFailureText(config, FileStep::Read, command.error);
    if (command.text.size() != 2) return UnreadableFileText(config);
    const auto value = static_cast<std::uint16_t>(static_cast<std::uint8_t>(command.text[0]) |
                                                  static_cast<std::uint8_t>(command.text[1]) << 8);
    if ((value & needed) == needed) return {};
    const fs::path enable = device.directory / "enable";
    const int error = WriteSmallFile(system_, enable, "1");
    return error == 0 ? std::string{} : FileFailureText(enable, FileStep::Write, error);
}

PlxStatus SysfsBridge::PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                                        MappedAddress& address) {
    address = nullptr;
    if (!IsOpen(device)) return Fail("the device is not open");
    if (bar >= PCI_BAR_COUNT) return Fail("there is no BAR " + std::to_string(bar));
    const auto ready = std::find_if(regions_.begin(), regions_.end(), [&](const LiveRegion& r) {
        return r.handle == device.handle && r.bar == bar && !r.handedOut;
    });
    if (ready != regions_.end()) {
        ready->handedOut = true;
        address = ready->region.get();
        return Succeed();
    }
    SysfsBarRegion::Prepared region = PrepareBar(opened_[device.handle - 1], bar);
    if (!region.region) return Fail(std::move(region.error));
    address = region.region.get();
    regions_.push_back({device.handle, bar, true, std::move(region.region)});
    return Succeed();
}

PlxStatus SysfsBridge::PlxPci_PciBarUnmap(DeviceObject& /*device*/, MappedAddress& address) {
    const auto found = std::find_if(regions_.begin(), regions_.end(), [address](const auto& r) {
        return r.handedOut && r.region.get() == address;
    });
    if (found == regions_.end()) return Fail("that region is not mapped");
    regions_.erase(found);
    address = nullptr;
    return Succeed();
}

std::string SysfsBridge::CardHolder(const DeviceKey& key) {
    return CardLock::HolderOf(system_, root_ / KeyAddressText(key) / "resource0");
}

PlxStatus SysfsBridge::PlxPci_DeviceClose(DeviceObject& device) {
    if (!IsOpen(device)) return Fail("the device is not open");
    std::erase_if(regions_, [&device](const LiveRegion& r) { return r.handle == device.handle; });
    opened_[device.handle - 1].lock.reset();
    device.opened = false;
    return Succeed();
}

}  // namespace kovex
