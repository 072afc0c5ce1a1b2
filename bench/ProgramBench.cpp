// What a programming run costs the host: Program KOVEX with the largest image
// a line record can address (card addresses 2000-FFFF, 3584 lines, 56 KiB),
// against a simulated card that acknowledges each line at once, and one that
// takes 1 ms, measured over the line loop only (from "Programming KOVEX" to
// the closing reset); and the whole run against the card the programs
// simulate (TX_BUSY 20 us a byte, a line acknowledged after 2 ms, a 300 ms
// erase), beside the floor that card's timing sets. With the tool's pump
// (QCoreApplication::processEvents) and a 100 ms Timer1. Headless: no window
// and no Qt platform.
#include <benchmark/benchmark.h>
#include <array>

#include <QCoreApplication>
#include <QTimer>
#include <ctime>
#include <functional>
#include <string>

#include "firmware/HexLoader.h"
#include "firmware/ProgrammingSequence.h"
#include "link/CardDiscovery.h"
#include "link/CardPort.h"
#include "seam/AppState.h"
#include "sim/SimulatedCard.h"
#include "sim/ToolCard.h"

namespace {

using namespace std::chrono_literals;

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A window that shows nothing and notes when the line loop starts and ends.
class BenchWindow final : public kovex::WindowServices {
public:
    void AppendLog(std::string_view line) override {
        if (line == kovex::PROGRAMMING_LINE) {
            loopStartWall = WallSeconds();
            loopStartCpu = ProcessCpuSeconds();
        } else if (line == kovex::RESETTING_LINE && loopStartWall > 0 && loopEndWall == 0) {
            loopEndWall = WallSeconds();
            loopEndCpu = ProcessCpuSeconds();
        }
        last = line;
    }
    void ClearLog() override {}
    void SetStatusLabel(std::string_view text) override { label = text; }
    void SetEnabled(kovex::Control /*control*/, bool /*enabled*/) override {}
    bool IsEnabled(kovex::Control /*control*/) const override { return true; }
    bool DebugChecked() const override { return false; }
    void ShowMessage(std::string_view /*text*/) override {}
    void ShowError(std::string_view text) override { last = text; }
    std::string InputBox(std::string_view /*caption*/, std::string_view /*prompt*/,
                         std::string_view defaultText, int /*maxLength*/,
                         const std::vector<std::string>& /*earlier*/) override {
        return std::string(defaultText);
    }
    bool AskYesNo(std::string_view /*caption*/, std::string_view /*text*/,
                  bool /*defaultYes*/) override {
        return false;
    }
    void SetCaption(kovex::Control /*control*/, std::string_view /*caption*/) override {}
    void SetTimer2Running(bool /*running*/) override {}
    bool Timer2Running() const override { return false; }
    std::optional<std::string> ChooseFirmwareFile() override { return "image.hex"; }
    std::optional<std::size_t> ChooseCard(
        const std::vector<kovex::CardChoice>& /*cards*/) override {
        return 0;
    }

