// Small helpers over SysfsSystem: a file descriptor that closes itself and
// the reading and writing of short sysfs attribute files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "sysfs/SysfsSystem.h"

namespace kovex {

class SystemFile {
public:
    SystemFile() = default;
    SystemFile(SysfsSystem& system, int fd) : system_(&system), fd_(fd) {}
    ~SystemFile();
    SystemFile(SystemFile&& other) noexcept;
    SystemFile& operator=(SystemFile&& other) noexcept;
    SystemFile(const SystemFile&) = delete;
    SystemFile& operator=(const SystemFile&) = delete;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }

private:
    void Reset();

    SysfsSystem* system_ = nullptr;
    int fd_ = -1;
};

// What a file call gave: the text read (when error is 0) or the errno.
struct FileResult {
    std::string text;
    int error = 0;
};

// OpenFile's error for a file that is not a regular one, where the system
// takes plain files only.
inline constexpr int NOT_A_PLAIN_FILE = -1;

// Opens file with flags; on failure the errno (or NOT_A_PLAIN_FILE) is in
// error. Where the system takes plain files only, a link is not followed
// (ELOOP) and a FIFO does not hold the open up.
SystemFile OpenFile(SysfsSystem& system, const std::filesystem::path& file, int flags, int& error);
// Reads a small text file whole (at most 4 KiB).
FileResult ReadSmallFile(SysfsSystem& system, const std::filesystem::path& file);
// Reads count bytes at offset of a binary file such as `config`.
FileResult ReadBytesAt(SysfsSystem& system, const std::filesystem::path& file, std::size_t count,
                       off_t offset);
// Writes text to the start of an attribute file such as `enable`; the errno or 0.
int WriteSmallFile(SysfsSystem& system, const std::filesystem::path& file, std::string_view text);

}  // namespace kovex
