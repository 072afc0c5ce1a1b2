// The simulated card fed arbitrary host traffic through its mailbox, as a
// confused or broken host might send it. The card must survive all of it, keep
// its counters straight, and afterwards accept and answer a well-formed frame
// from a host that resynchronises first (a lone FF ends whatever frame the
// card thinks it is in).
//
// Input: byte 0 sets the card up (see Configure). Then operations, one byte
// each: the top three bits pick the operation, the low five bits plus one give
// a count n.
//   0-3  write the next n input bytes to the data register (half of all codes,
//        so raw frames pass through with one byte in front)
//   4    read the status register n times
//   5    read the data register n times, whether or not a byte is there
//   6    advance the clock by n * 10 ms
//   7    read data while the status shows a byte, as a polite host does
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>

#include "link/BridgeApi.h"
#include "link/CardRegisters.h"
#include "link/Clock.h"
#include "link/CommandFrames.h"
#include "sim/SimulatedCard.h"

namespace kovex {
namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t KOVEX_DEVICE_INDEX = 2;  // the PCI 9030 on the default bus
constexpr std::uint8_t MAILBOX_BAR = 2;
// Longer than any reply delay or erase time Configure can choose.
constexpr Nanos SETTLE_TIME = 1s;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "Simulated card property broken: %s\n", what);
    std::abort();
}

// Bit 0-1: reply delay; bit 2: TX_BUSY held after each byte; bit 3: packet
// counters running; bit 4: nodes leaving messages; bit 5: start in boot mode.
void Configure(SimulatedCard& card, std::uint8_t setup) {
    constexpr Nanos replyDelays[] = {0ms, 1ms, 5ms, 50ms};
    card.Timing().replyDelay = replyDelays[setup & 0x03];
    if (setup & 0x04) card.Timing().txBusyHold = 2ms;
    if (setup & 0x08) card.SetPollPeriod(1ms);
    if (setup & 0x10) card.SetNodeChatter(20ms);
    if (setup & 0x20) card.SetMode(MODE_BOOT);
}

class Host {
public:
    Host(SimulatedCard& card, VirtualClock& clock) : card_(card), clock_(clock) {
        DeviceKey key{};
        SetKeyToAnyDevice(key);
        if (card_.PlxPci_DeviceFind(key, KOVEX_DEVICE_INDEX) != STATUS_SUCCESS ||
            card_.PlxPci_DeviceOpen(key, device_) != STATUS_SUCCESS ||
            card_.PlxPci_PciBarMap(device_, MAILBOX_BAR, mailbox_) != STATUS_SUCCESS ||
            mailbox_ == nullptr) {
            Fail("the card on the default bus did not open");
        }
    }
    ~Host() { card_.PlxPci_PciBarUnmap(device_, mailbox_); }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    void Write(std::span<const std::uint8_t> bytes) {
        for (const std::uint8_t b : bytes) {
            mailbox_->Write8(DATA_REGISTER_OFFSET, b);
        }
        written_ += bytes.size();
    }
    std::uint8_t Status() {
        ++statusReads_;
        return mailbox_->Read8(STATUS_REGISTER_OFFSET);
    }
    std::uint8_t Data() { return mailbox_->Read8(DATA_REGISTER_OFFSET); }
    bool ByteWaiting() { return (Status() & RX_EMPTY) == 0; }
    // The last byte read, if any.
    std::optional<std::uint8_t> Drain() {
        std::optional<std::uint8_t> last;
        while (ByteWaiting()) {
            last = Data();
        }
        return last;
    }
    void Advance(Nanos by) { clock_.Advance(by); }

    // What the card counted must match what this host did.
    void CheckCounters() const {
        if (card_.Mailbox().HostBytes().size() != written_) Fail("host bytes miscounted");
        if (card_.Mailbox().StatusReads() != statusReads_) Fail("status reads miscounted");
        if (card_.Bus().accessesWhileUnmapped != 0) Fail("mapped mailbox taken as unmapped");
    }

private:
    SimulatedCard& card_;
    VirtualClock& clock_;
    DeviceObject device_;
    MappedAddress mailbox_ = nullptr;
    std::size_t written_ = 0;
    int statusReads_ = 0;
};

void Run(std::span<const std::uint8_t> input) {
    VirtualClock clock;
    SimulatedCard card(clock);
    Host host(card, clock);
    if (!input.empty()) {
        Configure(card, input[0]);
        input = input.subspan(1);
    }

    while (!input.empty()) {
        const std::uint8_t op = input[0] >> 5;
        const std::size_t n = (input[0] & 0x1F) + 1u;
        input = input.subspan(1);
        switch (op) {
            case 0:
            case 1:
            case 2:
            case 3: {
                const auto bytes = input.first(std::min(n, input.size()));
                host.Write(bytes);
                input = input.subspan(bytes.size());
                break;
            }
            case 4:
                for (std::size_t i = 0; i < n; ++i)
                    host.Status();
                break;
            case 5:
                for (std::size_t i = 0; i < n; ++i)
                    host.Data();
                break;
            case 6:
                host.Advance(10ms * static_cast<int>(n));
                break;
            default:
                host.Drain();
                break;
        }
    }
    host.CheckCounters();

    // The FF may itself complete a frame that lacked only its end byte, so
    // frames are counted from after it.
    constexpr std::uint8_t resync[] = {FRAME_END};
    host.Write(resync);
    const std::size_t framesBefore = card.Mailbox().FramesReceived().size();
    host.Write(FRAME_GET_MODE);
    if (card.Mailbox().FramesReceived().size() != framesBefore + 1)
        Fail("mode query after FF not accepted");
    if (!std::ranges::equal(card.Mailbox().FramesReceived().back(), FRAME_GET_MODE)) {
        Fail("accepted frame differs from the one written");
    }
    // Replies leave in the order their frames came, so the mode is the last.
    host.Advance(SETTLE_TIME);
    if (host.Drain() != card.State().mode) Fail("mode reply missing or not last");
    host.CheckCounters();
}

}  // namespace
}  // namespace kovex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kovex::Run(std::span<const std::uint8_t>(data, size));
    return 0;
}
