#include <gtest/gtest.h>

#include "link/CardRegisters.h"
#include "support/CardRig.h"

namespace kovex::testing {
namespace {

using Lines = std::vector<std::string>;

SimulatedDevice Device(std::uint8_t bus, std::uint8_t slot, std::uint8_t function,
                       std::uint16_t vendor, std::uint16_t device) {
    return {bus, slot, function, vendor, device};
}

const SimulatedDevice kHostBridge = Device(0, 0, 0, 0x8086, 0x1237);
const SimulatedDevice kNic = Device(0, 3, 0, 0x10EC, 0x8139);
const SimulatedDevice kKovex = Device(3, 7, 0, 0x10B5, 0x9030);
const SimulatedDevice kOtherKovex = Device(4, 1, 0, 0x10B5, 0x9030);
const SimulatedDevice kForeign9030 = Device(2, 5, 1, 0x1234, 0x9030);

const std::string kHostBridgeLine = "1237 - 8086        [b:0 s:0 f:0 ]";
const std::string kNicLine = "8139 - 10EC        [b:0 s:3 f:0 ]";
const std::string kKovexLine = "9030 - 10B5        [b:3 s:7 f:0 ]";
const std::string kOpenLine = "Chip open status is: 0200";

std::vector<std::uint32_t> Upto(std::uint32_t last) {
    std::vector<std::uint32_t> indexes;
    for (std::uint32_t i = 0; i <= last; ++i)
        indexes.push_back(i);
    return indexes;
}

struct ScanCase {
    const char* name;
    std::vector<SimulatedDevice> bus;
    std::optional<std::uint32_t> failFindAt;
    Lines log;
    std::vector<std::uint32_t> indexesAsked;
    std::optional<SimulatedDevice> opened;  // nullopt: "PLX Not found"
};

std::vector<ScanCase> ScanCases() {
    std::vector<SimulatedDevice> sixty;
    Lines fiftyOne;
    for (int i = 0; i < 60; ++i) {
        sixty.push_back(Device(1, static_cast<std::uint8_t>(i), 0, 0x1AF4, 0x1000));
        if (i <= 50)
            fiftyOne.push_back("1000 - 1AF4        [b:1 s:" + std::to_string(i) + " f:0 ]");
    }
    sixty.push_back(kKovex);  // beyond the 51 finds
    const SimulatedDevice duplicate = Device(0, 3, 0, 0x10EC, 0x9030);
    return {
        {"no device", {}, {}, {}, {0}, std::nullopt},
        {"60 devices", sixty, {}, fiftyOne, Upto(50), std::nullopt},
        {"find 2 fails, 3 would succeed",
         {kHostBridge, kNic, kNic, kKovex},
         2,
         {kHostBridgeLine, kNicLine},
         {0, 1, 2},
         std::nullopt},
        {"same bus/slot/function twice",
         {kNic, duplicate, kKovex},
         {},
         {kNicLine, kKovexLine, kOpenLine},
         {0, 1, 2, 3},
         kKovex},
        {"another id first",
         {kHostBridge, kKovex},
         {},
         {kHostBridgeLine, kKovexLine, kOpenLine},
         {0, 1, 2},
         kKovex},
        {"two 9030s",
         {kKovex, kOtherKovex},
         {},
         {kKovexLine, "9030 - 10B5        [b:4 s:1 f:0 ]", kOpenLine},
         {0, 1, 2},
         kKovex},
        {"foreign vendor",
         {kForeign9030},
         {},
         {"9030 - 1234        [b:2 s:5 f:1 ]", kOpenLine},
         {0, 1},
         kForeign9030},
    };
}

TEST(CardDiscovery, OpenScansTheBusAndOpensTheFirst9030) {
    for (const ScanCase& c : ScanCases()) {
        CardRig rig;
        rig.card.Bus().devices = c.bus;
        if (c.failFindAt) rig.card.Bus().findFailures[*c.failFindAt] = 0x201;
        rig.window.log = {"Memo1"};
        // Two 9030s ask which one to open: the user takes the first.
        rig.window.cardAnswers.emplace_back(0);
        rig.opener.Button1Click();

        EXPECT_EQ(rig.window.log, c.log) << c.name;
        EXPECT_EQ(rig.card.Bus().findIndexesAsked, c.indexesAsked) << c.name;
        EXPECT_EQ(rig.window.clears, 1) << c.name;
        if (!c.opened) {
            EXPECT_EQ(rig.window.messages, Lines{"PLX Not found"}) << c.name;
            EXPECT_TRUE(rig.window.enableCalls.empty()) << c.name;
            EXPECT_FALSE(rig.port.IsOpen()) << c.name;
            continue;
        }
        EXPECT_TRUE(rig.window.messages.empty()) << c.name;
        ASSERT_TRUE(rig.card.Bus().openedKey.has_value()) << c.name;
        const DeviceKey opened = *rig.card.Bus().openedKey;
        EXPECT_EQ(opened.bus, c.opened->bus) << c.name;
        EXPECT_EQ(opened.slot, c.opened->slot) << c.name;
        EXPECT_EQ(opened.vendorId, c.opened->vendorId) << c.name;
        EXPECT_TRUE(rig.port.IsOpen()) << c.name;
    }
}

TEST(CardDiscovery, SuccessfulOpenSetsUpTheBridgeAndSwitchesTheButtons) {
    CardRig rig;
    rig.opener.Button1Click();
    EXPECT_EQ(rig.card.Bus().bar0Writes,
              (std::vector<Bar0Write>{{0x3C, 0x00000041}, {0x28, 0x004F87C0}, {0x14, 0x00000001}}));
    EXPECT_FALSE(rig.card.BarMapped(0));
    EXPECT_TRUE(rig.card.BarMapped(2));
    EXPECT_EQ(rig.card.Bus().accessesWhileUnmapped, 0);
    using C = Control;
    EXPECT_EQ(rig.window.enableCalls, (std::vector<std::pair<Control, bool>>{{C::Button1, false},
                                                                             {C::Button2, true},
                                                                             {C::Button4, true},
                                                                             {C::Button5, true},
                                                                             {C::Button7, true},
                                                                             {C::Button8, true},
                                                                             {C::Button9, true}}));
    EXPECT_EQ(rig.opener.Devices().count, 3u);
}

TEST(CardDiscovery, AFailedOpenOrMapWritesNothingAndChangesNoControl) {
    struct Case {
        const char* name;
        std::function<void(SimulatedCard&)> fault;
        std::string statusLine;
        std::string failureLine;
        std::size_t bar0Writes;
    };
    const Case cases[] = {
        {"open fails", [](SimulatedCard& c) { c.Bus().openStatus = 0x201; },
         "Chip open status is: 0201",
         "Open failed: the bridge did not open (status 0201); press Open to try again", 0},
        {"BAR 0 map fails", [](SimulatedCard& c) { c.Bus().mapStatus[0] = 0x20C; }, kOpenLine,
         "Open failed: mapping BAR 0 returned status 020C; nothing was written to the bridge", 0},
        {"BAR 2 map fails", [](SimulatedCard& c) { c.Bus().mapStatus[2] = 0x20C; }, kOpenLine,
         "Open failed: mapping BAR 2 returned status 020C; the card window is not available", 3},
    };
    for (const Case& c : cases) {
        CardRig rig;
        rig.card.Bus().devices = {kHostBridge, kNic, kKovex};
        c.fault(rig.card);
        rig.opener.Button1Click();
        const Lines expected{kHostBridgeLine, kNicLine, kKovexLine, c.statusLine, c.failureLine};
        EXPECT_EQ(rig.window.log, expected) << c.name;
        EXPECT_EQ(rig.card.Bus().bar0Writes.size(), c.bar0Writes) << c.name;
        EXPECT_TRUE(rig.window.enableCalls.empty()) << c.name;
        EXPECT_FALSE(rig.port.IsOpen()) << c.name;
        EXPECT_EQ(rig.card.Bus().accessesWhileUnmapped, 0) << c.name;

        // Open may be pressed again once the fault is gone.
        rig.card.Bus().openStatus = STATUS_SUCCESS;
        rig.card.Bus().mapStatus[0] = STATUS_SUCCESS;
        rig.card.Bus().mapStatus[2] = STATUS_SUCCESS;
        rig.opener.Button1Click();
        EXPECT_TRUE(rig.port.IsOpen()) << c.name;
    }
}

TEST(CardDiscovery, AClickOnOpenDuringTheScanIsIgnored) {
    CardRig rig;
    rig.card.Bus().devices = {kHostBridge, kNic, kKovex};
    int nestedClicks = 0;
    rig.At(0ns, [&] {
        ++nestedClicks;
        rig.opener.Button1Click();
    });
    rig.opener.Button1Click();
    EXPECT_EQ(nestedClicks, 1);
    EXPECT_EQ(rig.card.Bus().findIndexesAsked, (std::vector<std::uint32_t>{0, 1, 2, 3}));
    EXPECT_EQ(rig.window.clears, 1);
    EXPECT_EQ(rig.window.log, (Lines{kHostBridgeLine, kNicLine, kKovexLine, kOpenLine}));
}

TEST(CardDiscovery, NotFoundCanBeRetriedAndScansAfresh) {
    CardRig rig;
    rig.card.Bus().devices = {kHostBridge};
    rig.opener.Button1Click();
    rig.card.Bus().devices = {kNic, kKovex};
    rig.opener.Button1Click();
    EXPECT_EQ(rig.window.log, (Lines{kNicLine, kKovexLine, kOpenLine}));
    EXPECT_EQ(rig.opener.Devices().count, 2u);
}

}  // namespace
}  // namespace kovex::testing
