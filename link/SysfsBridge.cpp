#include "link/SysfsBridge.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

namespace kovex {
namespace {

namespace fs = std::filesystem;

struct PciAddress {
    unsigned domain = 0;
    unsigned bus = 0;
    unsigned slot = 0;
    unsigned function = 0;
};

// "0000:03:07.0"
std::optional<PciAddress> ParseAddress(const std::string& name) {
    PciAddress address;
    char tail = 0;
    const int fields = std::sscanf(name.c_str(), "%x:%x:%x.%x%c", &address.domain, &address.bus,
                                   &address.slot, &address.function, &tail);
    if (fields != 4 || address.bus > 0xFF || address.slot > 0x1F || address.function > 7) {
        return std::nullopt;
    }
    return address;
}

// A sysfs id file such as "vendor": "0x10b5\n".
std::optional<std::uint16_t> ReadIdFile(const fs::path& file) {
    std::ifstream in(file);
    std::string text;
    if (!(in >> text)) return std::nullopt;
    try {
        std::size_t used = 0;
        const unsigned long value = std::stoul(text, &used, 16);
        if (used != text.size() || value > 0xFFFF) return std::nullopt;
        return static_cast<std::uint16_t>(value);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

// One mapped BAR. Memory BARs are mapped into the process; each access is
// one volatile load or store. BARs that cannot be mapped (I/O space) are
// reached with one pread/pwrite of the access's width, which the kernel turns
// into one port access.
class SysfsBridge::Region final : public MappedRegion {
public:
    Region(int fd, std::size_t length, void* mapping)
        : fd_(fd), length_(length), mapping_(static_cast<std::uint8_t*>(mapping)) {}
    ~Region() override {
        if (mapping_ != nullptr) ::munmap(mapping_, length_);
    }
    Region(const Region&) = delete;
    Region& operator=(const Region&) = delete;

    std::uint8_t Read8(std::size_t offset) override {
        CheckRange(offset, 1);
        if (mapping_ != nullptr) return *static_cast<volatile std::uint8_t*>(mapping_ + offset);
        std::uint8_t value = 0;
        Transfer(::pread(fd_.Get(), &value, 1, static_cast<off_t>(offset)), 1);
        return value;
    }

    void Write8(std::size_t offset, std::uint8_t value) override {
        CheckRange(offset, 1);
        if (mapping_ != nullptr) {
            *static_cast<volatile std::uint8_t*>(mapping_ + offset) = value;
            return;
        }
        Transfer(::pwrite(fd_.Get(), &value, 1, static_cast<off_t>(offset)), 1);
    }

    void Write32(std::size_t offset, std::uint32_t value) override {
        CheckRange(offset, 4);
        if (offset % 4 != 0) throw std::invalid_argument("32-bit register access must be aligned");
        if (mapping_ != nullptr) {
            // The offset is 4-aligned inside a page-aligned mapping.
            void* const address = mapping_ + offset;
            *static_cast<volatile std::uint32_t*>(address) = value;
            return;
        }
        Transfer(::pwrite(fd_.Get(), &value, 4, static_cast<off_t>(offset)), 4);
    }

    bool Holds(const MappedRegion* region) const { return region == this; }

private:
    void CheckRange(std::size_t offset, std::size_t width) const {
        if (offset > length_ || width > length_ - offset) {
            throw std::out_of_range("access beyond the end of the mapped region");
        }
    }
    static void Transfer(ssize_t done, ssize_t wanted) {
        if (done != wanted) throw std::runtime_error("the card's register access failed");
    }

    FileDescriptor fd_;
    std::size_t length_;
    std::uint8_t* mapping_;
};

SysfsBridge::SysfsBridge(fs::path devicesRoot) : root_(std::move(devicesRoot)) {}

SysfsBridge::~SysfsBridge() = default;

std::vector<fs::path> SysfsBridge::DeviceDirectories() const {
    std::vector<fs::path> directories;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(root_, error)) {
        if (ParseAddress(entry.path().filename().string())) directories.push_back(entry.path());
    }
    std::sort(directories.begin(), directories.end());
    return directories;
}

PlxStatus SysfsBridge::PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) {
    // A scan asks for indexes 0, 1, 2, ... in turn: list the bus once per scan.
    if (index == 0 || scanned_.empty()) scanned_ = DeviceDirectories();
    if (index >= scanned_.size()) return STATUS_FAILED;
    const fs::path& directory = scanned_[index];
    const auto address = ParseAddress(directory.filename().string());
    const auto vendor = ReadIdFile(directory / "vendor");
    const auto device = ReadIdFile(directory / "device");
    if (!address || !vendor || !device) return STATUS_FAILED;
    key.bus = static_cast<std::uint8_t>(address->bus);
    key.slot = static_cast<std::uint8_t>(address->slot);
    key.function = static_cast<std::uint8_t>(address->function);
    key.vendorId = *vendor;
    key.deviceId = *device;
    return STATUS_SUCCESS;
}

PlxStatus SysfsBridge::PlxPci_DeviceOpen(const DeviceKey& key, DeviceObject& device) {
    for (const fs::path& directory : DeviceDirectories()) {
        const auto address = ParseAddress(directory.filename().string());
        if (address->bus == key.bus && address->slot == key.slot &&
            address->function == key.function) {
            opened_.push_back(directory);
            device.handle = opened_.size();
            device.opened = true;
            return STATUS_SUCCESS;
        }
    }
    return STATUS_FAILED;
}

PlxStatus SysfsBridge::PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                                        MappedAddress& address) {
    address = nullptr;
    if (!device.opened || device.handle == 0 || device.handle > opened_.size() || bar > 5) {
        return STATUS_FAILED;
    }
    const fs::path file = opened_[device.handle - 1] / ("resource" + std::to_string(bar));
    const int fd = ::open(file.c_str(), O_RDWR | O_SYNC | O_CLOEXEC);
    if (fd < 0) return STATUS_FAILED;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size <= 0) {
        ::close(fd);
        return STATUS_FAILED;
    }
    const auto length = static_cast<std::size_t>(info.st_size);
    void* mapping = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapping == MAP_FAILED) mapping = nullptr;
    regions_.push_back(std::make_unique<Region>(fd, length, mapping));
    address = regions_.back().get();
    return STATUS_SUCCESS;
}

PlxStatus SysfsBridge::PlxPci_PciBarUnmap(DeviceObject& /*device*/, MappedAddress& address) {
    const auto found =
        std::find_if(regions_.begin(), regions_.end(),
                     [address](const auto& region) { return region->Holds(address); });
    if (found == regions_.end()) return STATUS_FAILED;
    regions_.erase(found);
    address = nullptr;
    return STATUS_SUCCESS;
}

}  // namespace kovex
