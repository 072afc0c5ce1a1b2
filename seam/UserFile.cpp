#include "seam/UserFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace kovex {
namespace {

using Cause = UserFileError::Cause;

[[noreturn]] void CannotOpen(int error) {
    throw UserFileError(Cause::CannotOpen, std::strerror(error));
}

[[noreturn]] void Refuse(const std::string& reason) {
    throw UserFileError(Cause::Refused, reason);
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

std::string ChangedReason(const std::string& what) {
    return "it changed while it was read (" + what + ")";
}

bool SameModificationTime(const struct stat& a, const struct stat& b) {
    return a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// A large file's buffer in 2 MiB pages where they fit whole: a 6 MB file then
// costs a few page faults instead of some 1500. Only advice; the kernel may
// not follow it.
void AdviseHugePages(std::uint8_t* buffer, std::size_t size) {
    constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;
    const std::size_t skip =
        (HUGE_PAGE - reinterpret_cast<std::uintptr_t>(buffer) % HUGE_PAGE) % HUGE_PAGE;
    if (size < skip + HUGE_PAGE) return;
    ::madvise(buffer + skip, (size - skip) / HUGE_PAGE * HUGE_PAGE, MADV_HUGEPAGE);
}

// Exactly the size fstat gave when the file was opened: one byte more (read
// into the spare byte) or fewer, or a new size or time after, refuse it.
std::vector<std::uint8_t> ReadExactly(int fd, const struct stat& opened, const ReadStep& step) {
    const auto expected = static_cast<std::size_t>(opened.st_size);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(expected + 1);
    AdviseHugePages(bytes.data(), expected + 1);
    bytes.resize(expected + 1);
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = step(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) CannotOpen(errno);
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    const std::string expectedText = std::to_string(expected) + " bytes expected, ";
    if (filled > expected) Refuse(ChangedReason(expectedText + "more read"));
    if (filled < expected) Refuse(ChangedReason(expectedText + std::to_string(filled) + " read"));
    struct stat after {};
    if (::fstat(fd, &after) != 0) CannotOpen(errno);
    if (after.st_size != opened.st_size) {
        Refuse(ChangedReason("its size is now " + std::to_string(after.st_size) + " bytes"));
    }
    if (!SameModificationTime(opened, after)) Refuse(ChangedReason("it was written meanwhile"));
    bytes.resize(expected);
    return bytes;
}

}  // namespace

std::string NotRegularReason(mode_t mode) {
    if (S_ISDIR(mode)) return "it is a folder";
    if (S_ISFIFO(mode)) return "it is a FIFO (named pipe), not a regular file";
    if (S_ISCHR(mode)) return "it is a character device, not a regular file";
    if (S_ISBLK(mode)) return "it is a block device, not a regular file";
    if (S_ISSOCK(mode)) return "it is a socket, not a regular file";
    if (S_ISLNK(mode)) return "it is a symbolic link";
    return "it is not a regular file";
}

UserFile ReadUserFile(const std::string& path, std::uint64_t maxBytes, const ReadStep& step) {
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
    const ReadStep plainRead = [](int fd, void* buffer, std::size_t count) {
        return ::read(fd, buffer, count);
    };
    return UserFile(ReadExactly(file.Get(), info, step ? step : plainRead));
}

}  // namespace kovex
