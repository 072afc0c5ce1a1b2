// The lowest layer of a BAR: one register access of a given width at an
// offset the caller has already checked. Memory BARs are reached through a
// mapping, I/O BARs through the resource file; tests put a recorder in
// between to see the width, offset and order of every access. Both are
// mapped regions as the bridge interface knows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "link/BridgeApi.h"

namespace kovex {

class SysfsSystem;

// A memory BAR mapped into the process: each access is one volatile load or
// store. 32-bit values are stored little-endian, as the PCI bus orders them.
// An access that faults throws CardLost naming file (the BAR's resourceN);
// the bus error guard must be installed.
class MemoryRegisters final : public MappedRegion {
public:
    MemoryRegisters(volatile std::uint8_t* base, std::string file)
        : base_(base), file_(std::move(file)) {}
    std::uint8_t Read8(std::size_t offset) override;
    void Write8(std::size_t offset, std::uint8_t value) override;
    void Write32(std::size_t offset, std::uint32_t value) override;

private:
    volatile std::uint8_t* base_;
    std::string file_;
};

// An I/O BAR: each access is one pread or pwrite of exactly its width on the
// resource file, which the kernel turns into one port access. Throws
// std::runtime_error naming the file when the kernel refuses.
class PortRegisters final : public MappedRegion {
public:
    PortRegisters(SysfsSystem& system, int fd, std::string file)
        : system_(system), fd_(fd), file_(std::move(file)) {}
    std::uint8_t Read8(std::size_t offset) override;
    void Write8(std::size_t offset, std::uint8_t value) override;
    void Write32(std::size_t offset, std::uint32_t value) override;

private:
    void Check(long done, long wanted) const;

    SysfsSystem& system_;
    int fd_;
    std::string file_;
};

}  // namespace kovex
