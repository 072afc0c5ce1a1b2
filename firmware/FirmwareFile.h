// A whole firmware file in memory, read before anything is sent to the card.
// A regular file is mapped rather than copied: for a file of megabytes that
// saves the copy and most of the page faults.
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
// opened or read, or is refused: not a regular file, or over
// FIRMWARE_FILE_LIMIT.
FirmwareFile ReadFirmwareFile(const std::string& path);

}  // namespace kovex
