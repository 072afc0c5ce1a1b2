// The monotonic clock that bounds waits and drives the simulated card. The
// tool uses the steady clock; tests use a virtual one that moves only when
// told to (or when something "sleeps" on it).
#pragma once

#include <chrono>

namespace kovex {

using Nanos = std::chrono::nanoseconds;

class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    virtual Nanos Now() const = 0;
    virtual void SleepFor(Nanos duration) = 0;
};

class SteadyClock final : public MonotonicClock {
public:
    Nanos Now() const override;
    void SleepFor(Nanos duration) override;
};

class VirtualClock final : public MonotonicClock {
public:
    Nanos Now() const override { return now_; }
    void SleepFor(Nanos duration) override { now_ += duration; }
    void Advance(Nanos duration) { now_ += duration; }

private:
    Nanos now_{0};
};

}  // namespace kovex
