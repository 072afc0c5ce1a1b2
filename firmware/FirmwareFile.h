// A whole firmware file in memory, read before anything is sent to the card.
#pragma once

#include <cstdint>
#include <string>

#include "seam/UserFile.h"

namespace kovex {

// Far above any card image (the card holds 128 KiB; its HEX text about 2.8
// times that), low enough that a wrong file is refused before it is read.
inline constexpr std::uint64_t FIRMWARE_FILE_LIMIT = std::uint64_t{64} << 20;

using FirmwareFile = UserFile;

// Throws std::runtime_error naming the file and the reason when it cannot be
// opened or read, or is refused: not a regular file, over
// FIRMWARE_FILE_LIMIT, or changed while it was read.
FirmwareFile ReadFirmwareFile(const std::string& path);

}  // namespace kovex
