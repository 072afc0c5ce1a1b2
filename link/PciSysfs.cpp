#include "link/PciSysfs.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <system_error>

namespace kovex {
namespace {

namespace fs = std::filesystem;

// Parses hex digits (no prefix) that make up the whole of text.
template <typename Number>
std::optional<Number> ParseHex(std::string_view text) {
    Number value{};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
    if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> ParsePrefixedHex(std::string_view text) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
        return std::nullopt;
    }
    return ParseHex<std::uint64_t>(text.substr(2));
}

// Splits off the next run of non-blank characters.
std::string_view NextWord(std::string_view& text) {
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        text = {};
        return {};
    }
    text.remove_prefix(begin);
    const auto end = std::min(text.find_first_of(" \t"), text.size());
    const std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    return word;
}

std::optional<BarResource> ParseResourceLine(std::string_view line) {
    BarResource bar;
    for (std::uint64_t* field : {&bar.start, &bar.end, &bar.flags}) {
        const auto value = ParsePrefixedHex(NextWord(line));
        if (!value) return std::nullopt;
        *field = *value;
    }
    if (!NextWord(line).empty()) return std::nullopt;
    return bar;
}

}  // namespace

std::optional<PciAddress> ParsePciAddress(std::string_view name) {
    const auto colon = name.find(':');
    // The domain has four or more hex digits; bus and slot two, function one.
    if (colon == std::string_view::npos || colon < 4 || name.size() != colon + 8 ||
        name[colon + 3] != ':' || name[colon + 6] != '.') {
        return std::nullopt;
    }
    const auto domain = ParseHex<std::uint32_t>(name.substr(0, colon));
    const auto bus = ParseHex<unsigned>(name.substr(colon + 1, 2));
    const auto slot = ParseHex<unsigned>(name.substr(colon + 4, 2));
    const auto function = ParseHex<unsigned>(name.substr(colon + 7, 1));
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

std::optional<BarTable> ParseResourceTable(std::string_view text) {
    BarTable table;
    for (BarResource& bar : table) {
        const auto newline = text.find('\n');
        if (newline == std::string_view::npos) return std::nullopt;
        const auto parsed = ParseResourceLine(text.substr(0, newline));
        if (!parsed) return std::nullopt;
        bar = *parsed;
        text.remove_prefix(newline + 1);
    }
    return table;
}

std::optional<std::uint16_t> ParseIdText(std::string_view text) {
    constexpr std::string_view blanks = " \t\n";
    const auto begin = text.find_first_not_of(blanks);
    if (begin == std::string_view::npos) return std::nullopt;
    text.remove_prefix(begin);
    const auto value = ParsePrefixedHex(text.substr(0, text.find_first_of(blanks)));
    if (!value || *value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

std::vector<PciDeviceEntry> ListPciDevices(const fs::path& devicesRoot) {
    std::vector<PciDeviceEntry> devices;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(devicesRoot, error)) {
        const auto address = ParsePciAddress(entry.path().filename().string());
        if (address) devices.push_back({*address, entry.path()});
    }
    std::sort(devices.begin(), devices.end(), [](const PciDeviceEntry& a, const PciDeviceEntry& b) {
        return a.address < b.address;
    });
    return devices;
}

}  // namespace kovex
