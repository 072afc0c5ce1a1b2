// Intel HEX records for tests, with their checksums.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kovex::testing {

// ":" count address type data checksum, upper-case, no line end.
std::string HexRecord(std::uint16_t address, std::uint8_t type,
                      const std::vector<std::uint8_t>& data);
std::string DataRecord(std::uint16_t address, const std::vector<std::uint8_t>& data);
// count bytes of value.
std::string DataRecord(std::uint16_t address, std::size_t count, std::uint8_t value);
std::string UpperAddressRecord(std::uint16_t upper);
inline const std::string END_RECORD = ":00000001FF";

// The records joined with CR LF, each line ended.
std::string HexFile(const std::vector<std::string>& records);
std::vector<std::uint8_t> Bytes(const std::string& text);

// Data records of 16 bytes filling card addresses first to last (inclusive,
// 16-aligned) with the value pattern (address & 0x7F), ascending, then the
// end record. Above FFFF it adds the extended linear address records.
std::string FilledHexFile(std::uint32_t first, std::uint32_t last);

}  // namespace kovex::testing
