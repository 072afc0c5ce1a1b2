#include "display/core/PixelStream.h"

#include <charconv>
#include <cstdint>

namespace kovex {
namespace {

constexpr std::string_view MAGIC = "P6\n";
constexpr std::string_view MAX_VALUE = "255\n";

// A decimal number and the one character that ends it; false when there is none.
bool ReadNumber(std::string_view& bytes, char end, int& value) {
    const auto [stop, error] = std::from_chars(bytes.data(), bytes.data() + bytes.size(), value);
    if (error != std::errc{} || stop == bytes.data() + bytes.size() || *stop != end) return false;
    bytes.remove_prefix(static_cast<std::size_t>(stop - bytes.data()) + 1);
    return true;
}

}  // namespace

std::string EncodePixels(const PixelGrid& pixels) {
    std::string bytes = std::string(MAGIC) + std::to_string(pixels.width) + " " +
                        std::to_string(pixels.height) + "\n" + std::string(MAX_VALUE);
    bytes.reserve(bytes.size() + pixels.rgb.size() * 3);
    for (const std::uint32_t rgb : pixels.rgb) {
        bytes.push_back(static_cast<char>(rgb >> 16));
        bytes.push_back(static_cast<char>(rgb >> 8));
        bytes.push_back(static_cast<char>(rgb));
    }
    return bytes;
}

std::optional<PixelGrid> DecodePixels(std::string_view bytes, std::size_t mostPixels) {
    PixelGrid pixels;
    if (!bytes.starts_with(MAGIC)) return std::nullopt;
    bytes.remove_prefix(MAGIC.size());
    if (!ReadNumber(bytes, ' ', pixels.width) || !ReadNumber(bytes, '\n', pixels.height) ||
        !bytes.starts_with(MAX_VALUE) || pixels.width < 0 || pixels.height < 0) {
        return std::nullopt;
    }
    bytes.remove_prefix(MAX_VALUE.size());
    const auto count =
        static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height);
    if (count > mostPixels || bytes.size() != count * 3) return std::nullopt;
    pixels.rgb.reserve(count);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[i + k]); };
        pixels.rgb.push_back(std::uint32_t{byte(0)} << 16 | std::uint32_t{byte(1)} << 8 | byte(2));
    }
    return pixels;
}

}  // namespace kovex
