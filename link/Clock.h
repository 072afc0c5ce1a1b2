// The monotonic clock that bounds waits and drives the simulated card. The
// tool uses the steady clock; tests use a virtual one that moves only when
// told to (or when something "sleeps" or spins on it).
#pragma once

#include <chrono>

namespace kovex {

using Nanos = std::chrono::nanoseconds;

class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    virtual Nanos Now() const = 0;
    virtual void SleepFor(Nanos duration) = 0;
    // One pass of a busy wait, between two reads of the card.
    virtual void SpinPass() = 0;
    // How late the kernel may end this thread's sleeps, to group wake-ups.
    virtual Nanos TimerSlack() const = 0;
    virtual void SetTimerSlack(Nanos slack) = 0;
};

class SteadyClock final : public MonotonicClock {
public:
    Nanos Now() const override;
    void SleepFor(Nanos duration) override;
    // The clock runs by itself: the pass is the card read around it.
    void SpinPass() override {}
    Nanos TimerSlack() const override;
    void SetTimerSlack(Nanos slack) override;
};

class VirtualClock final : public MonotonicClock {
public:
    // What a pass of a busy wait costs on this clock: about one read over PCI.
    static constexpr Nanos SPIN_PASS{1000};
    // The kernel's default timer slack.
    static constexpr Nanos DEFAULT_SLACK{50000};

    Nanos Now() const override { return now_; }
    void SleepFor(Nanos duration) override { now_ += duration; }
    void SpinPass() override { now_ += SPIN_PASS; }
    Nanos TimerSlack() const override { return slack_; }
    void SetTimerSlack(Nanos slack) override { slack_ = slack; }
    void Advance(Nanos duration) { now_ += duration; }

private:
    Nanos now_{0};
    Nanos slack_ = DEFAULT_SLACK;
};

}  // namespace kovex
