#include "firmware/FirmwareFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kovex {
namespace {

[[noreturn]] void FailOn(const std::string& path, const std::string& reason) {
    throw std::runtime_error("Cannot read the firmware file " + path + ": " + reason);
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

}  // namespace

std::vector<std::uint8_t> ReadFirmwareFile(const std::string& path) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) FailOn(path, std::strerror(errno));
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) FailOn(path, std::strerror(errno));
    if (S_ISDIR(info.st_mode)) FailOn(path, "it is a folder");
    std::vector<std::uint8_t> bytes;
    bytes.resize(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) bytes.resize(bytes.size() + 65536);
        const ssize_t got = ::read(file.Get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) FailOn(path, std::strerror(errno));
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace kovex
