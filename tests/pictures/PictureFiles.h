// Picture files for the loader tests: the samples, files written byte by
// byte into the run's folder, and what loading one gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "display/pictures/LittleEndian.h"

namespace kovex {

using Bytes = std::vector<std::uint8_t>;

// A sample of tests/pictures/data, by name.
std::string SamplePath(const std::string& name);
Bytes ReadSample(const std::string& name);
// Writes the bytes into the run's folder under the name; the path.
std::string WriteTemp(const std::string& name, const Bytes& bytes);

// "loaded WxH", or the error's text.
std::string ErrorOf(const std::string& path);

}  // namespace kovex
