// Arbitrary bytes read as a capture, as --sim-replay reads a file from the
// field, with properties that hold for every input:
//  - every packet read names an interface the file described;
//  - the packets read, written again, read back the same;
//  - a replaying card built from them survives the capture's own frames and
//    a frame of its own, and answers only with bytes the capture holds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/Clock.h"
#include "link/Pcapng.h"
#include "sim/ReplayMailbox.h"

namespace kovex {
namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "capture reader property broken: %s\n", what);
    std::abort();
}

void CheckRewrite(const CaptureContents& read) {
    std::vector<std::uint8_t> again = SectionHeaderBlock("fuzz");
    for (const std::string& name : read.interfaces) {
        const BlockBytes block = InterfaceBlock(name);
        again.insert(again.end(), block.begin(), block.end());
    }
    for (const PacketRecord& packet : read.packets) {
        if (packet.interface >= read.interfaces.size()) Fail("a packet of no interface");
        const BlockBytes block = EnhancedPacketBlock(packet);
        again.insert(again.end(), block.begin(), block.end());
    }
    const CaptureContents reread = ReadCapture(again);
    if (!reread.stopped.empty()) Fail("a rewritten capture does not read whole");
    if (reread.packets.size() != read.packets.size()) Fail("the packets changed in number");
    for (std::size_t i = 0; i < read.packets.size(); ++i) {
        const PacketRecord& a = read.packets[i];
        const PacketRecord& b = reread.packets[i];
        if (a.bytes != b.bytes || a.microseconds != b.microseconds || a.direction != b.direction ||
            a.comments != b.comments) {
            Fail("a packet read back otherwise");
        }
    }
}

void CheckReplay(const CaptureContents& read) {
    VirtualClock clock;
    const ReplayScript script = ScriptOf(read);
    ReplayMailbox mailbox(clock, script);
    std::size_t answered = script.leftover.size();
    for (const ReplayStep& step : script.steps)
        answered += step.reply.size();
    std::size_t readable = 0;
    const auto drain = [&] {
        clock.Advance(std::chrono::hours(1));
        for (; (mailbox.ReadStatus() & 0x02) == 0; ++readable) {
            if (readable > answered) Fail("the card answers more than the capture holds");
            mailbox.ReadData();
        }
    };
    drain();
    for (const ReplayStep& step : script.steps) {
        for (const std::uint8_t byte : step.frame)
            mailbox.WriteData(byte);
        mailbox.WriteData(0xFF);
        drain();
    }
}

}  // namespace
}  // namespace kovex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kovex::CaptureContents read =
        kovex::ReadCapture(std::vector<std::uint8_t>(data, data + size));
    kovex::CheckRewrite(read);
    kovex::CheckReplay(read);
    return 0;
}
