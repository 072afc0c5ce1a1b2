// Reading the PCI sysfs tree: device names, the resource list, the order of
// the scan across domains and the key's "any value" rule.
#include <gtest/gtest.h>

#include "link/CardDiscovery.h"
#include "support/CardRig.h"
#include "support/FakeSysfs.h"
#include "sysfs/PciSysfs.h"
#include "sysfs/SysfsBridge.h"

namespace kovex::testing {
namespace {

TEST(PciSysfs, DeviceNamesAreDomainBusSlotFunction) {
    struct Case {
        const char* name;
        std::optional<PciAddress> address;
    };
    const Case cases[] = {
        {"0000:03:07.0", PciAddress{0, 3, 7, 0}},
        {"0000:00:1f.3", PciAddress{0, 0, 0x1F, 3}},
        {"10000:e1:00.7", PciAddress{0x10000, 0xE1, 0, 7}},
        {"000a:FF:1F.7", PciAddress{0xA, 0xFF, 0x1F, 7}},
        {"000:03:07.0", std::nullopt},   // domain of three digits
        {"0000:03:07", std::nullopt},    // no function
        {"0000:03:20.0", std::nullopt},  // slot past 0x1F
        {"0000:03:07.8", std::nullopt},  // function past 7
        {"0000:3:07.0", std::nullopt},
        {"0000:03:07.0x", std::nullopt},
        {"pci0000:00", std::nullopt},
        {"0000:-3:07.0", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParsePciAddress(c.name), c.address) << c.name;
    EXPECT_EQ(PciAddressText({0x10000, 0xE1, 0, 7}), "10000:e1:00.7");
}

TEST(PciSysfs, TheResourceListGivesEachBarsPlaceAndSpace) {
    const std::string text =
        "0x00000000febf1080 0x00000000febf10ff 0x0000000000040200\n"
        "0x000000000000e000 0x000000000000e07f 0x0000000000040101\n"
        "0x00000000febe0000 0x00000000febe000f 0x0000000000040200\n"
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n";
    const auto table = ParseResourceTable(text);
    ASSERT_TRUE(table.has_value());
    EXPECT_TRUE((*table)[0].IsMemory());
    EXPECT_EQ((*table)[0].start, 0xFEBF1080u);
    EXPECT_EQ((*table)[0].Length(), 128u);
    EXPECT_TRUE((*table)[1].IsIo());
    EXPECT_FALSE((*table)[1].IsMemory());
    EXPECT_EQ((*table)[1].Length(), 128u);
    EXPECT_EQ((*table)[2].Length(), 16u);
    EXPECT_FALSE((*table)[3].Exists());
    EXPECT_EQ((*table)[3].Length(), 0u);

    EXPECT_FALSE(ParseResourceTable(text.substr(0, text.find("0x0000000000000000")))) << "short";
    EXPECT_FALSE(ParseResourceTable("0x1 0x2\n" + text)) << "two fields";
    EXPECT_FALSE(ParseResourceTable("0x1 0x2 0x200 0x4\n" + text)) << "four fields";
    EXPECT_FALSE(ParseResourceTable("1 2 200\n" + text)) << "no 0x";
}

struct Found {
    std::uint32_t domain;
    std::uint8_t bus, slot, function;
    std::uint16_t vendor, device;
    bool operator==(const Found&) const = default;
};

std::vector<Found> FindAll(SysfsBridge& bridge, const std::function<void(DeviceKey&)>& narrow) {
    std::vector<Found> found;
    for (std::uint32_t index = 0;; ++index) {
        DeviceKey key{};
        SetKeyToAnyDevice(key);
        narrow(key);
        if (bridge.PlxPci_DeviceFind(key, index) != STATUS_SUCCESS) return found;
        found.push_back(
            {key.libraryField, key.bus, key.slot, key.function, key.vendorId, key.deviceId});
    }
}

class PciScan : public ::testing::Test {
protected:
    PciScan() {
        // Given out of order; a text sort would put 10000 before 2000 and
        // 0000:10 after 0000:0a only by luck of the width.
        for (const auto& [name, vendor, device] :
             std::vector<std::tuple<std::string, std::uint16_t, std::uint16_t>>{
                 {"10000:00:00.0", 0x8086, 0x09AB},
                 {"0000:10:00.0", 0x10B5, 0x9030},
                 {"2000:03:07.0", 0x10B5, 0x9030},
                 {"0000:03:07.0", 0x10EC, 0x8139},
                 {"0000:00:1f.3", 0x8086, 0x2668},
                 {"0000:0a:00.0", 0x1AF4, 0x1000},
                 {"0000:00:02.0", 0x8086, 0x1237}}) {
            sysfs.Add({name, vendor, device, {{0, 0xFE000000, 128}, {2, 0xFE010000, 16}}});
        }
    }
    FakeSysfs sysfs;
    SysfsBridge bridge{sysfs.Root()};
};

TEST_F(PciScan, FindsInNumericOrderOfDomainBusSlotFunction) {
    EXPECT_EQ(FindAll(bridge, [](DeviceKey&) {}),
              (std::vector<Found>{{0, 0x00, 0x02, 0, 0x8086, 0x1237},
                                  {0, 0x00, 0x1F, 3, 0x8086, 0x2668},
                                  {0, 0x03, 0x07, 0, 0x10EC, 0x8139},
                                  {0, 0x0A, 0x00, 0, 0x1AF4, 0x1000},
                                  {0, 0x10, 0x00, 0, 0x10B5, 0x9030},
                                  {0x2000, 0x03, 0x07, 0, 0x10B5, 0x9030},
                                  {0x10000, 0x00, 0x00, 0, 0x8086, 0x09AB}}));
}

TEST_F(PciScan, AFieldThatIsNotAllOnesNarrowsTheFind) {
    struct Case {
        const char* name;
        std::function<void(DeviceKey&)> narrow;
        std::vector<Found> found;
    };
    const Found kovex{0, 0x10, 0x00, 0, 0x10B5, 0x9030};
    const Found kovex2000{0x2000, 0x03, 0x07, 0, 0x10B5, 0x9030};
    const Found nic{0, 0x03, 0x07, 0, 0x10EC, 0x8139};
    const Case cases[] = {
        {"device id", [](DeviceKey& k) { k.deviceId = 0x9030; }, {kovex, kovex2000}},
        {"vendor id", [](DeviceKey& k) { k.vendorId = 0x10EC; }, {nic}},
        {"domain", [](DeviceKey& k) { k.libraryField = 0x2000; }, {kovex2000}},
        {"bus, slot and function",
         [](DeviceKey& k) {
             k.bus = 3;
             k.slot = 7;
             k.function = 0;
         },
         {nic, kovex2000}},
        {"function 3", [](DeviceKey& k) { k.function = 3; }, {{0, 0, 0x1F, 3, 0x8086, 0x2668}}},
        {"no such device", [](DeviceKey& k) { k.deviceId = 0x9050; }, {}},
        {"revision the tree does not give", [](DeviceKey& k) { k.revision = 1; }, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindAll(bridge, c.narrow), c.found) << c.name;
}

// Two devices at bus 3, slot 7, function 0: a network card in domain 0 and
// the KOVEX card in domain 0x2000. Open lists both and opens the card.
TEST_F(PciScan, OpenReachesTheCardInItsOwnDomain) {
    sysfs.Remove("0000:10:00.0");
    CardRig rig;
    CardOpener opener(bridge, rig.port, rig.window);
    opener.Button1Click();
    EXPECT_EQ(rig.window.log,
              (std::vector<std::string>{
                  "1237 - 8086        [b:0 s:2 f:0 ]", "2668 - 8086        [b:0 s:31 f:3 ]",
                  "8139 - 10EC        [b:3 s:7 f:0 ]", "1000 - 1AF4        [b:10 s:0 f:0 ]",
                  "9030 - 10B5        [b:3 s:7 f:0 ]", "09AB - 8086        [b:0 s:0 f:0 ]",
                  "Chip open status is: 0200"}));
    EXPECT_EQ(sysfs.Resource("2000:03:07.0", 0).at(0x3C), 0x41);
    EXPECT_EQ(sysfs.Resource("0000:03:07.0", 0).at(0x3C), 0x00);
    rig.port.WriteData(0x5A);
    EXPECT_EQ(sysfs.Resource("2000:03:07.0", 2).at(0), 0x5A);
    EXPECT_EQ(sysfs.Resource("0000:03:07.0", 2).at(0), 0x00);
}

// Two KOVEX cards at 03:07.0 in domains 0 and 0x2000: the key the scan
// filled opens the one in its own domain.
TEST(PciSysfsDomains, TheKeyOpensTheDeviceOfItsDomain) {
    FakeSysfs sysfs;
    sysfs.Add(Kovex("0000:03:07.0"));
    sysfs.Add(Kovex("2000:03:07.0"));
    SysfsBridge bridge(sysfs.Root());
    for (const std::uint32_t index : {1u, 0u}) {
        DeviceKey key{};
        SetKeyToAnyDevice(key);
        ASSERT_EQ(bridge.PlxPci_DeviceFind(key, index), STATUS_SUCCESS);
        DeviceObject device;
        ASSERT_EQ(bridge.PlxPci_DeviceOpen(key, device), STATUS_SUCCESS);
        MappedAddress window = nullptr;
        ASSERT_EQ(bridge.PlxPci_PciBarMap(device, 2, window), STATUS_SUCCESS);
        window->Write8(0, static_cast<std::uint8_t>(0xA0 + index));
    }
    EXPECT_EQ(sysfs.Resource("0000:03:07.0", 2).at(0), 0xA0);
    EXPECT_EQ(sysfs.Resource("2000:03:07.0", 2).at(0), 0xA1);
}

}  // namespace
}  // namespace kovex::testing
