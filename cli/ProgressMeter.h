// The programming progress on standard error: a bar redrawn in place on a
// terminal (lines sent of the total, the rate, the time left), plain
// percentage lines otherwise (a log file or a pipe).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "link/Clock.h"

namespace kovex {

class ProgressMeter {
public:
    ProgressMeter(MonotonicClock& clock, std::FILE* out, bool terminal)
        : clock_(clock), out_(out), terminal_(terminal) {}

    void Show(std::size_t sent, std::size_t total);
    // Ends a bar that is on the screen, so the next line starts clean.
    void Finish();

private:
    void DrawBar(std::size_t sent, std::size_t total);

    MonotonicClock& clock_;
    std::FILE* out_;
    bool terminal_;
    Nanos started_{0};
    Nanos lastDrawn_{0};
    int lastStep_ = -1;
    bool barShown_ = false;
};

// "[##########----------]  1200/2400 lines  850 lines/s  0:01 left"
std::string ProgressBarText(std::size_t sent, std::size_t total, double seconds);

}  // namespace kovex
