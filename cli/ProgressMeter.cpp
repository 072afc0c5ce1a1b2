#include "cli/ProgressMeter.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>

namespace kovex {
namespace {

constexpr std::size_t BAR_WIDTH = 30;
constexpr int PERCENT_STEP = 10;
constexpr Nanos REDRAW_EVERY = std::chrono::milliseconds(100);

std::string Duration(double seconds) {
    const long long whole = std::llround(seconds);
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%lld:%02lld", whole / 60, whole % 60);
    return text.data();
}

}  // namespace

std::string ProgressBarText(std::size_t sent, std::size_t total, double seconds) {
    // More sent than announced must not make the bar wider than its frame.
    const std::size_t filled = total == 0 ? BAR_WIDTH : std::min(sent, total) * BAR_WIDTH / total;
    std::string text(BAR_WIDTH + 2, '-');
    text.front() = '[';
    text.back() = ']';
    text.replace(1, filled, filled, '#');
    std::array<char, 96> numbers{};
    const double rate = seconds > 0 ? static_cast<double>(sent) / seconds : 0;
    std::snprintf(numbers.data(), numbers.size(), " %zu/%zu lines  %.0f lines/s", sent, total,
                  rate);
    text += numbers.data();
    if (rate > 0) text += "  " + Duration(static_cast<double>(total - sent) / rate) + " left";
    return text;
}

void ProgressMeter::Show(std::size_t sent, std::size_t total) {
    const Nanos now = clock_.Now();
    if (sent == 0) started_ = now;
    if (terminal_) {
        if (sent != total && now - lastDrawn_ < REDRAW_EVERY) return;
        lastDrawn_ = now;
        DrawBar(sent, total);
        return;
    }
    const int percent = total == 0 ? 100 : static_cast<int>(sent * 100 / total);
    if (percent / PERCENT_STEP == lastStep_) return;
    lastStep_ = percent / PERCENT_STEP;
    std::fprintf(out_, "kovexctl: Programming: %d%% (%zu of %zu lines)\n", percent, sent, total);
    std::fflush(out_);
}

void ProgressMeter::DrawBar(std::size_t sent, std::size_t total) {
    const double seconds = std::chrono::duration<double>(clock_.Now() - started_).count();
    std::fprintf(out_, "\rkovexctl: %s\033[K", ProgressBarText(sent, total, seconds).c_str());
    std::fflush(out_);
    barShown_ = true;
}

void ProgressMeter::Finish() {
    if (!barShown_) return;
    std::fputc('\n', out_);
    barShown_ = false;
}

}  // namespace kovex
