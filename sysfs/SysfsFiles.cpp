#include "sysfs/SysfsFiles.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <utility>

namespace kovex {

SystemFile::~SystemFile() {
    Reset();
}

SystemFile::SystemFile(SystemFile&& other) noexcept
    : system_(other.system_), fd_(std::exchange(other.fd_, -1)) {}

SystemFile& SystemFile::operator=(SystemFile&& other) noexcept {
    if (this != &other) {
        Reset();
        system_ = other.system_;
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void SystemFile::Reset() {
    if (fd_ >= 0 && system_ != nullptr) system_->Close(fd_);
    fd_ = -1;
}

SystemFile OpenFile(SysfsSystem& system, const std::filesystem::path& file, int flags, int& error) {
    const bool plainOnly = system.PlainFilesOnly();
    const int fd = system.Open(file.c_str(), plainOnly ? flags | O_NOFOLLOW | O_NONBLOCK : flags);
    error = fd < 0 ? errno : 0;
    struct stat info {};
    if (fd < 0) {
        // A link (ELOOP) or a FIFO without a reader (ENXIO) says so by its type.
        if (plainOnly && ::lstat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
            error = NOT_A_PLAIN_FILE;
        }
        return {};
    }
    SystemFile opened{system, fd};
    if (plainOnly && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        error = NOT_A_PLAIN_FILE;
        return {};
    }
    return opened;
}

FileResult ReadBytesAt(SysfsSystem& system, const std::filesystem::path& file, std::size_t count,
                       off_t offset) {
    FileResult result;
    const SystemFile opened = OpenFile(system, file, O_RDONLY, result.error);
    if (!opened.IsOpen()) return result;
    result.text.resize(count);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = system.ReadAt(opened.Get(), result.text.data() + done, count - done,
                                          offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            result.error = errno;
            return result;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    result.text.resize(done);
    return result;
}

FileResult ReadSmallFile(SysfsSystem& system, const std::filesystem::path& file) {
    constexpr std::size_t SMALL_FILE_LIMIT = 4096;
    return ReadBytesAt(system, file, SMALL_FILE_LIMIT, 0);
}

int WriteSmallFile(SysfsSystem& system, const std::filesystem::path& file, std::string_view text) {
    int error = 0;
    const SystemFile opened = OpenFile(system, file, O_WRONLY, error);
    if (!opened.IsOpen()) return error;
    const ssize_t written = system.WriteAt(opened.Get(), text.data(), text.size(), 0);
    if (written < 0) return errno;
    return static_cast<std::size_t>(written) == text.size() ? 0 : EIO;
}

}  // namespace kovex
