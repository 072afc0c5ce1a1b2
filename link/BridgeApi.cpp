#include "link/BridgeApi.h"

#include <filesystem>

namespace kovex {

void SetKeyToAnyDevice(DeviceKey& key) {
    key.libraryField = 0xFFFFFFFFu;
    key.bus = 0xFF;
    key.slot = 0xFF;
    key.function = 0xFF;
    key.vendorId = 0xFFFF;
    key.deviceId = 0xFFFF;
    key.subVendorId = 0xFFFF;
    key.subDeviceId = 0xFFFF;
    key.revision = 0xFF;
    key.library17 = 0xFF;
    key.library18 = 0xFF;
}

CardLost::CardLost(const std::string& file)
    : std::runtime_error("The card's registers behind " + file + " are no longer reachable"),
      device_(std::filesystem::path(file).parent_path().filename().string()) {}

}  // namespace kovex
