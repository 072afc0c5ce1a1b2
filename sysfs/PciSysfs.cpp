#include "sysfs/PciSysfs.h"

#include <algorithm>
#include <system_error>

namespace kovex {
namespace {

namespace fs = std::filesystem;

std::optional<std::uint64_t> ParsePrefixedHex(std::string_view text) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
        return std::nullopt;
    }
    return ParseHexNumber<std::uint64_t>(text.substr(2));
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
