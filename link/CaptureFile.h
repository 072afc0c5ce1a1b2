// A pcapng capture of card traffic, written as it happens: each block goes
// to the file in one write, appended, so the file reads to its last packet
// however the program ends, and processes that share it (one per card)
// never interleave their blocks. One CardCapture per card records that card's traffic
// into the file under an interface named after the card.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "link/CardTraffic.h"
#include "link/Clock.h"
#include "link/Pcapng.h"

namespace kovex {

class CaptureFile {
public:
    // The moment the capture starts, on the wall clock and on the port's
    // clock: packet times are the wall time plus the port time since then.
    struct Start {
        std::chrono::microseconds wall;
        Nanos port;
    };

    // Creates (or empties) the file at `path` and writes its section header;
    // Failed() tells whether that worked.
    CaptureFile(const std::string& path, std::string_view application, Start start);

    std::uint32_t AddInterface(std::string_view name);
    void Write(std::uint32_t interface, const TrafficPacket& packet);

    // A write that failed; nothing more is written after it.
    bool Failed() const { return !failure_.empty(); }
    const std::string& Failure() const { return failure_; }
    const std::string& Path() const { return path_; }

private:
    // The file descriptor, closed with the capture.
    class Descriptor {
    public:
        explicit Descriptor(int fd) : fd_(fd) {}
        ~Descriptor();
        Descriptor(const Descriptor&) = delete;
        Descriptor& operator=(const Descriptor&) = delete;
        Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
        Descriptor& operator=(Descriptor&&) = delete;
        int Get() const { return fd_; }

    private:
        int fd_;
    };

    void WriteBlock(const BlockBytes& block);

    std::string path_;
    Start start_;
    Descriptor file_;
    std::uint32_t interfaces_ = 0;
    std::string failure_;
};

// The wall clock now and the port's clock now, for a capture that starts now.
CaptureFile::Start CaptureStartsNow(const MonotonicClock& clock);

// One card's traffic into a capture. The card's interface is added to the
// file with its first packet, under the name `name` gives then (the card is
// open by that time).
class CardCapture final : public TrafficSink {
public:
    CardCapture(CaptureFile& file, std::function<std::string()> name,
                std::optional<std::uint32_t> interface = std::nullopt)
        : file_(file), name_(std::move(name)), interface_(interface) {}
    void Packet(const TrafficPacket& packet) override;
    std::size_t Packets() const { return packets_; }

private:
    CaptureFile& file_;
    std::size_t packets_ = 0;
    std::function<std::string()> name_;
    std::optional<std::uint32_t> interface_;
};

// How a packet goes into the file: direction, comments (the event, the
// drained bytes) and time.
PacketRecord RecordOf(const TrafficPacket& packet, std::uint32_t interface,
                      CaptureFile::Start start);

}  // namespace kovex