    double loopStartWall = 0, loopEndWall = 0, loopStartCpu = 0, loopEndCpu = 0;
    std::string label;
    std::string last;
};

// Card addresses 2000-FFFF, 16 bytes a record, no byte FF.
std::string LargestImageHex() {
    std::string text;
    std::array<char, 64> line{};
    for (std::uint32_t address = 0x2000; address < 0x10000; address += 16) {
        unsigned sum = 16 + (address >> 8) + (address & 0xFF);
        std::snprintf(line.data(), line.size(), ":10%04X00", address);
        text += line.data();
        for (unsigned k = 0; k < 16; ++k) {
            const unsigned byte = (address + k) & 0x7F;
            sum += byte;
            std::snprintf(line.data(), line.size(), "%02X", byte);
            text += line.data();
        }
        std::snprintf(line.data(), line.size(), "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        text += line.data();
    }
    return text + ":00000001FF\r\n";
}

constexpr auto TIMER1_INTERVAL = 100ms;

// The shortest a whole run can take on a card with this timing: the tick
// waits after the two resets (the first of the ticks may come at once), the
// erase, every byte after the first of each frame held up by TX_BUSY, each
// line's acknowledgement and the two closing replies.
double ProgrammingFloorSeconds(const kovex::CardTiming& timing, const std::string& hex) {
    using kovex::Nanos;
    const auto busy = [&timing](std::size_t frameBytes) {
        return static_cast<Nanos::rep>(frameBytes - 1) * timing.txBusyHold;
    };
    const Nanos ack = timing.lineAckDelay.value_or(timing.replyDelay);
    Nanos floor = 2 * (kovex::PROGRAMMING_WAIT_TICKS - 1) * Nanos{TIMER1_INTERVAL};
    floor +=
        2 * busy(kovex::FRAME_RESET.size()) + busy(kovex::FRAME_ERASE.size()) + timing.eraseTime;
    const auto checked = kovex::LoadAndCheckHexFile(
        std::span(reinterpret_cast<const std::uint8_t*>(hex.data()), hex.size()));
    for (const std::int32_t index : checked.plan) {
        const auto line = kovex::BuildProgramLine(kovex::LineRecord(checked.image, index));
        floor += busy(line.frame.size()) + ack;
    }
    floor += busy(kovex::FRAME_GET_VERSION.size()) + busy(kovex::FRAME_GET_MODE.size()) +
             2 * timing.replyDelay;
    return std::chrono::duration<double>(floor).count();
}

// The simulated card, opened, with the tool's pump and a 100 ms Timer1, and
// Program KOVEX reading the largest image.
struct ProgrammingRig {
    explicit ProgrammingRig(const std::function<void(kovex::SimulatedCard&)>& setUpCard) {
        setUpCard(card);
        opener.Button1Click();
        timer1.setInterval(TIMER1_INTERVAL);
        QObject::connect(&timer1, &QTimer::timeout, [this] {
            if (appState.TickCountdown > 0) --appState.TickCountdown;
        });
        timer1.start();
    }

    const std::string hex = LargestImageHex();
    kovex::SteadyClock clock;
    kovex::SimulatedCard card{clock};
    BenchWindow window;
    kovex::AppState appState;
    kovex::CardPort port{appState, clock, [] { QCoreApplication::processEvents(); }};
    kovex::CardOpener opener{card, port, window};
    QTimer timer1;
    kovex::ProgrammingSequence sequence{
        port, window, [this](const std::string&) {
            return kovex::FirmwareFile(std::vector<std::uint8_t>(hex.begin(), hex.end()));
        }};
};

void RunProgramming(benchmark::State& state, kovex::Nanos ackDelay) {
    ProgrammingRig rig([ackDelay](kovex::SimulatedCard& card) {
        card.Timing().eraseTime = 0ns;
        card.Timing().lineAckDelay = ackDelay;
    });
    BenchWindow& window = rig.window;
    const auto lines = (0x10000 - 0x2000) / 16.0;

    double wall = 0;
    double cpu = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        window.loopStartWall = window.loopEndWall = 0;
        rig.sequence.Button2Click();
        if (window.loopEndWall == 0 || rig.card.State().flash.size() != 0xE000) {
            state.SkipWithError(("the run did not complete: " + window.last).c_str());
            return;
        }
        const double loopWall = window.loopEndWall - window.loopStartWall;
        wall += loopWall;
        cpu += window.loopEndCpu - window.loopStartCpu;
        state.SetIterationTime(loopWall);
    }
    state.counters["host_cpu_us_per_line"] =
        1e6 * cpu / (lines * static_cast<double>(state.iterations()));
    state.counters["wall_us_per_line"] =
        1e6 * wall / (lines * static_cast<double>(state.iterations()));
    state.counters["cpu_share_of_core_pct"] = 100.0 * cpu / wall;
    state.counters["malformed_frames"] = rig.card.Mailbox().MalformedFrames();
}

void BM_ProgramCardThatAcksAtOnce(benchmark::State& state) {
    RunProgramming(state, 0ns);
}
void BM_ProgramCardThatAcksAfter1ms(benchmark::State& state) {
    RunProgramming(state, 1ms);
}
BENCHMARK(BM_ProgramCardThatAcksAtOnce)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgramCardThatAcksAfter1ms)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The whole run, from the file to the closing replies, on the simulated card.
void BM_ProgramSimulatedCardWhole(benchmark::State& state) {
    ProgrammingRig rig([](kovex::SimulatedCard& card) { kovex::SetUpToolCard(card); });
    const double floor = ProgrammingFloorSeconds(rig.card.Timing(), rig.hex);
    const auto lines = (0x10000 - 0x2000) / 16.0;

    double wall = 0;
    double cpu = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        const double wallStart = WallSeconds();
        const double cpuStart = ProcessCpuSeconds();
        const auto reply = rig.sequence.Button2Click();
        const double runWall = WallSeconds() - wallStart;
        cpu += ProcessCpuSeconds() - cpuStart;
        if (!reply.outcome || rig.card.State().flash.size() != 0xE000) {
            state.SkipWithError(("the run did not complete: " + rig.window.last).c_str());
            return;
        }
        wall += runWall;
        state.SetIterationTime(runWall);
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["floor_s"] = floor;
    state.counters["run_s"] = wall / runs;
    state.counters["run_over_floor"] = wall / runs / floor;
    state.counters["host_cpu_us_per_line"] = 1e6 * cpu / (lines * runs);
    state.counters["cpu_share_of_core_pct"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_ProgramSimulatedCardWhole)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
