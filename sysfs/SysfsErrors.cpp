#include "sysfs/SysfsErrors.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "seam/UserFile.h"
#include "sysfs/SysfsFiles.h"

namespace kovex {
namespace {

const char* Verb(FileStep step) {
    switch (step) {
        case FileStep::Open:
            return "open";
        case FileStep::Read:
            return "read";
        case FileStep::Write:
            return "write";
        case FileStep::Map:
            return "map";
        case FileStep::Lock:
            return "lock";
    }
    return "use";
}

// "EACCES, Permission denied": the name a search finds and the words.
std::string ErrnoText(int error) {
    const char* name = nullptr;
    switch (error) {
        case EACCES:
            name = "EACCES";
            break;
        case EPERM:
            name = "EPERM";
            break;
        case EINVAL:
            name = "EINVAL";
            break;
        case ENOENT:
            name = "ENOENT";
            break;
        case ENODEV:
            name = "ENODEV";
            break;
        case ENXIO:
            name = "ENXIO";
            break;
        default:
            return std::strerror(error);
    }
    return std::string(name) + ", " + std::strerror(error);
}

// A made-up tree's file that is a link, a FIFO or the like, named by its type.
std::string NotPlainFileText(const std::filesystem::path& file, FileStep step) {
    struct stat info {};
    const std::string type = ::lstat(file.c_str(), &info) == 0 ? NotRegularReason(info.st_mode)
                                                               : "it is not a regular file";
    return "cannot " + std::string(Verb(step)) + " " + file.string() + ": " + type +
           "; a made-up tree (--sysfs-root) may hold only regular files";
}

}  // namespace

std::string FileFailureText(const std::filesystem::path& file, FileStep step, int error) {
    if (error == NOT_A_PLAIN_FILE) return NotPlainFileText(file, step);
    std::string what =
        "cannot " + std::string(Verb(step)) + " " + file.string() + " (" + ErrnoText(error) + ")";
    // The kernel lets only root switch a device on, group rights or not.
    if (error == EPERM && file.filename() == "enable") {
        return what +
               ": the bridge's decoding is off and only root may switch it on; press Open once "
               "with the tool run as root";
    }
    switch (error) {
        case EACCES:
            return what + ": no permission; run the tool as root, or install the udev rule and " +
                   "join the group " + KOVEX_GROUP + " (then log in again)";
        case EPERM:
            return what +
                   ": kernel lockdown (Secure Boot) forbids access to PCI BARs; turn lockdown off "
                   "to use the card";
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return what +
                   ": the card is gone from the bus; check that lspci -d 10b5:9030 lists it and "
                   "press Open again";
        default:
            break;
    }
    if (error == EINVAL && step == FileStep::Map) {
        const std::filesystem::path device = file.parent_path();
        return what + ": a driver owns the card's memory; unbind it (write " +
               device.filename().string() + " to " + (device / "driver" / "unbind").string() +
               ") or boot with iomem=relaxed";
    }
    return what;
}

std::string DeviceGoneText(const std::string& address) {
    return "the device " + address +
           " is gone from the bus; check that lspci -d 10b5:9030 lists it and press Open again";
}

std::string MissingBarText(const std::string& address, unsigned bar) {
    return "the device " + address + " has no BAR " + std::to_string(bar) +
           " (its resource file lists none); it is not a KOVEX card's bridge";
}

std::string SmallBarText(const std::string& address, unsigned bar, std::uint64_t length,
                         std::uint64_t needed) {
    return "BAR " + std::to_string(bar) + " of the device " + address + " is " +
           std::to_string(length) + " bytes long, the tool needs " + std::to_string(needed) +
           "; it is not a KOVEX card's bridge";
}

std::string UnreadableFileText(const std::filesystem::path& file) {
    return "cannot make sense of " + file.string() +
           "; the kernel's PCI sysfs files are not "
           "as expected";
}

}  // namespace kovex
