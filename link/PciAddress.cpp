#include "link/PciAddress.h"

#include <array>
#include <cstdio>

namespace kovex {

std::optional<PciAddress> ParsePciAddress(std::string_view name) {
    const auto colon = name.find(':');
    // The domain has four or more hex digits; bus and slot two, function one.
    if (colon == std::string_view::npos || colon < 4 || name.size() != colon + 8 ||
        name[colon + 3] != ':' || name[colon + 6] != '.') {
        return std::nullopt;
    }
    const auto domain = ParseHexNumber<std::uint32_t>(name.substr(0, colon));
    const auto bus = ParseHexNumber<unsigned>(name.substr(colon + 1, 2));
    const auto slot = ParseHexNumber<unsigned>(name.substr(colon + 4, 2));
    const auto function = ParseHexNumber<unsigned>(name.substr(colon + 7, 1));
    if (!domain || !bus || !slot || !function || *slot > 0x1F || *function > 7) {
        return std::nullopt;
    }
    return PciAddress{*domain, static_cast<std::uint8_t>(*bus), static_cast<std::uint8_t>(*slot),
                      static_cast<std::uint8_t>(*function)};
}

std::string PciAddressText(const PciAddress& address) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%04x:%02x:%02x.%x", address.domain, address.bus,
                  address.slot, address.function);
    return text.data();
}

}  // namespace kovex
