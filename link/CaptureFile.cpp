#include "link/CaptureFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kovex {

CaptureFile::Descriptor::~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
}

CaptureFile::CaptureFile(const std::string& path, std::string_view application, Start start)
    : path_(path),
      start_(start),
      file_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666)) {
    if (file_.Get() < 0) {
        failure_ = std::strerror(errno);
        return;
    }
    WriteBlock(SectionHeaderBlock(application));
}

std::uint32_t CaptureFile::AddInterface(std::string_view name) {
    WriteBlock(InterfaceBlock(name));
    return interfaces_++;
}

void CaptureFile::Write(std::uint32_t interface, const TrafficPacket& packet) {
    WriteBlock(EnhancedPacketBlock(RecordOf(packet, interface, start_)));
}

void CaptureFile::WriteBlock(const BlockBytes& block) {
    if (Failed()) return;
    ssize_t written = 0;
    do {
        written = ::write(file_.Get(), block.data(), block.size());
    } while (written < 0 && errno == EINTR);
    if (written < 0) {
        failure_ = std::strerror(errno);
    } else if (static_cast<std::size_t>(written) != block.size()) {
        // Only a full disk writes part of a block: the reader stops before it.
        failure_ = "the disk is full";
    }
}

CaptureFile::Start CaptureStartsNow(const MonotonicClock& clock) {
    const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return {wall, clock.Now()};
}

void CardCapture::Packet(const TrafficPacket& packet) {
    if (!interface_) interface_ = file_.AddInterface(name_());
    file_.Write(*interface_, packet);
    ++packets_;
}

PacketRecord RecordOf(const TrafficPacket& packet, std::uint32_t interface,
                      CaptureFile::Start start) {
    PacketRecord record;
    record.interface = interface;
    const auto since =
        std::chrono::duration_cast<std::chrono::microseconds>(packet.at - start.port);
    record.microseconds = static_cast<std::uint64_t>((start.wall + since).count());
    record.bytes = packet.bytes;
    switch (packet.kind) {
        case TrafficKind::Frame:
            record.direction = PacketDirection::Outbound;
            break;
        case TrafficKind::Reply:
            record.direction = PacketDirection::Inbound;
            break;
        case TrafficKind::Event:
            record.comments.push_back(packet.event);
            break;
    }
    if (packet.AnyDrained()) {
        record.comments.push_back(std::string(DRAINED_COMMENT) + DrainedRanges(packet));
    }
    return record;
}

}  // namespace kovex
