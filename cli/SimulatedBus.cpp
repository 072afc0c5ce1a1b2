#include "cli/SimulatedBus.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "sim/CardStateText.h"

namespace kovex {
namespace {

// A card left alone longer than this has long wrapped its counters and
// filled its message buffer: more time changes nothing.
constexpr Nanos MOST_TIME_AWAY = std::chrono::hours(24);
constexpr std::uint16_t PLX_VENDOR_ID = 0x10B5;

std::string ReadWhole(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path LockFileOf(const std::filesystem::path& state) {
    std::filesystem::path lock = state;
    lock += ".lock";
    return lock;
}

// Why the file cannot be a card's state; empty when it is one, or missing
// in a folder that exists.
std::string StateFileRefusal(const std::filesystem::path& file, MonotonicClock& clock) {
    const std::string name = file.string();
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (!std::filesystem::exists(status)) {
        const std::filesystem::path folder = file.parent_path();
        if (folder.empty() || std::filesystem::is_directory(folder, error)) return {};
        return "there is no folder " + folder.string() + " for the simulated card's state " + name;
    }
    if (!std::filesystem::is_regular_file(status)) {
        return name + " is not a simulated card's state (not a plain file); it was left as it is";
    }
    const std::string text = ReadWhole(file);
    if (!IsCardStateText(text))
        return name + " is not a simulated card's state; it was left as it is";
    SimulatedCard scratch(clock);
    const CardStateRead read = ReadCardState(scratch, text);
    if (read.error.empty()) return {};
    return name + " cannot be used as a simulated card's state (" + read.error +
           "); it was left as it is";
}

// Writes text to a new file beside `file`, then renames it over `file`:
// a reader sees the old state or the new one, never a piece of one. The errno
// of the first step that failed, or 0.
int ReplaceFile(const std::filesystem::path& file, const std::string& text) {
    std::string temporary = file.string() + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return errno;
    std::size_t written = 0;
    int error = 0;
    while (written < text.size() && error == 0) {
        const ssize_t wrote = ::write(fd, text.data() + written, text.size() - written);
        if (wrote < 0 && errno != EINTR) error = errno;
        if (wrote > 0) written += static_cast<std::size_t>(wrote);
    }
    if (error == 0 && ::fchmod(fd, 0644) != 0) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temporary.c_str(), file.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temporary.c_str());
    return error;
}

}  // namespace

std::vector<PciAddress> SimulatedCardAddresses(int count) {
    if (count == 0) return {PciAddress{0, 3, 7, 0}};
    std::vector<PciAddress> addresses;
    for (int card = 1; card <= count; ++card)
        addresses.push_back(PciAddress{0, static_cast<std::uint8_t>(card), 0, 0});
    return addresses;
}

SimulatedBus::SimulatedBus(MonotonicClock& clock, const std::vector<PciAddress>& cards)
    : clock_(clock), addresses_(cards) {
    // The bus's other devices, then the cards.
    for (const SimulatedDevice& device : SimulatedCard::DefaultBus()) {
        if (device.deviceId != PCI9030_DEVICE_ID) devices_.push_back(device);
    }
    for (const PciAddress& address : cards) {
        devices_.push_back(
            {address.bus, address.slot, address.function, PLX_VENDOR_ID, PCI9030_DEVICE_ID});
        Slot& slot = slots_.emplace_back();
        slot.address = address;
        slot.card = std::make_unique<SimulatedCard>(clock);
    }
}

SimulatedBus::~SimulatedBus() {
    for (const auto& [handle, slot] : opened_)
        WriteState(*slot);
}

SimulatedCard* SimulatedBus::CardAt(const PciAddress& address) {
    Slot* slot = SlotAt(address.bus, address.slot, address.function);
    return slot != nullptr && address.domain == 0 ? slot->card.get() : nullptr;
}

std::string SimulatedBus::KeepStates(const std::filesystem::path& path, bool folder) {
    std::error_code error;
    if (folder) {
        if (std::filesystem::exists(path, error) && !std::filesystem::is_directory(path, error)) {
            return path.string() +
                   " is not a folder: with --sim-cards, --sim-state names the "
                   "folder of the cards' states; it was left as it is";
        }
        std::filesystem::create_directories(path, error);
        if (error) return "the folder " + path.string() + " cannot be made: " + error.message();
    }
    for (Slot& slot : slots_) {
        slot.stateFile = folder ? path / (PciAddressText(slot.address) + ".state") : path;
        if (std::string refusal = StateFileRefusal(*slot.stateFile, clock_); !refusal.empty()) {
            for (Slot& each : slots_)
                each.stateFile.reset();
            return refusal;
        }
    }
    return {};
}

SimulatedBus::Slot* SimulatedBus::SlotAt(std::uint8_t bus, std::uint8_t slot,
                                         std::uint8_t function) {
    const auto found = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& each) {
        return each.address.bus == bus && each.address.slot == slot &&
               each.address.function == function;
    });
    return found == slots_.end() ? nullptr : &*found;
}

