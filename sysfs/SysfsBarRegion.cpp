#include "sysfs/SysfsBarRegion.h"

#include <fcntl.h>
#include <sys/mman.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

#include "sysfs/BusErrorGuard.h"
#include "sysfs/SysfsErrors.h"

namespace kovex {
namespace {

std::size_t RoundUpToPages(std::size_t length, std::size_t page) {
    return (length + page - 1) / page * page;
}

}  // namespace

SysfsBarRegion::Prepared SysfsBarRegion::Prepare(SysfsSystem& system,
                                                 const std::filesystem::path& file,
                                                 const BarResource& bar) {
    int error = 0;
    SystemFile opened = OpenFile(system, file, O_RDWR | O_SYNC, error);
    if (!opened.IsOpen()) return {nullptr, FileFailureText(file, FileStep::Open, error)};
    const auto length = bar.Length();
    if (bar.IsIo()) {
        auto registers = system.Registers(
            file.string(), std::make_unique<PortRegisters>(system, opened.Get(), file.string()));
        Prepared prepared;
        prepared.region = std::make_unique<SysfsBarRegion>(system, std::move(opened), length,
                                                           Mapping{}, std::move(registers));
        return prepared;
    }
    const std::size_t page = system.PageSize();
    Mapping mapping;
    mapping.barOffset = static_cast<std::size_t>(bar.start % page);
    mapping.length = RoundUpToPages(mapping.barOffset + static_cast<std::size_t>(length), page);
    if (mapping.barOffset % 4 != 0)
        return {nullptr, UnreadableFileText(file.parent_path() / "resource")};
    mapping.address = system.MapShared(opened.Get(), mapping.length);
    if (mapping.address == MAP_FAILED) {
        return {nullptr, FileFailureText(file, FileStep::Map, errno)};
    }
    auto* const base = static_cast<volatile std::uint8_t*>(mapping.address) + mapping.barOffset;
    // A fault on the mapping must come back as CardLost, in every program.
    InstallBusErrorGuard();
    auto registers =
        system.Registers(file.string(), std::make_unique<MemoryRegisters>(base, file.string()));
    Prepared prepared;
    prepared.region = std::make_unique<SysfsBarRegion>(system, std::move(opened), length, mapping,
                                                       std::move(registers));
    return prepared;
}

SysfsBarRegion::SysfsBarRegion(SysfsSystem& system, SystemFile file, std::uint64_t length,
                               Mapping mapping, std::unique_ptr<MappedRegion> registers)
    : system_(system),
      file_(std::move(file)),
      length_(length),
      mapping_(mapping),
      registers_(std::move(registers)) {}

SysfsBarRegion::~SysfsBarRegion() {
    registers_.reset();
    if (mapping_.address != nullptr) system_.Unmap(mapping_.address, mapping_.length);
}

std::uint8_t SysfsBarRegion::Read8(std::size_t offset) {
    CheckAccess(offset, 1);
    return registers_->Read8(offset);
}

void SysfsBarRegion::Write8(std::size_t offset, std::uint8_t value) {
    CheckAccess(offset, 1);
    registers_->Write8(offset, value);
}

void SysfsBarRegion::Write32(std::size_t offset, std::uint32_t value) {
    CheckAccess(offset, 4);
    // The BAR starts 4-byte aligned (Prepare refuses anything else).
    if (offset % 4 != 0) throw std::invalid_argument("32-bit register access must be aligned");
    registers_->Write32(offset, value);
}

void SysfsBarRegion::CheckAccess(std::size_t offset, std::size_t width) const {
    if (offset > length_ || width > length_ - offset) {
        throw std::out_of_range("access beyond the end of the mapped region");
    }
}

}  // namespace kovex
