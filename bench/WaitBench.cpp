// What a wait on the card costs: a card that answers 2 s after the request,
// waited for with the tool's real pump (QCoreApplication::processEvents) while
// a 100 ms timer ticks, as in the tool. Reports the share of one core used and
// how late the wait noticed the byte.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>
#include <ctime>

#include "link/AppState.h"
#include "link/CardPort.h"
#include "link/CommandFrames.h"
#include "sim/SimulatedCard.h"

namespace {

using namespace std::chrono_literals;

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void BM_WaitForReplyAfterTwoSeconds(benchmark::State& state) {
    kovex::SteadyClock clock;
    kovex::SimulatedCard card(clock);
    card.SetDevices(kovex::SimulatedCard::DefaultBus());
    kovex::DeviceKey key{};
    kovex::SetKeyToAnyDevice(key);
    kovex::DeviceObject device;
    kovex::MappedAddress window = nullptr;
    card.PlxPci_DeviceFind(key, 2);
    card.PlxPci_DeviceOpen(key, device);
    card.PlxPci_PciBarMap(device, 2, window);

    kovex::AppState appState;
    kovex::CardPort port(appState, clock, [] { QCoreApplication::processEvents(); });
    port.Attach(*window);
    QTimer timer1;
    timer1.setInterval(100);
    QObject::connect(&timer1, &QTimer::timeout, [&appState] {
        if (appState.TickCountdown > 0) --appState.TickCountdown;
    });
    timer1.start();
    card.Timing().replyDelay = 2s;

    double cpuSeconds = 0;
    double wallSeconds = 0;
    double lateSeconds = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        const double cpuStart = ProcessCpuSeconds();
        port.SendFrame(kovex::FRAME_GET_POLL_SPEED);
        const kovex::Nanos replyAt = clock.Now() + 2s;
        port.ReadReplyByte();
        const kovex::Nanos noticed = clock.Now();
        const double cpuUsed = ProcessCpuSeconds() - cpuStart;
        const double late = std::chrono::duration<double>(noticed - replyAt).count();
        cpuSeconds += cpuUsed;
        wallSeconds += 2.0 + late;
        lateSeconds = std::max(lateSeconds, late);
        state.SetIterationTime(2.0 + late);
    }
    state.counters["cpu_share_of_core_pct"] = 100.0 * cpuSeconds / wallSeconds;
    state.counters["worst_notice_delay_us"] = lateSeconds * 1e6;
}
BENCHMARK(BM_WaitForReplyAfterTwoSeconds)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
