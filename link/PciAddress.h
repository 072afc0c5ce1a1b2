// A PCI device's address, DOMAIN:BB:SS.F, as the kernel names its sysfs
// folder and as --device takes it.
#pragma once

#include <charconv>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace kovex {

// DOMAIN:BB:SS.F, e.g. "0000:03:07.0" or "10000:00:02.1".
struct PciAddress {
    std::uint32_t domain = 0;
    std::uint8_t bus = 0;
    std::uint8_t slot = 0;
    std::uint8_t function = 0;

    // NOLINTNEXTLINE(modernize-use-nullptr): clang-tidy misreads a defaulted <=>
    auto operator<=>(const PciAddress&) const = default;
};

std::optional<PciAddress> ParsePciAddress(std::string_view name);
std::string PciAddressText(const PciAddress& address);

// Hex digits (no prefix) that make up the whole of text.
template <typename Number>
std::optional<Number> ParseHexNumber(std::string_view text) {
    Number value{};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
    if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
    return value;
}

}  // namespace kovex
