// What a capture costs card work: programming-line exchanges (a 49-byte
// frame, a 1-byte acknowledgement) with a card that answers at once, on the
// steady clock, with no capture, with -v's recorder only collecting packets,
// and with a capture file written block by block. The difference between
// the runs' times per line, halved (a line is two packets), is the capture's
// cost per packet.
//
//   ./build/bench/kovex_bench_capture [--benchmark_repetitions=5]
//
// The file goes to $TMPDIR (/tmp by default).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/CaptureFile.h"
#include "link/CardPort.h"
#include "link/CommandFrames.h"
#include "seam/AppState.h"
#include "sim/SimulatedCard.h"

namespace {

// The simulated card, opened and mapped as Open leaves it.
struct OpenedCard {
    explicit OpenedCard(kovex::MonotonicClock& clock) : card(clock) {
        kovex::DeviceKey key{};
        kovex::SetKeyToAnyDevice(key);
        card.PlxPci_DeviceFind(key, 2);
        card.PlxPci_DeviceOpen(key, device);
        card.PlxPci_PciBarMap(device, 2, window);
    }
    kovex::SimulatedCard card;
    kovex::DeviceObject device;
    kovex::MappedAddress window = nullptr;
};

// A sink that only keeps count: the recorder's own cost.
struct Counted final : kovex::TrafficSink {
    void Packet(const kovex::TrafficPacket& /*packet*/) override { ++packets; }
    std::size_t packets = 0;
};

enum class Recording { None, Counted, File };

std::string CapturePath() {
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr ? folder : "/tmp") + "/kovex-bench-capture.pcapng";
}

void ProgramLines(benchmark::State& state, Recording recording) {
    kovex::SteadyClock clock;
    OpenedCard opened(clock);
    kovex::AppState appState;
    kovex::CardPort port(appState, clock, [] {});
    port.Attach(*opened.window);
    Counted counted;
    kovex::CaptureFile file(CapturePath(), "kovex_bench_capture", kovex::CaptureStartsNow(clock));
    kovex::CardCapture capture(file, [] { return std::string("simulated 0000:03:07.0"); });
    if (recording == Recording::Counted) port.Traffic().AddSink(counted);
    if (recording == Recording::File) port.Traffic().AddSink(capture);

    // A programming line: the prefix, the 43-character record, the end byte.
    constexpr std::string_view RECORD = ":10000000000102030405060708090A0B0C0D0E0F00";
    std::array<std::uint8_t, kovex::PREFIX_PROGRAM_LINE.size() + RECORD.size() + 1> frame{};
    auto* const afterPrefix = std::copy(kovex::PREFIX_PROGRAM_LINE.begin(),
                                        kovex::PREFIX_PROGRAM_LINE.end(), frame.begin());
    std::copy(RECORD.begin(), RECORD.end(), afterPrefix);
    frame.back() = kovex::FRAME_END;
    std::size_t lines = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        auto lease = port.TryTake();
        port.SendFrame(frame);
        benchmark::DoNotOptimize(port.ReadReplyByte());
        ++lines;
    }
    if (file.Failed()) state.SkipWithError(file.Failure().c_str());
    state.counters["packets"] = static_cast<double>(2 * lines);
}

void BM_LinesNoCapture(benchmark::State& state) {
    ProgramLines(state, Recording::None);
}
void BM_LinesRecorderOnly(benchmark::State& state) {
    ProgramLines(state, Recording::Counted);
}
void BM_LinesCapturedToFile(benchmark::State& state) {
    ProgramLines(state, Recording::File);
}

BENCHMARK(BM_LinesNoCapture)->UseRealTime();
BENCHMARK(BM_LinesRecorderOnly)->UseRealTime();
BENCHMARK(BM_LinesCapturedToFile)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
