// Bounds-checked little-endian reads from a file held in memory, and writes
// into one being built. A read past the end gives std::nullopt, so a header
// check never looks outside the file; a write past the end throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kovex {

using PictureBytes = std::span<const std::uint8_t>;

inline bool HasBytes(PictureBytes bytes, std::uint64_t offset, std::uint64_t count) {
    return offset <= bytes.size() && count <= bytes.size() - offset;
}

inline std::optional<std::uint16_t> U16At(PictureBytes bytes, std::uint64_t offset) {
    if (!HasBytes(bytes, offset, 2)) return std::nullopt;
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline std::optional<std::uint32_t> U32At(PictureBytes bytes, std::uint64_t offset) {
    if (!HasBytes(bytes, offset, 4)) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = (value << 8) | bytes[offset + i];
    return value;
}

inline std::optional<std::int16_t> I16At(PictureBytes bytes, std::uint64_t offset) {
    const auto value = U16At(bytes, offset);
    if (!value) return std::nullopt;
    return static_cast<std::int16_t>(*value);
}

inline std::optional<std::int32_t> I32At(PictureBytes bytes, std::uint64_t offset) {
    const auto value = U32At(bytes, offset);
    if (!value) return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

inline void PutU16(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint16_t value) {
    bytes.at(at) = static_cast<std::uint8_t>(value);
    bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint32_t value) {
    PutU16(bytes, at, static_cast<std::uint16_t>(value));
    PutU16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace kovex
