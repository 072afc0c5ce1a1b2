// What a wait on the card costs: a card that answers 2 s after the request,
// waited for with the tool's real pump (QCoreApplication::processEvents) while
// a 100 ms timer ticks, as in the tool. Reports the share of one core used,
// how late the wait noticed the byte, and the longest gap between two pumps
// (how long the window could go unanswered). BM_Wait/paced is the tool's
// pacing; BM_Wait/pump_every_pass is the earlier pacing, for comparison.
//
// Runs headless: without QT_QPA_PLATFORM it uses the offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <ctime>

#include "link/CardPort.h"
#include "link/CommandFrames.h"
#include "seam/AppState.h"
#include "sim/SimulatedCard.h"

namespace {

using namespace std::chrono_literals;

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Seconds(kovex::Nanos duration) {
    return std::chrono::duration<double>(duration).count();
}

// The simulated card, opened and mapped as Open leaves it.
struct OpenedCard {
    explicit OpenedCard(kovex::MonotonicClock& clock) : card(clock) {
        card.Bus().devices = kovex::SimulatedCard::DefaultBus();
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

void WaitForReplyAfterTwoSeconds(benchmark::State& state, const kovex::WaitPacing& pacing) {
    kovex::SteadyClock clock;
    OpenedCard opened(clock);
    kovex::AppState appState;
    kovex::Nanos lastPump = clock.Now();
    kovex::Nanos longestPumpGap{0};
    kovex::CardPort port(appState, clock, [&] {
        QCoreApplication::processEvents();
        longestPumpGap = std::max(longestPumpGap, clock.Now() - lastPump);
        lastPump = clock.Now();
    });
    port.Attach(*opened.window);
    port.SetPacing(pacing);
    QTimer timer1;
    timer1.setInterval(100);
    QObject::connect(&timer1, &QTimer::timeout, [&appState] {
        if (appState.TickCountdown > 0) --appState.TickCountdown;
    });
    timer1.start();
    opened.card.Timing().replyDelay = 2s;

    double cpuSeconds = 0;
    double wallSeconds = 0;
    double lateSeconds = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        const double cpuStart = ProcessCpuSeconds();
        port.SendFrame(kovex::FRAME_GET_POLL_SPEED);
        const kovex::Nanos replyAt = clock.Now() + 2s;
        lastPump = clock.Now();
        port.ReadReplyByte();
        const kovex::Nanos noticed = clock.Now();
        const double cpuUsed = ProcessCpuSeconds() - cpuStart;
        const double late = Seconds(noticed - replyAt);
        cpuSeconds += cpuUsed;
        wallSeconds += 2.0 + late;
        lateSeconds = std::max(lateSeconds, late);
        state.SetIterationTime(2.0 + late);
    }
    state.counters["cpu_share_of_core_pct"] = 100.0 * cpuSeconds / wallSeconds;
    state.counters["worst_notice_delay_us"] = lateSeconds * 1e6;
    state.counters["longest_pump_gap_ms"] = Seconds(longestPumpGap) * 1e3;
}

void BM_Wait(benchmark::State& state, const kovex::WaitPacing& pacing) {
    WaitForReplyAfterTwoSeconds(state, pacing);
}
BENCHMARK_CAPTURE(BM_Wait, paced, kovex::WaitPacing{})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Wait, pump_every_pass, kovex::PUMP_EVERY_PASS_PACING)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Benchmarks need no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
