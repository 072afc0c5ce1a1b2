#include "firmware/FirmwareFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

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

// For what cannot be mapped (a pipe, an empty or growing file).
std::vector<std::uint8_t> ReadAll(const std::string& path, int fd) {
    constexpr std::size_t CHUNK = 65536;
    std::vector<std::uint8_t> bytes(CHUNK);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) bytes.resize(bytes.size() * 2);
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) FailOn(path, std::strerror(errno));
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace

FirmwareFile::FirmwareFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

FirmwareFile::FirmwareFile(FirmwareFile&& other) noexcept
    : bytes_(std::move(other.bytes_)),
      mapped_(std::exchange(other.mapped_, nullptr)),
      mappedSize_(std::exchange(other.mappedSize_, 0)) {}

FirmwareFile::~FirmwareFile() {
    if (mapped_ != nullptr) ::munmap(mapped_, mappedSize_);
}

std::span<const std::uint8_t> FirmwareFile::Bytes() const {
    if (mapped_ != nullptr) return {static_cast<const std::uint8_t*>(mapped_), mappedSize_};
    return bytes_;
}

FirmwareFile ReadFirmwareFile(const std::string& path) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) FailOn(path, std::strerror(errno));
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) FailOn(path, std::strerror(errno));
    if (S_ISDIR(info.st_mode)) FailOn(path, "it is a folder");
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        const auto size = static_cast<std::size_t>(info.st_size);
        void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file.Get(), 0);
        if (mapped != MAP_FAILED) return {mapped, size};
    }
    return FirmwareFile(ReadAll(path, file.Get()));
}

}  // namespace kovex
