#include "sysfs/BarRegisters.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "sysfs/BusErrorGuard.h"
#include "sysfs/SysfsSystem.h"

namespace kovex {
namespace {

constexpr std::uint32_t ToLittleEndian(std::uint32_t value) {
    if constexpr (std::endian::native == std::endian::little) {
        return value;
    } else {
        return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) |
               (value << 24);
    }
}

}  // namespace

std::uint8_t MemoryRegisters::Read8(std::size_t offset) {
    std::uint8_t value = 0;
    if (!GuardedRead8(base_ + offset, value)) throw CardLost(file_);
    return value;
}

void MemoryRegisters::Write8(std::size_t offset, std::uint8_t value) {
    if (!GuardedWrite8(base_ + offset, value)) throw CardLost(file_);
}

void MemoryRegisters::Write32(std::size_t offset, std::uint32_t value) {
    // The caller checked that base + offset is 4-byte aligned.
    auto* const word = reinterpret_cast<volatile std::uint32_t*>(base_ + offset);
    if (!GuardedWrite32(word, ToLittleEndian(value))) throw CardLost(file_);
}

// The kernel's port access takes the value in host order and puts it on the
// bus little-endian, so I/O writes pass the value as it is.
std::uint8_t PortRegisters::Read8(std::size_t offset) {
    std::uint8_t value = 0;
    Check(system_.ReadAt(fd_, &value, 1, static_cast<off_t>(offset)), 1);
    return value;
}

void PortRegisters::Write8(std::size_t offset, std::uint8_t value) {
    Check(system_.WriteAt(fd_, &value, 1, static_cast<off_t>(offset)), 1);
}

void PortRegisters::Write32(std::size_t offset, std::uint32_t value) {
    Check(system_.WriteAt(fd_, &value, 4, static_cast<off_t>(offset)), 4);
}

void PortRegisters::Check(long done, long wanted) const {
    if (done == wanted) return;
    const std::string cause = done < 0 ? std::strerror(errno) : "short transfer";
    throw std::runtime_error("The card's register access through " + file_ + " failed (" + cause +
                             ")");
}

}  // namespace kovex
