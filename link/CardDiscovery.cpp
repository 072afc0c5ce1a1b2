#include "link/CardDiscovery.h"

#include <cstdio>

#include "link/CardLoss.h"
#include "seam/FlagScope.h"
#include "seam/HexText.h"

namespace kovex {
namespace {

constexpr std::uint32_t LAST_FIND_INDEX = DEVICE_TABLE_SIZE - 1;

// Four lower-case hex digits, as lspci shows ids.
std::string HexLower(std::uint16_t id) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%04x", id);
    return text.data();
}

struct BridgeSetupWrite {
    std::size_t offset;
    std::uint32_t value;
};

// Chip select 0 base, local space 0 bus region descriptor, local space 0 remap.
constexpr std::array<BridgeSetupWrite, 3> BRIDGE_SETUP{{
    {0x3C, 0x00000041},
    {0x28, 0x004F87C0},
    {0x14, 0x00000001},
}};

}  // namespace

std::string DeviceLine(const DeviceKey& key) {
    return Hex(key.deviceId, 4) + " - " + Hex(key.vendorId, 4) +
           "        [b:" + std::to_string(key.bus) + " s:" + std::to_string(key.slot) +
           " f:" + std::to_string(key.function) + " ]";
}

PciAddress KeyAddress(const DeviceKey& key) {
    return {key.libraryField == 0xFFFFFFFFu ? 0 : key.libraryField, key.bus, key.slot,
            key.function};
}

std::string OpenStatusLine(PlxStatus status) {
    return "Chip open status is: " + Hex(status, 4);
}

std::string CardInUseLine(const std::string& inUse) {
    return inUse + "; Open again when it has finished";
}

CardOpener::CardOpener(BridgeApi& api, CardPort& port, WindowServices& window)
    : api_(api), port_(port), window_(window) {}

CardOpener::~CardOpener() {
    ReleaseCard();
}

OpenResult CardOpener::Button1Click() {
    // The scan pumps window messages and the chooser is modal; a second click
    // meanwhile must not restart the scan under the running one.
    if (scanning_) return OpenResult::Ignored;
    window_.ClearLog();
    failure_.clear();
    OpenResult ended = OpenResult::Opened;
    const DeviceKey* bridge = nullptr;
    {
        const FlagScope scanning(scanning_);
        ScanBus();
        bridge = PickBridge(ended);
    }
    if (bridge == nullptr) return ended;
    searchKey_ = *bridge;
    // A card lock belongs to the open file that took it: this process's own
    // earlier device must let go before the card is opened again.
    ReleaseCard();
    const PlxStatus openStatus = api_.PlxPci_DeviceOpen(searchKey_, device_);
    window_.AppendLog(OpenStatusLine(openStatus));
    if (openStatus != STATUS_SUCCESS) return OpenRefused(openStatus);
    MappedRegion* cardWindow =
        SetUpBridge() ? MapBar(2, "the card window is not available") : nullptr;
    if (cardWindow == nullptr) {
        CloseDevice();
        return OpenResult::Failed;
    }
    opened_ = KeyAddress(searchKey_);
    port_.Attach(*cardWindow, [this] { CloseDevice(); });
    window_.CardOpened(NameOf(searchKey_));
    return OpenResult::Opened;
}

const DeviceKey* CardOpener::PickBridge(OpenResult& ended) {
    const std::vector<const DeviceKey*> bridges = Bridges();
    if (bridges.empty()) {
        window_.ShowMessage("PLX Not found");
        ended = OpenResult::NotFound;
        return nullptr;
    }
    if (bridges.size() == 1) return bridges.front();
    // The PCI 9030 is a general bridge that other makers' cards carry too:
    // the user says which one is the KOVEX, never the order of the bus.
    choices_.clear();
    for (const DeviceKey* key : bridges)
        choices_.push_back(ChoiceOf(*key));
    const std::optional<std::size_t> chosen = window_.ChooseCard(choices_);
    if (chosen && *chosen < bridges.size()) return bridges[*chosen];
    ended = OpenResult::Cancelled;
    return nullptr;
}

CardChoice CardOpener::ChoiceOf(const DeviceKey& key) {
    std::string subsystem;
    if (key.subVendorId != 0xFFFF || key.subDeviceId != 0xFFFF) {
        subsystem = HexLower(key.subVendorId) + ":" + HexLower(key.subDeviceId);
    }
    return {PciAddressText(KeyAddress(key)), std::move(subsystem), api_.CardHolder(key)};
}

