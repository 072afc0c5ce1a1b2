#include "support/HexText.h"

#include <cstdio>

namespace kovex::testing {

std::string HexRecord(std::uint16_t address, std::uint8_t type,
                      const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(data.size()),
                                    static_cast<std::uint8_t>(address >> 8),
                                    static_cast<std::uint8_t>(address & 0xFF), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (const std::uint8_t b : bytes)
        sum += b;
    bytes.push_back(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
    std::string text = ":";
    for (const std::uint8_t b : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += digits;
    }
    return text;
}

std::string DataRecord(std::uint16_t address, const std::vector<std::uint8_t>& data) {
    return HexRecord(address, 0x00, data);
}

std::string DataRecord(std::uint16_t address, std::size_t count, std::uint8_t value) {
    return DataRecord(address, std::vector<std::uint8_t>(count, value));
}

std::string UpperAddressRecord(std::uint16_t upper) {
    return HexRecord(0, 0x04,
                     {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper)});
}

std::string HexFile(const std::vector<std::string>& records) {
    std::string text;
    for (const std::string& record : records)
        text += record + "\r\n";
    return text;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string FilledHexFile(std::uint32_t first, std::uint32_t last) {
    std::vector<std::string> records;
    std::uint32_t upper = 0;
    for (std::uint32_t address = first; address <= last; address += 16) {
        if ((address >> 16) != upper) {
            upper = address >> 16;
            records.push_back(UpperAddressRecord(static_cast<std::uint16_t>(upper)));
        }
        std::vector<std::uint8_t> data;
        for (std::uint32_t k = 0; k < 16; ++k)
            data.push_back(static_cast<std::uint8_t>((address + k) & 0x7F));
        records.push_back(DataRecord(static_cast<std::uint16_t>(address & 0xFFFF), data));
    }
    records.push_back(END_RECORD);
    return HexFile(records);
}

}  // namespace kovex::testing
