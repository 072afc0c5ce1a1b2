// A model of a KOVEX card behind a PCI 9030 on a small PCI bus, reachable
// through BridgeApi. BAR 0 records the bridge set-up writes; BAR 2 is the
// mailbox (CardMailbox.h). Host frames are parsed byte by byte and checked;
// every command of the command table is answered with its reply shape
// (CardCommands.h). Node messages go to the network of nodes behind the card
// (SimNetwork.h), where devices attach through SimDevice (SimDevice.h). All
// timing runs on the injected clock. Replies come out in the order their
// frames arrived.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/BridgeApi.h"
#include "link/Clock.h"
#include "sim/CardSettings.h"
#include "sim/SimDevice.h"

namespace kovex {

class SimNetwork;
class Node10Devices;
class SimDisplay;

// What the simulated library answers when the device index is past the end
// of the bus, a BAR cannot be mapped, or an unmap names no mapped region.
inline constexpr PlxStatus SIM_STATUS_FAILED = 0x201;

struct SimulatedDevice {
    std::uint8_t bus = 0;
    std::uint8_t slot = 0;
    std::uint8_t function = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t deviceId = 0;
};

struct Bar0Write {
    std::size_t offset = 0;
    std::uint32_t value = 0;
    bool operator==(const Bar0Write&) const = default;
};

class SimulatedCard final : public BridgeApi {
public:
    explicit SimulatedCard(MonotonicClock& clock);
    ~SimulatedCard() override;
    SimulatedCard(const SimulatedCard&) = delete;
    SimulatedCard& operator=(const SimulatedCard&) = delete;

    // A small, realistic bus: two devices of other ids, then a PCI 9030 of
    // vendor 10B5 at bus 3, slot 7, function 0.
    static std::vector<SimulatedDevice> DefaultBus();

    // --- the bus, as PlxPci_DeviceFind sees it ---
    void SetDevices(std::vector<SimulatedDevice> devices);
    void FailFindAt(std::uint32_t index, PlxStatus status);  // that index fails
    void SetOpenStatus(PlxStatus status);
    void SetMapStatus(std::uint8_t bar, PlxStatus status);
    const std::vector<std::uint32_t>& FindIndexesAsked() const;
    std::optional<DeviceKey> OpenedKey() const;
    const std::vector<Bar0Write>& Bar0Writes() const;
    bool Bar0Mapped() const;
    bool Bar2Mapped() const;
    // Every access through BAR 0 or BAR 2 while that BAR is not mapped. Such
    // an access has no other effect; a read of it returns 0xFF.
    int AccessesWhileUnmapped() const;

    // --- BridgeApi ---
    PlxStatus PlxPci_DeviceFind(DeviceKey& key, std::uint32_t index) override;
    PlxStatus PlxPci_DeviceOpen(const DeviceKey& key, DeviceObject& device) override;
    PlxStatus PlxPci_PciBarMap(DeviceObject& device, std::uint8_t bar,
                               MappedAddress& address) override;
    PlxStatus PlxPci_PciBarUnmap(DeviceObject& device, MappedAddress& address) override;
    // The simulated card is private to its process: it takes no lock.
    PlxStatus PlxPci_DeviceClose(DeviceObject& device) override;

    // --- timing and faults ---
    CardTiming& Timing();
    CardFaults& Faults();

    // --- card state the tests set and inspect ---
    std::uint8_t Mode() const;
    void SetMode(std::uint8_t mode);
    void SetVersionText(std::string text);  // bytes, up to 255
    std::string VersionText() const;
    // The byte that acknowledges a program line (0x06 unless set).
    void SetLineAck(std::uint8_t ack);
    // What the card sends restartTime after a reset (empty: nothing).
    void SetStartupChatter(std::vector<std::uint8_t> bytes);
    void SetPollItem(std::uint8_t index, std::uint8_t node);
    // The whole list: these nodes from entry 0 on, 0 in every other entry.
    void SetPollList(std::span<const std::uint8_t> nodes);
    std::uint8_t PollItem(std::uint8_t index) const;
    // Fixes the node's status. A node without one answers NODE_ANSWERING (1)
    // when the network has it (a device attached there, or its chatter on)
    // and 0 otherwise.
    void SetNodeStatus(std::uint8_t node, std::uint8_t status);
    void SetPollSpeed(std::uint8_t speed);
    void SetPacketCounters(std::uint8_t sent, std::uint8_t received);
    void SetEthPollNode(std::uint8_t node);
    // In run mode the card polls its list: each period both packet counters
    // move on by one (wrapping at 256), and the card moves on to the next
    // entry of its list (back to entry 0 after the last), whose node
    // CMD_GET_ETH_POLL_NODE then answers. A period of 0 stops them (default).
    void SetPollPeriod(Nanos period);
    // The entry the card polls now.
    std::uint8_t EthPollPointer() const;
    // In run mode a node leaves a message for the host every interval (0:
    // never, the default); used by the tool so Get Msg comes alive. Node 12,
    // device 3 reports a two-digit reading: 0C 03 07 02 d1 d0, byte 3 counting
    // the bytes after the first four. At most 4 such messages wait at once.
    void SetNodeChatter(Nanos interval);
    // Flash as written by CMD_PROGRAM_LINE records since the last erase: card
    // address -> byte. Erase clears it.
    const std::map<std::uint32_t, std::uint8_t>& Flash() const;
    int EraseCount() const;
    int ResetCount() const;
    int ProgramLinesReceived() const;  // records that parsed, since construction
    const std::vector<ReceivedNodeMessage>& NodeMessagesReceived() const;
    // The network of nodes behind the card: attach devices here.
    SimNetwork& Network();
    // Node 10's relays, outputs, timer, message device, serial port and
    // firmware version (Node10Devices.h), attached from the start.
    Node10Devices& Node10();
    // The display node (SimDisplay.h) at node 10, device 34, which also takes
    // the column uploads that no other device claims.
    SimDisplay& Display();
    // A message a node leaves for the host; clears NO_MESSAGE until fetched.
    void QueueHostMessage(std::vector<std::uint8_t> bytes);
    std::size_t HostMessagesWaiting() const;
    // Bytes put in the host's receive queue at once, as if left over.
    void InjectReplyBytes(const std::vector<std::uint8_t>& bytes);
    // The next command that answers sends these bytes instead of its own
    // reply, at its own time; everything else it does still happens.
    void OverrideNextReply(std::vector<std::uint8_t> bytes);

    // --- what the host did on the wire ---
    const std::vector<std::uint8_t>& HostBytes() const;                    // every data write
    const std::vector<std::vector<std::uint8_t>>& FramesReceived() const;  // well-formed
    int MalformedFrames() const;
    int WritesWhileBusy() const;  // data written while TX_BUSY was set
    int ReadsWhileEmpty() const;  // data read while RX_EMPTY was set
    int StatusReads() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kovex