std::string CardOpener::NameOf(const DeviceKey& key) const {
    std::string name = api_.CardName(key);
    return name.empty() ? PciAddressText(KeyAddress(key)) : name;
}

OpenResult CardOpener::OpenRefused(PlxStatus status) {
    if (api_.LastFailure() == BridgeFailure::CardInUse) {
        inUseBy_ = api_.LastError();
        window_.AppendLog(CardInUseLine(inUseBy_));
        return OpenResult::InUse;
    }
    LogFailure("the bridge did not open (status " + Hex(status, 4) + "); press Open to try again");
    return OpenResult::Failed;
}

const DeviceTable& CardOpener::ListDevices() {
    if (!scanning_) {
        const FlagScope scanning(scanning_);
        ScanBus();
    }
    return table_;
}

void CardOpener::ScanBus() {
    table_.count = 0;
    for (std::uint32_t index = 0; index <= LAST_FIND_INDEX; ++index) {
        SetKeyToAnyDevice(searchKey_);
        port_.PumpWindowMessages();
        if (api_.PlxPci_DeviceFind(searchKey_, index) != STATUS_SUCCESS) return;
        const DeviceKey found = searchKey_;
        if (IsKnownDevice(found)) continue;
        window_.AppendLog(DeviceLine(found));
        table_.entries[table_.count++] = found;
    }
}

bool CardOpener::IsKnownDevice(const DeviceKey& key) const {
    for (std::size_t i = 0; i < table_.count; ++i) {
        const DeviceKey& known = table_.entries[i];
        // The library field tells apart devices of different PCI domains for a
        // provider that fills it (all ones otherwise).
        if (known.bus == key.bus && known.slot == key.slot && known.function == key.function &&
            known.libraryField == key.libraryField) {
            return true;
        }
    }
    return false;
}

namespace {

bool AtAddress(const DeviceKey& key, const PciAddress& address) {
    return KeyAddress(key) == address;
}

}  // namespace

std::vector<const DeviceKey*> CardOpener::Bridges() const {
    std::vector<const DeviceKey*> bridges;
    for (std::size_t i = 0; i < table_.count; ++i) {
        const DeviceKey& key = table_.entries[i];
        if (key.deviceId != PCI9030_DEVICE_ID) continue;
        if (!wanted_ || AtAddress(key, *wanted_)) bridges.push_back(&key);
    }
    return bridges;
}

const DeviceKey* CardOpener::OnlyBridge() const {
    const std::vector<const DeviceKey*> bridges = Bridges();
    return bridges.size() == 1 ? bridges.front() : nullptr;
}

bool CardOpener::SetUpBridge() {
    if (MapBar(0, "nothing was written to the bridge") == nullptr) return false;
    try {
        for (const BridgeSetupWrite& write : BRIDGE_SETUP)
            address_->Write32(write.offset, write.value);
    } catch (const CardLost& lost) {
        // The rest of the set-up is not written; Open stays ready.
        failure_ = CardLostLine(lost);
        window_.AppendLog(failure_);
        api_.PlxPci_PciBarUnmap(device_, address_);
        address_ = nullptr;
        return false;
    }
    api_.PlxPci_PciBarUnmap(device_, address_);
    return true;
}

void CardOpener::ReleaseCard() {
    port_.Close();
    CloseDevice();
}

void CardOpener::CloseDevice() {
    address_ = nullptr;
    if (device_.opened) api_.PlxPci_DeviceClose(device_);
}

MappedRegion* CardOpener::MapBar(std::uint8_t bar, std::string_view withoutIt) {
    address_ = nullptr;
    const PlxStatus mapStatus = api_.PlxPci_PciBarMap(device_, bar, address_);
    if (mapStatus != STATUS_SUCCESS || address_ == nullptr) {
        LogFailure("mapping BAR " + std::to_string(bar) + " returned status " + Hex(mapStatus, 4) +
                   "; " + std::string(withoutIt));
        address_ = nullptr;
    }
    return address_;
}

void CardOpener::LogFailure(const std::string& withoutReason) {
    const std::string reason = api_.LastError();
    failure_ = "Open failed: " + (reason.empty() ? withoutReason : reason);
    window_.AppendLog(failure_);
}

}  // namespace kovex
