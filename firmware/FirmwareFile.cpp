#include "firmware/FirmwareFile.h"

#include <stdexcept>

namespace kovex {

FirmwareFile ReadFirmwareFile(const std::string& path) {
    try {
        return ReadUserFile(path, FIRMWARE_FILE_LIMIT);
    } catch (const UserFileError& error) {
        throw std::runtime_error("Cannot read the firmware file " + path + ": " + error.what());
    }
}

}  // namespace kovex
