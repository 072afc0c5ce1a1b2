// The words Open uses when the kernel refuses the sysfs bridge: which file,
// what the kernel said, and what the service engineer can do about it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kovex {

// The group the udev rule gives access to the card's sysfs files.
inline constexpr const char* KOVEX_GROUP = "kovex";

enum class FileStep { Open, Read, Write, Map, Lock };

// One sentence for a failed system call on a device's sysfs file.
std::string FileFailureText(const std::filesystem::path& file, FileStep step, int error);

// The device named by the key is no longer under the devices root.
std::string DeviceGoneText(const std::string& address);
// The `resource` file does not list the BAR.
std::string MissingBarText(const std::string& address, unsigned bar);
// The BAR is shorter than the registers the tool reaches in it.
std::string SmallBarText(const std::string& address, unsigned bar, std::uint64_t length,
                         std::uint64_t needed);
// The `resource` or `config` file holds what no kernel writes.
std::string UnreadableFileText(const std::filesystem::path& file);

}  // namespace kovex
