// What a wait on the card costs: a card that answers 2 s after the request
// (a long wait) or 2 ms after it (a line's acknowledgement), waited for with
// the tool's real pump (QCoreApplication::processEvents) while a 100 ms timer
// ticks, as in the tool. Reports the share of one core used, how late the
// wait noticed the byte, and the longest gap between two pumps (how long the
// window could go unanswered). BM_BareSleepLoop, beside them, sleeps 800 us
// at a time for 2 s: what a wait that polled no more often than the status
// poll interval would cost.
//
// Runs headless: without QT_QPA_PLATFORM it uses the offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <vector>

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

void WaitForReplyAfter(benchmark::State& state, kovex::Nanos replyDelay) {
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
    QTimer timer1;
    timer1.setInterval(100);
    QObject::connect(&timer1, &QTimer::timeout, [&appState] {
        if (appState.TickCountdown > 0) --appState.TickCountdown;
    });
    timer1.start();
    opened.card.Timing().replyDelay = replyDelay;

    double cpuSeconds = 0;
    double wallSeconds = 0;
    std::vector<double> lates;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        const double cpuStart = ProcessCpuSeconds();
        port.SendFrame(kovex::FRAME_GET_POLL_SPEED);
        const kovex::Nanos replyAt = clock.Now() + replyDelay;
        lastPump = clock.Now();
        port.ReadReplyByte();
        const kovex::Nanos noticed = clock.Now();
        const double cpuUsed = ProcessCpuSeconds() - cpuStart;
        const double late = Seconds(noticed - replyAt);
        cpuSeconds += cpuUsed;
        wallSeconds += Seconds(replyDelay) + late;
        lates.push_back(late);
        state.SetIterationTime(Seconds(replyDelay) + late);
    }
    state.counters["cpu_share_of_core_pct"] = 100.0 * cpuSeconds / wallSeconds;
    std::sort(lates.begin(), lates.end());
    state.counters["median_notice_delay_us"] = lates[lates.size() / 2] * 1e6;
    state.counters["p90_notice_delay_us"] = lates[lates.size() * 9 / 10] * 1e6;
    state.counters["worst_notice_delay_us"] = lates.back() * 1e6;
    state.counters["longest_pump_gap_ms"] = Seconds(longestPumpGap) * 1e3;
}

// A reply after 2 s: a long wait, as on a silent card.
void BM_WaitLong(benchmark::State& state) {
    WaitForReplyAfter(state, 2s);
}
BENCHMARK(BM_WaitLong)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// A reply after 2 ms, as a programmed line's acknowledgement comes.
void BM_WaitAcknowledgement(benchmark::State& state) {
    WaitForReplyAfter(state, 2ms);
}
BENCHMARK(BM_WaitAcknowledgement)->Iterations(500)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_BareSleepLoop(benchmark::State& state) {
    kovex::SteadyClock clock;
    double cpuSeconds = 0;
    double wallSeconds = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        const double cpuStart = ProcessCpuSeconds();
        const kovex::Nanos start = clock.Now();
        while (clock.Now() - start < 2s)
            clock.SleepFor(800us);
        const double wall = Seconds(clock.Now() - start);
        cpuSeconds += ProcessCpuSeconds() - cpuStart;
        wallSeconds += wall;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_share_of_core_pct"] = 100.0 * cpuSeconds / wallSeconds;
}
BENCHMARK(BM_BareSleepLoop)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

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
