// The system calls the sysfs bridge makes, behind one small interface so that
// tests can use a fake page size, inject a failure with a chosen errno and
// record the register accesses. PosixSystem is the real thing.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

#include "sysfs/BarRegisters.h"

namespace kovex {

class SysfsSystem {
public:
    virtual ~SysfsSystem() = default;
    // Each returns what its POSIX call returns and leaves errno set on failure.
    virtual int Open(const char* path, int flags) = 0;
    virtual int Close(int fd) = 0;
    virtual ssize_t ReadAt(int fd, void* buffer, std::size_t count, off_t offset) = 0;
    virtual ssize_t WriteAt(int fd, const void* buffer, std::size_t count, off_t offset) = 0;
    // A shared read-write mapping of fd from offset 0; MAP_FAILED on failure.
    virtual void* MapShared(int fd, std::size_t length) = 0;
    virtual int Unmap(void* address, std::size_t length) = 0;
    virtual std::size_t PageSize() const = 0;
    // A made-up tree (kovexctl's --sysfs-root): every file is opened without
    // following a link or waiting on a FIFO, and only a regular file is
    // taken (OpenFile), so the tree cannot turn the tool on other files.
    virtual bool PlainFilesOnly() const { return false; }
    // The register layer of the BAR behind file (its resourceN); a test may
    // wrap it to record the accesses.
    virtual std::unique_ptr<MappedRegion> Registers(const std::string& /*file*/,
                                                    std::unique_ptr<MappedRegion> access) {
        return access;
    }
};

class PosixSystem : public SysfsSystem {
public:
    explicit PosixSystem(bool plainFilesOnly = false) : plainFilesOnly_(plainFilesOnly) {}
    int Open(const char* path, int flags) override;
    int Close(int fd) override;
    ssize_t ReadAt(int fd, void* buffer, std::size_t count, off_t offset) override;
    ssize_t WriteAt(int fd, const void* buffer, std::size_t count, off_t offset) override;
    void* MapShared(int fd, std::size_t length) override;
    int Unmap(void* address, std::size_t length) override;
    std::size_t PageSize() const override;
    bool PlainFilesOnly() const override { return plainFilesOnly_; }

private:
    bool plainFilesOnly_;
};

}  // namespace kovex
