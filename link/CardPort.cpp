#include "link/CardPort.h"

#include <algorithm>
#include <utility>

#include "link/CardRegisters.h"
#include "seam/FlagScope.h"

namespace kovex {

CardPort::Lease::Lease(Lease&& other) noexcept : port_(std::exchange(other.port_, nullptr)) {}

CardPort::Lease::~Lease() {
    if (port_ == nullptr) return;
    port_->taken_ = false;
    port_->traffic_.Flush();
}

CardPort::GiveWay::GiveWay(CardPort& port, std::function<void()>& queued)
    : port_(port), queued_(queued) {
    port_.givingWay_ = true;
}

CardPort::GiveWay::~GiveWay() {
    port_.givingWay_ = false;
    queued_.swap(port_.queued_);
}

bool CardPort::Queue(const std::function<void()>& click) {
    if (!givingWay_ || queued_) return false;
    queued_ = click;
    return true;
}

CardPort::CardPort(AppState& state, MonotonicClock& clock, Pump pump)
    : state_(state), clock_(clock), pump_(std::move(pump)), lastPump_(clock.Now()) {}

std::optional<CardPort::Lease> CardPort::TryTake() {
    if (taken_) return std::nullopt;
    taken_ = true;
    stake_.reset();
    pendingStake_.reset();
    return Lease(*this);
}

MappedRegion& CardPort::Window() {
    if (lost_) throw *lost_;
    if (window_ == nullptr) throw std::logic_error("No card is open");
    return *window_;
}

void CardPort::ThrowIfClosing() const {
    if (state_.Closing) throw WindowClosing();
}

void CardPort::PumpWindowMessages() {
    ThrowIfClosing();
    pump_();
    lastPump_ = clock_.Now();
    ThrowIfClosing();
}

void CardPort::PumpAndPace(WaitPacer& pacer) {
    if (pacer.PumpDue(lastPump_)) {
        const Nanos pumpStart = clock_.Now();
        PumpWindowMessages();
        pacer.CountPump(pumpStart);
    }
    pacer.Idle();
}

std::uint8_t CardPort::ReadStatus() {
    return Window().Read8(STATUS_REGISTER_OFFSET);
}

std::uint8_t CardPort::ReadPresentStatus() {
    const std::uint8_t status = ReadStatus();
    if (status == ABSENT_STATUS) throw CardAbsent();
    return status;
}

bool CardPort::ByteWaiting() {
    return (ReadStatus() & RX_EMPTY) == 0;
}

bool CardPort::CanSend() {
    return (ReadStatus() & TX_BUSY) == 0;
}

std::uint8_t CardPort::ReadData() {
    const std::uint8_t byte = Window().Read8(DATA_REGISTER_OFFSET);
    if (traffic_.Recording()) traffic_.Read(byte, draining_);
    return byte;
}

void CardPort::WriteData(std::uint8_t byte) {
    if (pendingStake_) stake_ = std::exchange(pendingStake_, std::nullopt);
    Window().Write8(DATA_REGISTER_OFFSET, byte);
    if (traffic_.Recording()) traffic_.Wrote(byte);
}

template <typename Ready>
void CardPort::WaitUntil(Ready ready) {
    WaitPacer pacer = MakePacer();
    // The card is tested after every pump, the last one included, before the
    // silence is weighed.
    while (!ready(ReadPresentStatus())) {
        if (pacer.SilenceWatched() >= giveUpAfter_) throw CardNotAnswering();
        PumpAndPace(pacer);
    }
}

void CardPort::SendFrame(std::span<const std::uint8_t> bytes) {
    // Without an end byte the card would wait for the rest of the frame and
    // take the next command as part of it.
    if (std::find(bytes.begin(), bytes.end(), std::uint8_t{0xFF}) == bytes.end()) {
        throw std::logic_error("A frame without its end byte was not sent");
    }
    if (givingWay_ && queued_) throw ExchangeYielded();
    // A frame starts only while the program goes on; once it has started it
    // ends only at its end byte or in a wait.
    ThrowIfClosing();
    for (const std::uint8_t byte : bytes) {
        WaitUntil([](std::uint8_t status) { return (status & TX_BUSY) == 0; });
        WriteData(byte);
        if (byte == 0xFF) return;
    }
}

std::uint8_t CardPort::ReadReplyByte() {
    WaitUntil([](std::uint8_t status) { return (status & RX_EMPTY) == 0; });
    return ReadData();
}

CardPort::CountedText CardPort::ReadCountedText(std::span<std::uint8_t> buffer) {
    CountedText result;
    result.count = ReadReplyByte();
    result.text.reserve(result.count);
    for (std::size_t i = 0; i < result.count; ++i) {
        const std::uint8_t byte = ReadReplyByte();
        if (i < buffer.size()) buffer[i] = byte;
        result.text.push_back(static_cast<char>(byte));
    }
    return result;
}

void CardPort::DrainReplies() {
    ThrowIfClosing();
    std::size_t thrownAway = 0;
    while ((ReadPresentStatus() & RX_EMPTY) == 0) {
        if (thrownAway == DRAIN_MOST_BYTES) throw CardKeepsSending(thrownAway);
        const FlagScope draining(draining_);
        ReadData();
        ++thrownAway;
    }
}

void CardPort::WaitTicks(std::uint8_t ticks) {
    state_.TickCountdown = ticks;
    WaitPacer pacer = MakePacer();
    PumpWindowMessages();
    while (state_.TickCountdown > 0)
        PumpAndPace(pacer);
}

void CardPort::WaitForReply(std::uint8_t ticks) {
    state_.TickCountdown = ticks;
    WaitPacer pacer = MakePacer();
    while (state_.TickCountdown > 0 && !ByteWaiting())
        PumpAndPace(pacer);
}

}  // namespace kovex
