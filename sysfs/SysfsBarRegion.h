// One BAR of an opened device, reached through its sysfs resourceN file: a
// memory BAR mapped into the process, an I/O BAR through pread and pwrite.
// Every access is checked against the BAR's length (and a 32-bit access for
// alignment) before it reaches the register layer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "link/BridgeApi.h"
#include "sysfs/BarRegisters.h"
#include "sysfs/PciSysfs.h"
#include "sysfs/SysfsFiles.h"

namespace kovex {

class SysfsBarRegion final : public MappedRegion {
public:
    // A region, or the reason there is none.
    struct Prepared {
        std::unique_ptr<SysfsBarRegion> region;
        std::string error;
    };
    // Opens file (the BAR's resourceN) and, for a memory BAR, maps it: the
    // kernel maps from the start of the page that holds the BAR, so the BAR
    // lies at start % page size inside the mapping.
    static Prepared Prepare(SysfsSystem& system, const std::filesystem::path& file,
                            const BarResource& bar);

    struct Mapping {
        void* address = nullptr;
        std::size_t length = 0;
        std::size_t barOffset = 0;  // where the BAR starts inside the mapping
    };
    // Use Prepare; this takes over an opened file and its mapping.
    SysfsBarRegion(SysfsSystem& system, SystemFile file, std::uint64_t length, Mapping mapping,
                   std::unique_ptr<MappedRegion> registers);
    ~SysfsBarRegion() override;
    SysfsBarRegion(const SysfsBarRegion&) = delete;
    SysfsBarRegion& operator=(const SysfsBarRegion&) = delete;

    std::uint8_t Read8(std::size_t offset) override;
    void Write8(std::size_t offset, std::uint8_t value) override;
    void Write32(std::size_t offset, std::uint32_t value) override;

    std::uint64_t Length() const { return length_; }

private:
    void CheckAccess(std::size_t offset, std::size_t width) const;

    SysfsSystem& system_;
    SystemFile file_;
    std::uint64_t length_;
    Mapping mapping_;
    std::unique_ptr<MappedRegion> registers_;
};

}  // namespace kovex
