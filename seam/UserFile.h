// A file the user named (a firmware image, a picture), held in memory whole.
// Reading it never blocks the window's thread and never exhausts memory: the
// name is opened without blocking, so a FIFO cannot hold open() up; anything
// that is not a regular file (a folder, a FIFO, a device such as a link to
// /dev/zero, a socket) is refused without being read, and so is a file over
// the caller's size limit.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kovex {

// what() is the reason alone, e.g. "No such file or directory" or "it is a
// folder"; the caller names the file.
class UserFileError : public std::runtime_error {
public:
    enum class Cause {
        CannotOpen,  // missing, no permission, or a read error
        Refused,     // not a regular file, over the limit, or changed while read
    };
    UserFileError(Cause cause, const std::string& reason)
        : std::runtime_error(reason), cause_(cause) {}
    Cause Why() const { return cause_; }

private:
    Cause cause_;
};

class UserFile {
public:
    explicit UserFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    UserFile(UserFile&&) noexcept = default;
    UserFile& operator=(UserFile&&) = delete;
    UserFile(const UserFile&) = delete;
    UserFile& operator=(const UserFile&) = delete;
    ~UserFile() = default;

    std::span<const std::uint8_t> Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Why a file of this mode is not taken: "it is a folder", "it is a FIFO
// (named pipe), not a regular file", ...
std::string NotRegularReason(mode_t mode);

// One read(2) of the file: a test changes the file between two of them.
using ReadStep = std::function<ssize_t(int fd, void* buffer, std::size_t count)>;

// Reads the file with plain reads (a mapping of a file that shrinks under it
// would end the program with a bus error). A file whose size or modification
// time changes during the read, or that gives more or fewer bytes than its
// size, is refused. Throws UserFileError.
UserFile ReadUserFile(const std::string& path, std::uint64_t maxBytes, const ReadStep& step = {});

}  // namespace kovex
