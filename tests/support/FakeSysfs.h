// A made-up PCI sysfs tree in a temporary folder, laid out as the kernel
// lays it out: device directories under devices-real/, linked from the
// devices root by their DOMAIN:BB:SS.F names; `vendor`, `device`, `resource`,
// `config`, `enable` and one resourceN regular file per BAR, sized as the
// kernel sizes it (the BAR's length). FakeSystem runs the real system calls
// on it, with an optional fake page size, failures injected by file name and
// a record of every call and register access.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sysfs/PciSysfs.h"
#include "sysfs/SysfsSystem.h"

namespace kovex::testing {

struct FakeBar {
    unsigned index = 0;
    std::uint64_t start = 0;
    std::uint64_t length = 0;
    std::uint64_t flags = IORESOURCE_MEM;
};

struct FakeDevice {
    std::string name;  // "0000:03:07.0"
    std::uint16_t vendor = 0;
    std::uint16_t device = 0;
    std::vector<FakeBar> bars;
    std::uint16_t command = 0x0003;  // I/O and memory decoding on
    // The subsystem_vendor and subsystem_device files; none when 0.
    std::uint16_t subsystemVendor = 0;
    std::uint16_t subsystemDevice = 0;
};

// A KOVEX card's bridge: BAR 0 of 128 bytes at bar0Start, BAR 2 of 16 bytes.
FakeDevice Kovex(const std::string& name, std::uint64_t bar0Start = 0xFEBF0000,
                 std::uint64_t bar2Start = 0xFEBE0000);

class FakeSysfs {
public:
    FakeSysfs();
    ~FakeSysfs();
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    void Add(const FakeDevice& device);
    // Memory BARs at made-up page-aligned addresses, decoding on.
    void AddDevice(const std::string& name, const std::string& vendor, const std::string& device,
                   std::initializer_list<std::pair<int, std::size_t>> resources = {});
    void Remove(const std::string& name);

    std::filesystem::path File(const std::string& name, const std::string& file) const;
    std::vector<std::uint8_t> Resource(const std::string& name, int bar) const;
    std::string Text(const std::string& name, const std::string& file) const;
    void Write(const std::string& name, const std::string& file, const std::string& bytes) const;
    const std::filesystem::path& Root() const { return root_; }
    // The tree's top, where /sys would be: Root() is under it at bus/pci/devices.
    const std::filesystem::path& SysfsRoot() const { return base_; }

private:
    std::filesystem::path base_;
    std::filesystem::path root_;
};

// One register access as the register layer saw it.
struct Access {
    std::string file;  // the resourceN file name, e.g. "resource0"
    char kind = 'R';   // 'R' read, 'W' write
    int width = 0;     // bytes
    std::size_t offset = 0;
    std::uint32_t value = 0;
    bool operator==(const Access&) const = default;
};

// One pread or pwrite on a file.
struct Transfer {
    std::string file;
    char kind = 'R';
    std::size_t count = 0;
    off_t offset = 0;
    bool operator==(const Transfer&) const = default;
};

enum class Call { Open, Map, Write };

class FakeSystem final : public PosixSystem {
public:
    // Makes calls of that kind on the file (by name, e.g. "resource0") fail with error.
    void Fail(Call call, const std::string& file, int error) { failures_[{call, file}] = error; }
    void ClearFailures() { failures_.clear(); }
    std::optional<std::size_t> pageSize;

    int Open(const char* path, int flags) override;
    int Close(int fd) override;
    ssize_t ReadAt(int fd, void* buffer, std::size_t count, off_t offset) override;
    ssize_t WriteAt(int fd, const void* buffer, std::size_t count, off_t offset) override;
    void* MapShared(int fd, std::size_t length) override;
    int Unmap(void* address, std::size_t length) override;
    std::size_t PageSize() const override;
    std::unique_ptr<MappedRegion> Registers(const std::string& file,
                                            std::unique_ptr<MappedRegion> access) override;

    // Files opened for writing, by name, in order.
    std::vector<std::string> writeOpens;
    std::vector<Access> accesses;
    // Called before every register access (a test may pull the file away).
    std::function<void(const Access&)> beforeAccess;
    std::vector<Transfer> transfers;
    // Length of every mapping asked for, by file name, in order.
    std::vector<std::pair<std::string, std::size_t>> maps;
    // The first bytes (up to one real page) of a mapping of that file: live
    // while it is mapped, as it was at unmap after (none of a page past the
    // file's end then: reading it is a bus error).
    std::vector<std::uint8_t> Mapped(const std::string& file) const;

private:
    struct Mapping {
        std::string file;
        std::size_t length = 0;
        int fd = -1;
    };
    std::optional<int> FailureFor(Call call, const std::string& file) const;
    std::map<std::pair<Call, std::string>, int> failures_;
    std::map<int, std::string> fdFiles_;
    std::map<void*, Mapping> live_;
    std::map<std::string, std::vector<std::uint8_t>> unmapped_;
};

}  // namespace kovex::testing
