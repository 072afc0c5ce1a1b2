// A simulated card that replays a capture (kovexctl --sim-replay, the
// simulated window's --replay): the bus of the simulated card with the
// KOVEX bridge at the captured card's address, BAR 0 taking the bridge
// set-up, BAR 2 the mailbox of ReplayMailbox.h. A fault seen on a real card
// thus becomes a run that can be repeated.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/BridgeApi.h"
#include "link/Clock.h"
#include "link/Pcapng.h"
#include "sim/ReplayMailbox.h"
#include "sim/SimulatedCard.h"

namespace kovex {

// How a capture names the simulated card and the replaying one, before
// their PCI address.
inline constexpr std::string_view SIMULATED_CARD_PREFIX = "simulated ";
inline constexpr std::string_view REPLAYED_CARD_PREFIX = "replayed ";

class ReplayCard final : public BridgeApi {
public:
    ReplayCard(const CaptureContents& capture, MonotonicClock& clock);
    ~ReplayCard() override;
    ReplayCard(const ReplayCard&) = delete;
    ReplayCard& operator=(const ReplayCard&) = delete;
    ReplayCard(ReplayCard&&) = delete;
    ReplayCard& operator=(ReplayCard&&) = delete;

    // The card for the capture at `path`; null with the reason in `error`
    // when the file cannot be read or holds no card traffic.
    static std::unique_ptr<ReplayCard> FromFile(const std::string& path, MonotonicClock& clock,
                                                std::string& error);

    // Told once, in one line, of the first frame that differs from the capture.
    void OnMismatch(std::function<void(const std::string&)> tell) {
        mailbox_.OnMismatch(std::move(tell));
    }
    const ReplayMailbox& Mailbox() const { return mailbox_; }

    PlxStatus PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) override;
    PlxStatus PlxPci_DeviceOpen(const DeviceKey& key, DeviceObject& device) override;
    PlxStatus PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                               MappedAddress& address) override;
    PlxStatus PlxPci_PciBarUnmap(DeviceObject& device, MappedAddress& address) override;
    PlxStatus PlxPci_DeviceClose(DeviceObject& device) override;

private:
    class Bridge;
    class MailboxRegion;

    std::vector<SimulatedDevice> bus_;
    ReplayMailbox mailbox_;
    std::unique_ptr<Bridge> bridge_;
    std::unique_ptr<MailboxRegion> mailboxRegion_;
};

}  // namespace kovex
