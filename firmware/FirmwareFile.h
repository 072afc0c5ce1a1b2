// A whole firmware file in memory, read before anything is sent to the card.
// A regular file is mapped rather than copied: for a file of megabytes that
// saves the copy and most of the page faults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kovex {

class FirmwareFile {
public:
    // Holds bytes already in memory.
    explicit FirmwareFile(std::vector<std::uint8_t> bytes);
    FirmwareFile(FirmwareFile&& other) noexcept;
    FirmwareFile& operator=(FirmwareFile&&) = delete;
    FirmwareFile(const FirmwareFile&) = delete;
    FirmwareFile& operator=(const FirmwareFile&) = delete;
    ~FirmwareFile();

    std::span<const std::uint8_t> Bytes() const;

private:
    friend FirmwareFile ReadFirmwareFile(const std::string& path);
    FirmwareFile(void* mapped, std::size_t size) : mapped_(mapped), mappedSize_(size) {}

    std::vector<std::uint8_t> bytes_;
    void* mapped_ = nullptr;
    std::size_t mappedSize_ = 0;
};

// Throws std::runtime_error naming the file and the reason when it cannot be
// opened or read.
FirmwareFile ReadFirmwareFile(const std::string& path);

}  // namespace kovex
