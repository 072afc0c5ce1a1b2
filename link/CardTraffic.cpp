#include "link/CardTraffic.h"

#include <algorithm>
#include <charconv>

namespace kovex {

bool TrafficPacket::AnyDrained() const {
    return std::find(drained.begin(), drained.end(), true) != drained.end();
}

std::string DrainedRanges(const TrafficPacket& packet) {
    std::string text;
    const std::size_t size = packet.drained.size();
    for (std::size_t first = 0; first < size; ++first) {
        if (!packet.drained[first]) continue;
        std::size_t last = first;
        while (last + 1 < size && packet.drained[last + 1])
            ++last;
        if (!text.empty()) text += ',';
        text += std::to_string(first);
        if (last != first) text += '-' + std::to_string(last);
        first = last;
    }
    return text;
}

namespace {

// Reads a decimal number at the front of `text` and removes it.
bool TakeNumber(std::string_view& text, std::size_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{}) return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

}  // namespace

bool ParseDrainedRanges(std::string_view text, std::size_t size, std::vector<bool>& drained) {
    drained.assign(size, false);
    while (!text.empty()) {
        std::size_t first = 0;
        if (!TakeNumber(text, first)) return false;
        std::size_t last = first;
        if (text.starts_with('-')) {
            text.remove_prefix(1);
            if (!TakeNumber(text, last)) return false;
        }
        if (last < first || last >= size) return false;
        std::fill(drained.begin() + static_cast<std::ptrdiff_t>(first),
                  drained.begin() + static_cast<std::ptrdiff_t>(last) + 1, true);
        if (text.starts_with(',')) text.remove_prefix(1);
    }
    return true;
}

void TrafficRecorder::RemoveSink(const TrafficSink& sink) {
    Flush();
    std::erase(sinks_, &sink);
}

void TrafficRecorder::Wrote(std::uint8_t byte) {
    if (!Recording()) return;
    FlushReply();
    if (frame_.bytes.empty()) frame_.at = clock_.Now();
    frame_.bytes.push_back(byte);
    if (byte == 0xFF) FlushFrame();
}

void TrafficRecorder::Read(std::uint8_t byte, bool drained) {
    if (!Recording()) return;
    FlushFrame();
    if (reply_.bytes.empty()) reply_.at = clock_.Now();
    reply_.bytes.push_back(byte);
    reply_.drained.push_back(drained);
}

void TrafficRecorder::Event(std::string text) {
    if (!Recording()) return;
    Flush();
    TrafficPacket event = TrafficPacket::Of(TrafficKind::Event, clock_.Now());
    event.event = std::move(text);
    Send(event);
}

void TrafficRecorder::Flush() {
    FlushFrame();
    FlushReply();
}

void TrafficRecorder::FlushFrame() {
    if (frame_.bytes.empty()) return;
    Send(std::exchange(frame_, TrafficPacket::Of(TrafficKind::Frame)));
}

void TrafficRecorder::FlushReply() {
    if (reply_.bytes.empty()) return;
    Send(std::exchange(reply_, TrafficPacket::Of(TrafficKind::Reply)));
}

void TrafficRecorder::Send(const TrafficPacket& packet) {
    for (TrafficSink* sink : sinks_)
        sink->Packet(packet);
}

}  // namespace kovex
