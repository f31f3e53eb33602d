#pragma once
// One simulated fuel-level sensor as the configurator sees it on the line: it
// hears request frames and answers them as the sensor firmware does.  Pure
// given the time it is told; the line (sim_line.h) does the wire around it.
#include "sim/fuel_model.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <optional>

// The sensor's stored settings and its factory data.  Everything here is what
// survives a power cycle.
struct SimSensorConfig {
    uint8_t address = 1;
    uint32_t serial = 0;
    uint8_t version = 176; // firmware version code, 176 = 1.7.6
    uint8_t variant = 0;
    int temperature = 21;       // °C around which the reading wanders
    uint32_t empty_raw = 60000; // what the probe reads in the empty tank ...
    uint32_t full_raw = 114000; // ... and in the full one
    uint32_t empty = 60000;     // calibrated empty value E
    uint32_t full = 114000;     // calibrated full value F
    uint16_t coefficient = 16;  // K
    uint8_t mode = 0x00;
    uint8_t ext_mode = 0x00;
    uint8_t alarm_level = 10; // percent
    uint32_t password = 0;    // 0: open
    std::array<uint16_t, 20> table_readings{};
    std::array<uint16_t, 20> table_litres{};
    uint64_t seed = 1;
};

// A sensor of the given generation with plausible factory values.
SimSensorConfig default_sensor_config(uint8_t address, uint8_t version,
                                      std::optional<uint32_t> serial = std::nullopt);

class SimSensor {
public:
    static constexpr int kStateReplyBase = 21; // up to the coefficient, with CRC

    explicit SimSensor(const SimSensorConfig& config);

    // Hears one request frame (a burst from the line) at `t_ms`; the reply to
    // send, or nothing when the sensor stays silent.  The network scan is the
    // line's business and is not answered here.
    std::optional<QByteArray> hear(const QByteArray& frame, int64_t t_ms);

    // Power off and on: the password has to be presented again and frequency
    // output ends until the mode is set to it again.
    void power_cycle();
    // The calibration memory was wiped (by the bootloader): factory values.
    void reset_calibration();

    const SimSensorConfig& config() const { return config_; }
    // For tests and tools that preset a sensor or look at what it stored.
    SimSensorConfig& config() { return config_; }
    uint8_t address() const { return config_.address; }
    uint8_t version() const { return config_.version; }
    bool unlocked() const { return config_.password == 0 || unlocked_; }
    bool frequency_output() const { return frequency_output_; }
    int horizon_count() const { return horizon_count_; }

    // Live values as the state reply would give them at `t_ms`.
    uint32_t reading_at(int64_t t_ms) const;
    uint16_t level_at(int64_t t_ms) const;
    int temperature_at(int64_t t_ms) const;
    uint16_t frequency_at(int64_t t_ms) const;
    int state_reply_length() const;

    QByteArray state_reply(int64_t t_ms) const;
    QByteArray identity_reply() const;
    QByteArray table_reply() const;

private:
    QByteArray reply(uint8_t code, const QByteArray& payload = {}) const;
    std::optional<QByteArray> change(uint8_t cmd, const QByteArray& payload, int64_t t_ms);
    int level_range() const;
    int smoothing() const;
    FuelModel fuel() const;

    SimSensorConfig config_;
    bool unlocked_ = false;
    bool frequency_output_ = false;
    int horizon_count_ = 0;
};

// Payload length of a configuration-changing request after the command byte
// and trailer, for a sensor of `version`; nullopt for read-only and unknown
// commands.
std::optional<int> changing_payload_length(uint8_t cmd, int version);
