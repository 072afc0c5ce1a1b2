#include "support/FakeSysfs.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

namespace kovex::testing {
namespace {

namespace fs = std::filesystem;

std::string Hex(std::uint64_t value, int digits) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "0x%0*llx", digits,
                  static_cast<unsigned long long>(value));
    return text.data();
}

void WriteFile(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The kernel writes one line per resource: six BARs, the ROM and the rest.
std::string ResourceText(const std::vector<FakeBar>& bars) {
    constexpr int RESOURCE_LINES = 13;
    std::string text;
    for (int line = 0; line < RESOURCE_LINES; ++line) {
        FakeBar bar{static_cast<unsigned>(line), 0, 0, 0};
        for (const FakeBar& b : bars) {
            if (static_cast<int>(b.index) == line) bar = b;
        }
        const std::uint64_t end = bar.length == 0 ? 0 : bar.start + bar.length - 1;
        text += Hex(bar.start, 16) + " " + Hex(end, 16) + " " + Hex(bar.flags, 16) + "\n";
    }
    return text;
}

std::string ConfigBytes(const FakeDevice& device) {
    std::string config(256, '\0');
    config[0] = static_cast<char>(device.vendor & 0xFF);
    config[1] = static_cast<char>(device.vendor >> 8);
    config[2] = static_cast<char>(device.device & 0xFF);
    config[3] = static_cast<char>(device.device >> 8);
    config[4] = static_cast<char>(device.command & 0xFF);
    config[5] = static_cast<char>(device.command >> 8);
    return config;
}

std::size_t RealPageSize() {
    return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

FakeDevice Kovex(const std::string& name, std::uint64_t bar0Start, std::uint64_t bar2Start) {
    return {name, 0x10B5, 0x9030, {{0, bar0Start, 128}, {2, bar2Start, 16}}};
}

FakeSysfs::FakeSysfs()
    : base_(fs::temp_directory_path() / ("kovex-sysfs-" + std::to_string(std::random_device{}()))),
      root_(base_ / "bus" / "pci" / "devices") {
    fs::create_directories(root_);
    fs::create_directories(base_ / "devices-real");
}

FakeSysfs::~FakeSysfs() {
    std::error_code ignored;
    fs::remove_all(base_, ignored);
}

void FakeSysfs::Add(const FakeDevice& device) {
    const fs::path directory = base_ / "devices-real" / "pci0000:00" / device.name;
    fs::create_directories(directory);
    fs::create_directory_symlink(
        fs::path("..") / ".." / ".." / "devices-real" / "pci0000:00" / device.name,
        root_ / device.name);
    WriteFile(directory / "vendor", Hex(device.vendor, 4) + "\n");
    WriteFile(directory / "device", Hex(device.device, 4) + "\n");
    if (device.subsystemVendor != 0 || device.subsystemDevice != 0) {
        WriteFile(directory / "subsystem_vendor", Hex(device.subsystemVendor, 4) + "\n");
        WriteFile(directory / "subsystem_device", Hex(device.subsystemDevice, 4) + "\n");
    }
    WriteFile(directory / "resource", ResourceText(device.bars));
    WriteFile(directory / "config", ConfigBytes(device));
    WriteFile(directory / "enable", (device.command & 0x3) != 0 ? "1\n" : "0\n");
    for (const FakeBar& bar : device.bars) {
        WriteFile(directory / ("resource" + std::to_string(bar.index)),
                  std::string(bar.length, '\0'));
    }
}

void FakeSysfs::AddDevice(const std::string& name, const std::string& vendor,
                          const std::string& device,
                          std::initializer_list<std::pair<int, std::size_t>> resources) {
    FakeDevice fake{name,
                    static_cast<std::uint16_t>(std::stoul(vendor, nullptr, 16)),
                    static_cast<std::uint16_t>(std::stoul(device, nullptr, 16)),
                    {}};
    std::uint64_t start = 0xFE000000;
    for (const auto& [bar, size] : resources) {
        fake.bars.push_back({static_cast<unsigned>(bar), start, size});
        start += 0x10000;
    }
    Add(fake);
}

void FakeSysfs::Remove(const std::string& name) {
    fs::remove(root_ / name);
}

fs::path FakeSysfs::File(const std::string& name, const std::string& file) const {
    return root_ / name / file;
}

std::vector<std::uint8_t> FakeSysfs::Resource(const std::string& name, int bar) const {
    const std::string text = Text(name, "resource" + std::to_string(bar));
    return {text.begin(), text.end()};
}

std::string FakeSysfs::Text(const std::string& name, const std::string& file) const {
    std::ifstream in(File(name, file), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void FakeSysfs::Write(const std::string& name, const std::string& file,
                      const std::string& bytes) const {
    WriteFile(File(name, file), bytes);
}

// Records every access before passing it on to the real register layer.
class RecordingRegisters final : public MappedRegion {
public:
    RecordingRegisters(std::string file, std::unique_ptr<MappedRegion> inner,
                       std::vector<Access>& record, const std::function<void(const Access&)>& hook)
        : file_(std::move(file)), inner_(std::move(inner)), record_(record), hook_(hook) {}
    std::uint8_t Read8(std::size_t offset) override {
        if (hook_) hook_({file_, 'R', 1, offset, 0});
        const std::uint8_t value = inner_->Read8(offset);
        record_.push_back({file_, 'R', 1, offset, value});
        return value;
    }
    void Write8(std::size_t offset, std::uint8_t value) override {
        if (hook_) hook_({file_, 'W', 1, offset, value});
        record_.push_back({file_, 'W', 1, offset, value});
        inner_->Write8(offset, value);
    }
    void Write32(std::size_t offset, std::uint32_t value) override {
        if (hook_) hook_({file_, 'W', 4, offset, value});
        record_.push_back({file_, 'W', 4, offset, value});
        inner_->Write32(offset, value);
    }

private:
    std::string file_;
    std::unique_ptr<MappedRegion> inner_;
    std::vector<Access>& record_;
    const std::function<void(const Access&)>& hook_;
};

std::optional<int> FakeSystem::FailureFor(Call call, const std::string& file) const {
    const auto found = failures_.find({call, file});
    if (found == failures_.end()) return std::nullopt;
    return found->second;
}

int FakeSystem::Open(const char* path, int flags) {
    const std::string file = fs::path(path).filename().string();
    if (const auto error = FailureFor(Call::Open, file)) {
        errno = *error;
        return -1;
    }
    if ((flags & O_ACCMODE) != O_RDONLY) writeOpens.push_back(file);
    const int fd = PosixSystem::Open(path, flags);
    if (fd >= 0) fdFiles_[fd] = file;
    return fd;
}

int FakeSystem::Close(int fd) {
    fdFiles_.erase(fd);
    return PosixSystem::Close(fd);
}

ssize_t FakeSystem::ReadAt(int fd, void* buffer, std::size_t count, off_t offset) {
    transfers.push_back({fdFiles_[fd], 'R', count, offset});
    return PosixSystem::ReadAt(fd, buffer, count, offset);
}

ssize_t FakeSystem::WriteAt(int fd, const void* buffer, std::size_t count, off_t offset) {
    transfers.push_back({fdFiles_[fd], 'W', count, offset});
    if (const auto error = FailureFor(Call::Write, fdFiles_[fd])) {
        errno = *error;
        return -1;
    }
    return PosixSystem::WriteAt(fd, buffer, count, offset);
}

void* FakeSystem::MapShared(int fd, std::size_t length) {
    const std::string file = fdFiles_[fd];
    maps.emplace_back(file, length);
    if (const auto error = FailureFor(Call::Map, file)) {
        errno = *error;
        return MAP_FAILED;
    }
    void* const address = PosixSystem::MapShared(fd, length);
    if (address != MAP_FAILED) live_[address] = {file, length, fd};
    return address;
}

int FakeSystem::Unmap(void* address, std::size_t length) {
    if (const auto found = live_.find(address); found != live_.end()) {
        struct stat file {};
        const std::size_t page = RealPageSize();
        // The pages the file still reaches into: a page past its end faults.
        const std::size_t reachable =
            ::fstat(found->second.fd, &file) == 0
                ? (static_cast<std::size_t>(file.st_size) + page - 1) / page * page
                : 0;
        const auto* bytes = static_cast<const std::uint8_t*>(address);
        unmapped_[found->second.file].assign(
            bytes, bytes + std::min({found->second.length, page, reachable}));
        live_.erase(found);
    }
    return PosixSystem::Unmap(address, length);
}

std::size_t FakeSystem::PageSize() const {
    return pageSize ? *pageSize : PosixSystem::PageSize();
}

std::unique_ptr<MappedRegion> FakeSystem::Registers(const std::string& file,
                                                    std::unique_ptr<MappedRegion> access) {
    return std::make_unique<RecordingRegisters>(fs::path(file).filename().string(),
                                                std::move(access), accesses, beforeAccess);
}

std::vector<std::uint8_t> FakeSystem::Mapped(const std::string& file) const {
    for (const auto& [address, mapping] : live_) {
        if (mapping.file != file) continue;
        const auto* bytes = static_cast<const std::uint8_t*>(address);
        return {bytes, bytes + std::min(mapping.length, RealPageSize())};
    }
    const auto found = unmapped_.find(file);
    return found == unmapped_.end() ? std::vector<std::uint8_t>{} : found->second;
}

}  // namespace kovex::testing
