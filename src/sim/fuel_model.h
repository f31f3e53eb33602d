#pragma once
// What the probe measures: the fuel in the tank and the raw capacitance
// reading it gives, as pure functions of time.  The tank goes through a
// 90-second cycle: it stands still (the reading settles, the configurator's
// stability indicator turns green), the level moves to a new height (the
// average lags behind: yellow, then red), the fuel sloshes (red) and settles
// again.  Noise comes from a hash of seed and millisecond, so a reading
// depends only on when it is taken, never on how often it was asked for.
#include <cstdint>

class FuelModel {
public:
    static constexpr int64_t kCycleMs = 90'000;

    FuelModel(uint32_t empty_raw, uint32_t full_raw, uint64_t seed);

    // Fuel height as a fraction of the tank, 0..1, without noise.
    double fraction_at(int64_t t_ms) const;
    // Raw reading C at `t_ms`.  `smoothing` (0..15) divides the noise as the
    // sensor's own filter would.
    uint32_t reading_at(int64_t t_ms, int smoothing = 0) const;
    // Noise amplitude, in raw units, at `t_ms` before smoothing.
    double noise_amplitude_at(int64_t t_ms) const;
    // Whole degrees Celsius, wandering a degree or two around `base`.
    int temperature_at(int64_t t_ms, int base) const;

    uint32_t empty_raw() const { return empty_raw_; }
    uint32_t full_raw() const { return full_raw_; }

private:
    double rest_level(int64_t cycle) const;

    uint32_t empty_raw_;
    uint32_t full_raw_;
    uint64_t seed_;
    int64_t phase_ms_; // sensors on one line are not in step
};

// A well-mixed 64-bit hash (splitmix64); the simulator's only source of chance.
uint64_t sim_hash(uint64_t x);
