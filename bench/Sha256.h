// SHA-256 (FIPS 180-4) of a byte buffer, as lower-case hex.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kovex::bench {

std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace kovex::bench
