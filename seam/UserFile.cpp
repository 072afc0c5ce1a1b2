#include "seam/UserFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace kovex {
namespace {

using Cause = UserFileError::Cause;

[[noreturn]] void CannotOpen(int error) {
    throw UserFileError(Cause::CannotOpen, std::strerror(error));
}

[[noreturn]] void Refuse(const std::string& reason) {
    throw UserFileError(Cause::Refused, reason);
}

std::string NotRegularReason(mode_t mode) {
    if (S_ISDIR(mode)) return "it is a folder";
    if (S_ISFIFO(mode)) return "it is a FIFO (named pipe), not a regular file";
    if (S_ISCHR(mode)) return "it is a character device, not a regular file";
    if (S_ISBLK(mode)) return "it is a block device, not a regular file";
    if (S_ISSOCK(mode)) return "it is a socket, not a regular file";
    return "it is not a regular file";
}

std::string LimitText(std::uint64_t maxBytes) {
    constexpr std::uint64_t MIB = std::uint64_t{1} << 20;
    if (maxBytes % MIB == 0) return std::to_string(maxBytes / MIB) + " MiB";
    return std::to_string(maxBytes) + " bytes";
}

void CheckRegularWithin(const struct stat& info, std::uint64_t maxBytes) {
    if (!S_ISREG(info.st_mode)) Refuse(NotRegularReason(info.st_mode));
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > maxBytes) {
        Refuse("it is " + std::to_string(size) + " bytes long, more than the " +
               LimitText(maxBytes) + " allowed");
    }
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Get() const { return fd_; }

private:
    int fd_;
};

// To its end, which may lie past sizeNow when the file grows meanwhile, but
// never past the limit.
std::vector<std::uint8_t> ReadUpTo(int fd, std::size_t sizeNow, std::uint64_t maxBytes) {
    std::vector<std::uint8_t> bytes(sizeNow + 1);  // the one more shows growth
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > maxBytes) Refuse("it grew past " + LimitText(maxBytes) + " while read");
            bytes.resize(std::min<std::uint64_t>(bytes.size() * 2, maxBytes + 1));
        }
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) CannotOpen(errno);
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace

UserFile::UserFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

UserFile::UserFile(UserFile&& other) noexcept
    : bytes_(std::move(other.bytes_)),
      mapped_(std::exchange(other.mapped_, nullptr)),
      mappedSize_(std::exchange(other.mappedSize_, 0)) {}

UserFile::~UserFile() {
    if (mapped_ != nullptr) ::munmap(mapped_, mappedSize_);
}

std::span<const std::uint8_t> UserFile::Bytes() const {
    if (mapped_ != nullptr) return {static_cast<const std::uint8_t*>(mapped_), mappedSize_};
    return bytes_;
}

UserFile ReadUserFile(const std::string& path, std::uint64_t maxBytes, UserFile::Holding holding) {
    struct stat info {};
    // What the name is, before it is opened: opening a device may act on it.
    if (::stat(path.c_str(), &info) != 0) CannotOpen(errno);
    CheckRegularWithin(info, maxBytes);
    // Without O_NONBLOCK a name that became a FIFO meanwhile would wait for a
    // writer here; what was opened is checked again.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) CannotOpen(errno);
    if (::fstat(file.Get(), &info) != 0) CannotOpen(errno);
    CheckRegularWithin(info, maxBytes);
    const auto size = static_cast<std::size_t>(info.st_size);
    if (holding == UserFile::Holding::Map && size > 0) {
        void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file.Get(), 0);
        if (mapped != MAP_FAILED) return {mapped, size};
    }
    return UserFile(ReadUpTo(file.Get(), size, maxBytes));
}

}  // namespace kovex
