// The byte mailbox in the card window: one status read and one data access
// per byte, and the waits built on them. Every wait pumps window messages,
// sleeps a little when nothing changed, ends at once when the main window
// closes, and (where it has no limit of its own) gives up on a silent card.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "link/AppState.h"
#include "link/BridgeApi.h"
#include "link/Clock.h"

namespace kovex {

using namespace std::chrono_literals;

// A wait with no limit of its own ran past CardPort::GIVE_UP_AFTER.
class CardNotAnswering : public std::runtime_error {
public:
    CardNotAnswering() : std::runtime_error("the card did not answer") {}
};

// The main window is closing: the running handler unwinds without a word.
class WindowClosing : public std::exception {
public:
    const char* what() const noexcept override { return "the main window is closing"; }
};

// Paces a polling loop: a few passes at full speed, then sleeps that grow to
// about half a millisecond, so a wait neither burns a core nor notices a byte
// late.
class WaitPacer {
public:
    static constexpr int SPIN_PASSES = 32;
    static constexpr Nanos FIRST_SLEEP = 5us;
    static constexpr Nanos LONGEST_SLEEP = 500us;

    explicit WaitPacer(MonotonicClock& clock) : clock_(clock) {}
    // Called after a pass that found nothing to do.
    void Idle();

private:
    MonotonicClock& clock_;
    int passes_ = 0;
    Nanos nextSleep_ = FIRST_SLEEP;
};

class CardPort {
public:
    using Pump = std::function<void()>;
    static constexpr Nanos GIVE_UP_AFTER = 10s;

    struct CountedText {
        std::uint8_t count = 0;
        std::string text;
    };

    // Held by a handler for all of its card work; the port is free again when
    // the lease goes.
    class Lease {
    public:
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&&) = delete;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ~Lease();

    private:
        friend class CardPort;
        explicit Lease(CardPort& port) : port_(&port) {}
        CardPort* port_;
    };

    CardPort(AppState& state, MonotonicClock& clock, Pump pump);

    // The card window mapped by Open; until then no register is touched.
    void Attach(MappedRegion& cardWindow) { window_ = &cardWindow; }
    bool IsOpen() const { return window_ != nullptr; }

    std::optional<Lease> TryTake();
    bool Taken() const { return taken_; }

    AppState& State() { return state_; }
    MonotonicClock& Clock() { return clock_; }

    // Pumps pending window messages once; ends the handler if the window closes.
    void PumpWindowMessages();
    // Pumps, then lets the pacer sleep: one idle pass of a polling loop.
    void PumpAndPace(WaitPacer& pacer);

    std::uint8_t ReadStatus();
    bool ByteWaiting();
    bool CanSend();
    std::uint8_t ReadData();
    void WriteData(std::uint8_t byte);

    // Sends bytes up to and including the first 0xFF, each once the card can
    // take it. The bytes must hold a 0xFF.
    void SendFrame(std::span<const std::uint8_t> bytes);
    std::uint8_t ReadReplyByte();
    // A length byte, then that many bytes into buffer (at least 255 bytes)
    // and the text; positions from the count on are left as they were.
    CountedText ReadCountedText(std::span<std::uint8_t> buffer);
    void DrainReplies();
    void WaitTicks(std::uint8_t ticks);
    // Ends when a byte waits or the ticks ran out (TickCountdown is then 0).
    void WaitForReply(std::uint8_t ticks);

private:
    MappedRegion& Window();
    void ThrowIfClosing() const;
    // Waits, pumping, until ready() holds; gives up after GIVE_UP_AFTER.
    template <typename Ready>
    void WaitUntil(Ready ready);

    AppState& state_;
    MonotonicClock& clock_;
    Pump pump_;
    MappedRegion* window_ = nullptr;
    bool taken_ = false;
};

}  // namespace kovex
