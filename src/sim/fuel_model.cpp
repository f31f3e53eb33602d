#include "sim/fuel_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

uint64_t sim_hash(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

namespace {
// Uniform in [0, 1) from a hash.
double unit(uint64_t h) {
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

// Cycle phases, in ms from the start of a cycle.
constexpr int64_t kMoveFrom = 40'000;  // still until here
constexpr int64_t kSloshFrom = 60'000; // moving until here
constexpr int64_t kSettleFrom = 72'000;
} // namespace

FuelModel::FuelModel(uint32_t empty_raw, uint32_t full_raw, uint64_t seed)
    : empty_raw_(empty_raw), full_raw_(full_raw), seed_(seed),
      phase_ms_(static_cast<int64_t>(sim_hash(seed ^ 0x5EED) % kCycleMs)) {}

double FuelModel::rest_level(int64_t cycle) const {
    return 0.1 + 0.8 * unit(sim_hash(seed_ * 0x100000001B3ull + static_cast<uint64_t>(cycle)));
}

namespace {
struct CyclePos {
    int64_t cycle;
    int64_t in; // ms into the cycle
};
CyclePos position(int64_t t_ms, int64_t phase) {
    const int64_t t = t_ms + phase;
    int64_t cycle = t / FuelModel::kCycleMs;
    int64_t in = t % FuelModel::kCycleMs;
    if (in < 0) {
        in += FuelModel::kCycleMs;
        --cycle;
    }
    return {cycle, in};
}
} // namespace

double FuelModel::fraction_at(int64_t t_ms) const {
    const auto [cycle, in] = position(t_ms, phase_ms_);
    const double from = rest_level(cycle);
    if (in < kMoveFrom) return from;
    const double to = rest_level(cycle + 1);
    if (in >= kSloshFrom) return to;
    const double k =
        static_cast<double>(in - kMoveFrom) / static_cast<double>(kSloshFrom - kMoveFrom);
    return from + (to - from) * k;
}

double FuelModel::noise_amplitude_at(int64_t t_ms) const {
    const auto [cycle, in] = position(t_ms, phase_ms_);
    (void)cycle;
    if (in < kMoveFrom) return 1.0;
    if (in < kSloshFrom) return 3.0;
    const double span = std::max(1.0, static_cast<double>(full_raw_) - empty_raw_);
    if (in < kSettleFrom) return span * 0.01;
    // Dies away from a few tens of units to almost nothing.
    const double k =
        static_cast<double>(in - kSettleFrom) / static_cast<double>(kCycleMs - kSettleFrom);
    return 60.0 * (1.0 - k) + 1.0;
}

uint32_t FuelModel::reading_at(int64_t t_ms, int smoothing) const {
    const double base =
        empty_raw_ + (static_cast<double>(full_raw_) - empty_raw_) * fraction_at(t_ms);
    const double r = unit(sim_hash(seed_ ^ (static_cast<uint64_t>(t_ms) * 0xD6E8FEB86659FD93ull)));
    const double noise =
        (2.0 * r - 1.0) * noise_amplitude_at(t_ms) / (1.0 + std::clamp(smoothing, 0, 15));
    const double value = std::round(base + noise);
    return value <= 0 ? 0u : value >= 4294967295.0 ? 4294967295u : static_cast<uint32_t>(value);
}

int FuelModel::temperature_at(int64_t t_ms, int base) const {
    const double period_ms = 600'000.0;
    const double w =
        std::sin(2.0 * std::numbers::pi * static_cast<double>(t_ms + phase_ms_) / period_ms);
    return base + static_cast<int>(std::lround(1.5 * w));
}
