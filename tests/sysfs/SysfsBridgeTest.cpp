#include <gtest/gtest.h>

#include "link/CardDiscovery.h"
#include "support/CardRig.h"
#include "support/FakeSysfs.h"
#include "sysfs/SysfsBridge.h"

namespace kovex::testing {
namespace {

TEST(SysfsBridge, FindsDevicesInAddressOrderAndSkipsWhatIsNotADevice) {
    FakeSysfs sysfs;
    sysfs.AddDevice("0000:03:07.0", "0x10b5", "0x9030");
    sysfs.AddDevice("0000:00:00.0", "0x8086", "0x1237");
    sysfs.AddDevice("0000:00:1f.3", "0x8086", "0x2668");
    sysfs.AddDevice("not-a-device", "0x1111", "0x2222");
    SysfsBridge bridge(sysfs.Root());

    struct Expected {
        std::uint8_t bus, slot, function;
        std::uint16_t vendor, device;
    };
    const Expected expected[] = {
        {0, 0, 0, 0x8086, 0x1237}, {0, 0x1F, 3, 0x8086, 0x2668}, {3, 7, 0, 0x10B5, 0x9030}};
    for (std::uint32_t index = 0; index < 3; ++index) {
        DeviceKey key{};
        SetKeyToAnyDevice(key);
        ASSERT_EQ(bridge.PlxPci_DeviceFind(key, index), STATUS_SUCCESS) << index;
        const Expected& e = expected[index];
        EXPECT_EQ(key.bus, e.bus) << index;
        EXPECT_EQ(key.slot, e.slot) << index;
        EXPECT_EQ(key.function, e.function) << index;
        EXPECT_EQ(key.vendorId, e.vendor) << index;
        EXPECT_EQ(key.deviceId, e.device) << index;
    }
    DeviceKey key{};
    EXPECT_EQ(bridge.PlxPci_DeviceFind(key, 3), STATUS_FAILED);
}

TEST(SysfsBridge, OpenThroughTheBridgeWritesTheSetUpAndMapsTheMailbox) {
    FakeSysfs sysfs;
    sysfs.AddDevice("0000:00:00.0", "0x8086", "0x1237");
    sysfs.AddDevice("0000:03:07.0", "0x10b5", "0x9030", {{0, 128}, {2, 16}});
    SysfsBridge bridge(sysfs.Root());
    CardRig rig;
    CardOpener opener(bridge, rig.port, rig.window);
    opener.Button1Click();

    EXPECT_EQ(rig.window.log, (std::vector<std::string>{"1237 - 8086        [b:0 s:0 f:0 ]",
                                                        "9030 - 10B5        [b:3 s:7 f:0 ]",
                                                        "Chip open status is: 0200"}));
    ASSERT_TRUE(rig.port.IsOpen());
    const auto bar0 = sysfs.Resource("0000:03:07.0", 0);
    const auto word = [&bar0](std::size_t offset) {
        return std::uint32_t{bar0[offset]} | std::uint32_t{bar0[offset + 1]} << 8 |
               std::uint32_t{bar0[offset + 2]} << 16 | std::uint32_t{bar0[offset + 3]} << 24;
    };
    EXPECT_EQ(word(0x3C), 0x00000041u);
    EXPECT_EQ(word(0x28), 0x004F87C0u);
    EXPECT_EQ(word(0x14), 0x00000001u);

    rig.port.WriteData(0x5A);
    EXPECT_EQ(sysfs.Resource("0000:03:07.0", 2)[0], 0x5A);
    EXPECT_EQ(rig.port.ReadStatus(), 0x00);
}

TEST(SysfsBridge, RefusesWhatItCannotDo) {
    FakeSysfs sysfs;
    sysfs.AddDevice("0000:03:07.0", "0x10b5", "0x9030", {{2, 16}});
    sysfs.AddDevice("0000:04:00.0", "0x10b5", "0x9030", {{0, 128}, {2, 16}});
    SysfsBridge bridge(sysfs.Root());
    DeviceKey key{};
    SetKeyToAnyDevice(key);
    ASSERT_EQ(bridge.PlxPci_DeviceFind(key, 0), STATUS_SUCCESS);
    DeviceObject device;
    MappedAddress address = nullptr;
    EXPECT_EQ(bridge.PlxPci_PciBarMap(device, 2, address), STATUS_FAILED) << "not opened";
    // Open checks the BARs the tool uses before anything is mapped.
    EXPECT_EQ(bridge.PlxPci_DeviceOpen(key, device), STATUS_FAILED) << "no BAR 0";
    EXPECT_FALSE(device.opened);
    EXPECT_EQ(address, nullptr);

    SetKeyToAnyDevice(key);
    ASSERT_EQ(bridge.PlxPci_DeviceFind(key, 1), STATUS_SUCCESS);
    ASSERT_EQ(bridge.PlxPci_DeviceOpen(key, device), STATUS_SUCCESS);
    EXPECT_EQ(bridge.PlxPci_PciBarMap(device, 1, address), STATUS_FAILED) << "no resource1";
    EXPECT_EQ(address, nullptr);

    ASSERT_EQ(bridge.PlxPci_PciBarMap(device, 2, address), STATUS_SUCCESS);
    EXPECT_THROW(address->Read8(16), std::out_of_range);
    EXPECT_THROW(address->Write32(14, 1), std::out_of_range);
    EXPECT_THROW(address->Write32(2, 1), std::invalid_argument);
    EXPECT_EQ(bridge.PlxPci_PciBarUnmap(device, address), STATUS_SUCCESS);
    EXPECT_EQ(address, nullptr);
    EXPECT_EQ(bridge.PlxPci_PciBarUnmap(device, address), STATUS_FAILED);

    key.bus = 9;
    DeviceObject absent;
    EXPECT_EQ(bridge.PlxPci_DeviceOpen(key, absent), STATUS_FAILED);
}

}  // namespace
}  // namespace kovex::testing
