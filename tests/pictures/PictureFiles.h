// Picture files for the loader tests: the samples, files written byte by
// byte into the run's folder, and what loading one gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kovex {

using Bytes = std::vector<std::uint8_t>;

// A sample of tests/pictures/data, by name.
std::string SamplePath(const std::string& name);
Bytes ReadSample(const std::string& name);
// Writes the bytes into the run's folder under the name; the path.
std::string WriteTemp(const std::string& name, const Bytes& bytes);

inline void PutU16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes.at(at) = static_cast<std::uint8_t>(value);
    bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    PutU16(bytes, at, static_cast<std::uint16_t>(value));
    PutU16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

// "loaded WxH", or the error's text.
std::string ErrorOf(const std::string& path);

}  // namespace kovex
