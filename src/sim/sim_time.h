#pragma once
// The simulated line's sense of time, in microseconds on a monotonic scale.
// Everything the sensors do depends on it, so tests hand in a manual clock and
// get the same fuel levels, noise and reply timing on every run.
#include <atomic>
#include <cstdint>

class SimTime {
public:
    virtual ~SimTime() = default;
    virtual int64_t now_us() const = 0;
    // Waits until `t_us` (returns at once when it has passed).
    virtual void sleep_until_us(int64_t t_us) = 0;
};

// Real time: the steady clock and real sleeps.
class SteadySimTime final : public SimTime {
public:
    int64_t now_us() const override;
    void sleep_until_us(int64_t t_us) override;
};

// Time that moves only when told to; a sleep simply moves it forward.
class ManualSimTime final : public SimTime {
public:
    explicit ManualSimTime(int64_t start_us = 0) : now_(start_us) {}
    int64_t now_us() const override { return now_.load(); }
    void sleep_until_us(int64_t t_us) override;
    void advance_ms(int64_t ms) { now_ += ms * 1000; }
    void set_us(int64_t t_us) { now_ = t_us; }

private:
    std::atomic<int64_t> now_;
};
