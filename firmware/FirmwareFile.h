// Reads a whole firmware file into memory before anything is sent to the card.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kovex {

// The file's bytes; throws std::runtime_error naming the file and the reason
// when it cannot be opened or read.
std::vector<std::uint8_t> ReadFirmwareFile(const std::string& path);

}  // namespace kovex
