// What the kernel's PCI sysfs tree tells about a device: its address from the
// directory name, its ids, and its BARs from the `resource` file. Plain file
// reading, no device access.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/PciAddress.h"

namespace kovex {

// Flag bits of a `resource` line.
inline constexpr std::uint64_t IORESOURCE_IO = 0x100;
inline constexpr std::uint64_t IORESOURCE_MEM = 0x200;

// One line of `resource`: the BAR's first and last bus address and its flags.
struct BarResource {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::uint64_t flags = 0;

    bool IsMemory() const { return (flags & IORESOURCE_MEM) != 0; }
    bool IsIo() const { return (flags & IORESOURCE_IO) != 0; }
    bool Exists() const { return (IsMemory() || IsIo()) && end > start; }
    std::uint64_t Length() const { return Exists() ? end - start + 1 : 0; }
};

inline constexpr std::size_t PCI_BAR_COUNT = 6;
using BarTable = std::array<BarResource, PCI_BAR_COUNT>;

// The six BAR lines of a `resource` file; nothing when a line is malformed
// or fewer than six are there.
std::optional<BarTable> ParseResourceTable(std::string_view text);

// The text of a sysfs id file such as `vendor`: "0x10b5\n".
std::optional<std::uint16_t> ParseIdText(std::string_view text);

struct PciDeviceEntry {
    PciAddress address;
    std::filesystem::path directory;
};

// The devices under devicesRoot (entries named DOMAIN:BB:SS.F, links in the
// kernel's tree), in numeric order of domain, bus, slot and function.
std::vector<PciDeviceEntry> ListPciDevices(const std::filesystem::path& devicesRoot);

}  // namespace kovex