SimulatedBus::Slot* SimulatedBus::SlotOf(const DeviceObject& device) {
    const auto found = opened_.find(device.handle);
    return found == opened_.end() ? nullptr : found->second;
}

PlxStatus SimulatedBus::Refuse(std::string error, BridgeFailure failure) {
    lastError_ = std::move(error);
    lastFailure_ = failure;
    return SIM_STATUS_FAILED;
}

PlxStatus SimulatedBus::PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) {
    return FindSimulatedDevice(devices_, index, key);
}

PlxStatus SimulatedBus::PlxPci_DeviceOpen(const DeviceKey& key, DeviceObject& device) {
    lastError_.clear();
    lastFailure_ = BridgeFailure::Other;
    Slot* slot = SlotAt(key.bus, key.slot, key.function);
    if (slot == nullptr) return SIM_STATUS_FAILED;
    if (slot->stateFile && !slot->lock && !TakeState(*slot)) return SIM_STATUS_FAILED;
    const PlxStatus status = slot->card->PlxPci_DeviceOpen(key, device);
    if (status == STATUS_SUCCESS) {
        opened_[device.handle] = slot;
    } else {
        slot->lock.reset();  // not opened: nothing to write back
    }
    return status;
}

PlxStatus SimulatedBus::PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                                         MappedAddress& address) {
    Slot* slot = SlotOf(device);
    address = nullptr;
    return slot == nullptr ? SIM_STATUS_FAILED : slot->card->PlxPci_PciBarMap(device, bar, address);
}

PlxStatus SimulatedBus::PlxPci_PciBarUnmap(DeviceObject& device, MappedAddress& address) {
    Slot* slot = SlotOf(device);
    return slot == nullptr ? SIM_STATUS_FAILED : slot->card->PlxPci_PciBarUnmap(device, address);
}

PlxStatus SimulatedBus::PlxPci_DeviceClose(DeviceObject& device) {
    Slot* slot = SlotOf(device);
    if (slot == nullptr) return SIM_STATUS_FAILED;
    opened_.erase(device.handle);
    const PlxStatus status = slot->card->PlxPci_DeviceClose(device);
    WriteState(*slot);
    return status;
}

bool SimulatedBus::TakeState(Slot& slot) {
    const std::filesystem::path lockFile = LockFileOf(*slot.stateFile);
    const int made = ::open(lockFile.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (made < 0) {
        Refuse("the simulated card's lock " + lockFile.string() +
                   " cannot be made: " + std::strerror(errno),
               BridgeFailure::Other);
        return false;
    }
    ::close(made);
    CardLockAttempt attempt = CardLock::Take(system_, lockFile, PciAddressText(slot.address));
    if (!attempt.lock) {
        Refuse(attempt.error, attempt.inUse ? BridgeFailure::CardInUse : BridgeFailure::Other);
        return false;
    }
    slot.lock = std::move(attempt.lock);
    if (!std::filesystem::exists(*slot.stateFile)) return true;  // a new card
    const CardStateRead read = ReadCardState(*slot.card, ReadWhole(*slot.stateFile));
    if (!read.error.empty()) {
        slot.lock.reset();
        Refuse(slot.stateFile->string() + " cannot be used as a simulated card's state (" +
                   read.error + ")",
               BridgeFailure::Other);
        return false;
    }
    const Nanos now = clock_.Now();
    if (read.savedAt && now > *read.savedAt) {
        slot.card->RanAlone(std::min(now - *read.savedAt, MOST_TIME_AWAY));
    }
    return true;
}

void SimulatedBus::WriteState(Slot& slot) {
    if (!slot.lock) return;
    const std::string text = CardStateText(*slot.card, clock_.Now());
    if (const int error = ReplaceFile(*slot.stateFile, text); error != 0) {
        writeFailures_.push_back("the simulated card's state could not be written to " +
                                 slot.stateFile->string() + ": " + std::strerror(error));
    }
    slot.lock.reset();
}

}  // namespace kovex
