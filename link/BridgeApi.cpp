#include "link/BridgeApi.h"

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

}  // namespace kovex
