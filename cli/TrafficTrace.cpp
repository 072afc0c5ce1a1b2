#include "cli/TrafficTrace.h"

#include "cli/TerminalWindow.h"
#include "seam/HexText.h"

namespace kovex {

// The mark goes in with push_back: GCC 12's optimiser warns falsely
// (-Wrestrict) when a short literal is assigned or prepended to a string.
std::string TraceLine(const TrafficPacket& packet) {
    std::string line;
    switch (packet.kind) {
        case TrafficKind::Frame:
            line.push_back('>');
            line.append(HexBytes(packet.bytes));
            break;
        case TrafficKind::Reply:
            line.push_back('<');
            line.append(HexBytes(packet.bytes));
            if (packet.AnyDrained()) line += " (drained: bytes " + DrainedRanges(packet) + ")";
            break;
        case TrafficKind::Event:
            line.push_back('!');
            line.push_back(' ');
            line.append(packet.event);
            break;
    }
    return line;
}

void TrafficTrace::Packet(const TrafficPacket& packet) {
    TerminalWindow::Note(TraceLine(packet));
}

}  // namespace kovex
