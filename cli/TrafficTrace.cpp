#include "cli/TrafficTrace.h"

#include "cli/TerminalWindow.h"
#include "seam/HexText.h"

namespace kovex {

std::string TraceLine(const TrafficPacket& packet) {
    switch (packet.kind) {
        case TrafficKind::Frame:
            return ">" + HexBytes(packet.bytes);
        case TrafficKind::Reply: {
            std::string line = "<" + HexBytes(packet.bytes);
            if (packet.AnyDrained()) line += " (drained: bytes " + DrainedRanges(packet) + ")";
            return line;
        }
        case TrafficKind::Event:
            return "! " + packet.event;
    }
    return {};
}

void TrafficTrace::Packet(const TrafficPacket& packet) {
    TerminalWindow::Note(TraceLine(packet));
}

}  // namespace kovex
