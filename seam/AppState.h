// State that outlives a handler. The main window owns the one instance.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <exception>

namespace kovex {

struct AppState {
    // Ticks of Timer1 left in the current wait; Timer1 counts it down to 0.
    std::uint8_t TickCountdown = 0;
    // Last known card mode: MODE_RUN, MODE_BOOT or whatever the card answered.
    std::uint8_t CardMode = 0;
    // Set when the main window closes (or kovexctl is told to stop, from a
    // signal handler): every wait ends at once.
    std::atomic<bool> Closing{false};
    // The version reply, shared by Version and the programming sequence.
    std::array<std::uint8_t, 512> VersionReply{};
};

// Thrown by a wait once Closing is set: the running handler unwinds without a
// word, and the slot guard lets it pass silently.
class WindowClosing : public std::exception {
public:
    const char* what() const noexcept override { return "the main window is closing"; }
};

}  // namespace kovex
