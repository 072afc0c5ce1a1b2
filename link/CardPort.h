// The byte mailbox in the card window: one status read and one data access
// per byte, and the waits built on them. Every wait polls the status, pumps
// window messages every few milliseconds, sleeps a little when nothing
// changed, ends at once when the main window closes, and (where it has no
// limit of its own) gives up on a card it has itself watched stay silent.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

#include "link/BridgeApi.h"
#include "link/CardTraffic.h"
#include "link/Clock.h"
#include "link/WaitPacer.h"
#include "seam/AppState.h"

namespace kovex {

using namespace std::chrono_literals;

// A wait with no limit of its own watched the card stay silent for the
// port's give-up time.
class CardNotAnswering : public std::runtime_error {
public:
    CardNotAnswering() : std::runtime_error("the card did not answer") {}
};

// A wait read the status register as all ones: nothing answers behind the
// bridge, so there is nothing to wait for.
class CardAbsent : public std::runtime_error {
public:
    CardAbsent() : std::runtime_error("the card is absent") {}
};

// DrainReplies read DRAIN_MOST_BYTES and the card still had more: it keeps
// sending (or its status register is stuck showing a byte).
class CardKeepsSending : public std::runtime_error {
public:
    explicit CardKeepsSending(std::size_t thrownAway)
        : std::runtime_error("the card keeps sending"), thrownAway_(thrownAway) {}
    std::size_t ThrownAway() const { return thrownAway_; }

private:
    std::size_t thrownAway_;
};

// SendFrame of a holder that gives way (CardPort::GiveWay) found a click
// queued: the holder ends its work here, before a byte of the frame.
class ExchangeYielded : public std::exception {
public:
    const char* what() const noexcept override { return "the exchange gave way to a click"; }
};

class CardPort {
public:
    using Pump = std::function<void()>;
    // The window's give-up time; kovexctl may set another.
    static constexpr Nanos GIVE_UP_AFTER = 10s;
    // Far above any real reply (the longest is 256 bytes).
    static constexpr std::size_t DRAIN_MOST_BYTES = 4096;

    struct CountedText {
        std::uint8_t count = 0;
        std::string text;
    };

    // What the card is left holding when the running exchange ends early,
    // as its sequence says it step by step: when, e.g. "after the erase",
    // and what that leaves, e.g. "the card holds no firmware; program it
    // again". Nothing is at stake until a sequence says so.
    struct AtStake {
        std::string when;
        std::string left;
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

    // While it lives, the port's holder gives way to a click: Queue keeps one
    // click, and the holder's next SendFrame throws ExchangeYielded before its
    // first byte. At its end the queued click, if any, goes to `queued`, for
    // the holder's caller to run once the port is free.
    class GiveWay {
    public:
        GiveWay(CardPort& port, std::function<void()>& queued);
        ~GiveWay();
        GiveWay(const GiveWay&) = delete;
        GiveWay& operator=(const GiveWay&) = delete;
        GiveWay(GiveWay&&) = delete;
        GiveWay& operator=(GiveWay&&) = delete;

    private:
        CardPort& port_;
        std::function<void()>& queued_;
    };

    CardPort(AppState& state, MonotonicClock& clock, Pump pump);

    // The card window mapped by Open; until then no register is touched.
    // release, when given, runs once when the card is lost: Open lets go of
    // the device there, so that the card is free for another program.
    void Attach(MappedRegion& cardWindow, std::function<void()> release = {}) {
        window_ = &cardWindow;
        lost_.reset();
        release_ = std::move(release);
    }
    // Closes the port on a card whose registers went away: every later access
    // throws lost again, so a wait that outlived the fault ends touching nothing.
    void Detach(const CardLost& lost) {
        window_ = nullptr;
        lost_ = lost;
        if (const std::function<void()> release = std::exchange(release_, {})) release();
    }
    // Closes the port for Open, which lets go of the card window itself.
    void Close() {
        window_ = nullptr;
        lost_.reset();
        release_ = {};
    }
    bool IsOpen() const { return window_ != nullptr; }

    std::optional<Lease> TryTake();
    bool Taken() const { return taken_; }
    // Cleared each time the port is taken.
    void NoteAtStake(std::string when, std::string left) {
        stake_ = AtStake{std::move(when), std::move(left)};
    }
    // The same, from the next byte written to the card on: work stopped
    // before that byte has changed nothing.
    void NoteAtStakeOnceSent(std::string when, std::string left) {
        pendingStake_ = AtStake{std::move(when), std::move(left)};
    }
    const std::optional<AtStake>& Stake() const { return stake_; }
    void SetGiveUpAfter(Nanos silence) { giveUpAfter_ = silence; }
    Nanos GiveUpAfter() const { return giveUpAfter_; }
    // Keeps `click` to run after the holder when the holder gives way and no
    // other click waits; false otherwise (the click is not kept).
    bool Queue(const std::function<void()>& click);

    AppState& State() { return state_; }
    // What the port moves, packet by packet, for whoever records it.
    TrafficRecorder& Traffic() { return traffic_; }
    // An event without bytes, stamped with the port's clock.
    void NoteTrafficEvent(std::string text) { traffic_.Event(std::move(text)); }
    // How every wait on the port spends its idle passes.
    void SetPacing(const WaitPacing& pacing) { pacing_ = pacing; }
    // A pacer for one wait, on the port's clock and pacing; a handler's own
    // polling loop takes its pacer here too.
    WaitPacer MakePacer() const { return WaitPacer(clock_, pacing_); }

    // Pumps pending window messages once; ends the handler if the window closes.
    void PumpWindowMessages();
    // One idle pass of a polling loop: pumps when the pacer says it is due
    // (counting the time the pump took), then lets the pacer spin or sleep.
    void PumpAndPace(WaitPacer& pacer);

    std::uint8_t ReadStatus();
    // The status for a wait: one that reads all ones throws CardAbsent.
    std::uint8_t ReadPresentStatus();
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
    // Throws the waiting bytes away; more than DRAIN_MOST_BYTES of them end
    // the handler with CardKeepsSending.
    void DrainReplies();
    void WaitTicks(std::uint8_t ticks);
    // Ends when a byte waits or the ticks ran out (TickCountdown is then 0).
    void WaitForReply(std::uint8_t ticks);

private:
    MappedRegion& Window();
    void ThrowIfClosing() const;
    // Waits, pumping, until ready(status) holds; gives up once it has watched
    // the card stay not ready for the give-up time, testing it once more
    // first, and at once on a status that says no card is there.
    template <typename Ready>
    void WaitUntil(Ready ready);

    AppState& state_;
    MonotonicClock& clock_;
    Pump pump_;
    WaitPacing pacing_;
    Nanos lastPump_;
    MappedRegion* window_ = nullptr;
    std::optional<CardLost> lost_;
    std::function<void()> release_;
    bool taken_ = false;
    std::optional<AtStake> stake_;
    std::optional<AtStake> pendingStake_;
    Nanos giveUpAfter_ = GIVE_UP_AFTER;
    bool givingWay_ = false;
    std::function<void()> queued_;
    TrafficRecorder traffic_{clock_};
    bool draining_ = false;
};

}  // namespace kovex
