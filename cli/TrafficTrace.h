// kovexctl -v: each frame and reply as a line of hex bytes on standard
// error, "kovexctl: > 00 5A F0 08 00 FF" out and "kovexctl: < 0F 4B ..." in;
// bytes a drain threw away are named after the reply, events after "!".
#pragma once

#include <string>

#include "link/CardTraffic.h"

namespace kovex {

// The line for one packet, without the program's prefix.
std::string TraceLine(const TrafficPacket& packet);

class TrafficTrace final : public TrafficSink {
public:
    void Packet(const TrafficPacket& packet) override;
};

}  // namespace kovex
