#include "sysfs/SysfsSystem.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace kovex {

int PosixSystem::Open(const char* path, int flags) {
    return ::open(path, flags | O_CLOEXEC);  // NOLINT(cppcoreguidelines-pro-type-vararg)
}

int PosixSystem::Close(int fd) {
    return ::close(fd);
}

ssize_t PosixSystem::ReadAt(int fd, void* buffer, std::size_t count, off_t offset) {
    return ::pread(fd, buffer, count, offset);
}

ssize_t PosixSystem::WriteAt(int fd, const void* buffer, std::size_t count, off_t offset) {
    return ::pwrite(fd, buffer, count, offset);
}

void* PosixSystem::MapShared(int fd, std::size_t length) {
    return ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
}

int PosixSystem::Unmap(void* address, std::size_t length) {
    return ::munmap(address, length);
}

std::size_t PosixSystem::PageSize() const {
    return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace kovex
