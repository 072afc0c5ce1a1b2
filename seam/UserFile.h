// A file the user named (a firmware image, a picture), held in memory whole.
// Reading it never blocks the window's thread and never exhausts memory: the
// name is opened without blocking, so a FIFO cannot hold open() up; anything
// that is not a regular file (a folder, a FIFO, a device such as a link to
// /dev/zero, a socket) is refused without being read, and so is a file over
// the caller's size limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace kovex {

// what() is the reason alone, e.g. "No such file or directory" or "it is a
// folder"; the caller names the file.
class UserFileError : public std::runtime_error {
public:
    enum class Cause {
        CannotOpen,  // missing, no permission, or a read error
        Refused,     // not a regular file, or over the limit
    };
    UserFileError(Cause cause, const std::string& reason)
        : std::runtime_error(reason), cause_(cause) {}
    Cause Why() const { return cause_; }

private:
    Cause cause_;
};

class UserFile {
public:
    enum class Holding {
        Copy,  // read into memory
        Map,   // mapped, which saves the copy of a large file
    };

    // Holds bytes already in memory.
    explicit UserFile(std::vector<std::uint8_t> bytes);
    UserFile(UserFile&& other) noexcept;
    UserFile& operator=(UserFile&&) = delete;
    UserFile(const UserFile&) = delete;
    UserFile& operator=(const UserFile&) = delete;
    ~UserFile();

    std::span<const std::uint8_t> Bytes() const;

private:
    friend UserFile ReadUserFile(const std::string& path, std::uint64_t maxBytes, Holding holding);
    UserFile(void* mapped, std::size_t size) : mapped_(mapped), mappedSize_(size) {}

    std::vector<std::uint8_t> bytes_;
    void* mapped_ = nullptr;
    std::size_t mappedSize_ = 0;
};

// Throws UserFileError.
UserFile ReadUserFile(const std::string& path, std::uint64_t maxBytes, UserFile::Holding holding);

}  // namespace kovex
