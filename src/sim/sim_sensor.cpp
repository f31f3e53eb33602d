#include "sim/sim_sensor.h"

#include "protocol/codes.h"
#include "protocol/firmware_capabilities.h"
#include "protocol/frame_codec.h"

#include <algorithm>
#include <cmath>

namespace {
uint8_t u8(char c) {
    return static_cast<uint8_t>(c);
}

void put_le(QByteArray& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint32_t be(const QByteArray& b, int at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | u8(b[at + i]);
    return v;
}

uint32_t clamp_u32(int64_t v) {
    return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 0xFFFFFFFFll));
}

// The temperature byte: negative values are carried as t + 254, which is how
// the configurator reads them back.
uint8_t temperature_byte(int t) {
    t = std::clamp(t, -126, 127);
    return static_cast<uint8_t>(t < 0 ? t + 254 : t);
}
} // namespace

SimSensorConfig default_sensor_config(uint8_t address, uint8_t version,
                                      std::optional<uint32_t> serial) {
    SimSensorConfig c;
    c.address = address;
    c.version = version;
    c.serial = serial.value_or(24050000u + address);
    c.temperature = 18 + address % 7;
    // Probes differ a little; the calibrated values start at the factory ones
    // (full about 1.9 times empty, as a well-cut probe gives).
    c.empty_raw = 58000u + 400u * address;
    c.full_raw = c.empty_raw * 19 / 10;
    c.empty = c.empty_raw;
    c.full = c.full_raw;
    c.coefficient = 16;
    c.mode = 0x00;
    c.ext_mode = has(version, Capability::ExtendedMode) ? 0x05 : 0x00;
    c.alarm_level = 10;
    c.password = 0;
    for (int k = 0; k < 20; ++k) {
        c.table_readings[k] = static_cast<uint16_t>(std::lround(1023.0 * (k + 1) / 20.0));
        c.table_litres[k] = static_cast<uint16_t>(30 * (k + 1));
    }
    c.seed = 0xC0FFEE00u + address * 7919u + version;
    return c;
}

std::optional<int> changing_payload_length(uint8_t cmd, int version) {
    switch (cmd) {
    case CMD_SET_FULL:
    case CMD_SET_EMPTY:
    case CMD_SET_HORIZON:
        return 0;
    case CMD_SHIFT_FULL:
    case CMD_SHIFT_EMPTY:
        return 2;
    case CMD_DIRECT_FULL:
    case CMD_DIRECT_EMPTY:
    case CMD_ENTER_PASSWORD:
    case CMD_CHANGE_PASSWORD:
        return 4;
    case CMD_SET_MODE:
        return has(version, Capability::ExtendedMode) ? 2 : 1;
    case CMD_SET_ALARM_LEVEL:
    case CMD_SET_ADDRESS:
        return 1;
    case CMD_WRITE_TABLE:
        return 80;
    default:
        return std::nullopt;
    }
}

SimSensor::SimSensor(const SimSensorConfig& config) : config_(config) {}

FuelModel SimSensor::fuel() const {
    return FuelModel(config_.empty_raw, config_.full_raw, config_.seed);
}

int SimSensor::smoothing() const {
    if (!(config_.mode & 0x08)) return 0;
    return has(config_.version, Capability::ExtendedMode) ? std::max(1, config_.ext_mode & 0x0F)
                                                          : 4;
}

int SimSensor::level_range() const {
    if (!(config_.mode & 0x80)) return 1023;
    return level_in_256_steps(config_.version) ? 255 : 4095;
}

uint32_t SimSensor::reading_at(int64_t t_ms) const {
    return fuel().reading_at(t_ms, smoothing());
}

uint16_t SimSensor::level_at(int64_t t_ms) const {
    const double e = config_.empty, f = config_.full;
    const double c = reading_at(t_ms);
    const double frac = f > e ? std::clamp((c - e) / (f - e), 0.0, 1.0) : 0.0;
    const int range = level_range();
    const double n = frac * range;
    if (config_.mode & 0x40) {
        // Litres by the calibration table, linear between its points; below
        // the first point the line runs from 0 reading, 0 litres.
        double x0 = 0, y0 = 0;
        for (int k = 0; k < 20; ++k) {
            const double x1 = config_.table_readings[k], y1 = config_.table_litres[k];
            if (n <= x1) {
                const double y = x1 > x0 ? y0 + (y1 - y0) * (n - x0) / (x1 - x0) : y1;
                return static_cast<uint16_t>(std::clamp(std::lround(y), 0l, 65535l));
            }
            x0 = x1;
            y0 = y1;
        }
        return config_.table_litres[19];
    }
    if (config_.mode & 0x20) return static_cast<uint16_t>(std::lround(frac * 100.0));
    return static_cast<uint16_t>(std::lround(n));
}

int SimSensor::temperature_at(int64_t t_ms) const {
    return fuel().temperature_at(t_ms, config_.temperature);
}

uint16_t SimSensor::frequency_at(int64_t t_ms) const {
    return static_cast<uint16_t>(level_at(t_ms) + 300);
}

int SimSensor::state_reply_length() const {
    if (!has(config_.version, Capability::AlarmLevel)) return 22;
    if (!has(config_.version, Capability::ExtendedMode)) return 23;
    return 24;
}

QByteArray SimSensor::reply(uint8_t code, const QByteArray& payload) const {
    QByteArray r;
    r.append(static_cast<char>(kReplyStart));
    r.append(static_cast<char>(config_.address));
    r.append(static_cast<char>(code));
    r.append(payload);
    return Control_summ(r);
}

QByteArray SimSensor::state_reply(int64_t t_ms) const {
    QByteArray p;
    p.append(static_cast<char>(temperature_byte(temperature_at(t_ms))));
    put_le(p, level_at(t_ms), 2);
    put_le(p, reading_at(t_ms), 4);
    put_le(p, config_.empty, 4);
    put_le(p, config_.full, 4);
    put_le(p, config_.coefficient, 2);
    const int length = state_reply_length();
    if (length >= 22) p.append(static_cast<char>(config_.mode));
    if (length >= 23) p.append(static_cast<char>(config_.alarm_level));
    if (length >= 24) p.append(static_cast<char>(config_.ext_mode));
    return reply(CMD_READ_STATE, p);
}

QByteArray SimSensor::identity_reply() const {
    QByteArray p;
    put_le(p, config_.serial, 4);
    p.append(static_cast<char>(config_.version));
    p.append(static_cast<char>(config_.variant));
    return reply(CMD_READ_ID, p);
}

QByteArray SimSensor::table_reply() const {
    QByteArray p;
    for (uint16_t v : config_.table_readings)
        p.append(static_cast<char>(v >> 8)).append(static_cast<char>(v & 0xFF));
    for (uint16_t v : config_.table_litres)
        p.append(static_cast<char>(v >> 8)).append(static_cast<char>(v & 0xFF));
    return reply(CMD_READ_TABLE, p);
}

void SimSensor::power_cycle() {
    unlocked_ = false;
    frequency_output_ = false;
}

void SimSensor::reset_calibration() {
    const SimSensorConfig factory =
        default_sensor_config(config_.address, config_.version, config_.serial);
    config_.empty = config_.empty_raw;
    config_.full = config_.full_raw;
    config_.mode = factory.mode;
    config_.ext_mode = factory.ext_mode;
    config_.alarm_level = factory.alarm_level;
    config_.table_readings = factory.table_readings;
    config_.table_litres = factory.table_litres;
}

std::optional<QByteArray> SimSensor::hear(const QByteArray& frame, int64_t t_ms) {
    // Like any device on a shared line: a damaged frame or one for another
    // address is not ours, and we keep quiet.
    if (frame.size() < 4 || u8(frame[0]) != kRequestStart || !reply_crc_ok(frame))
        return std::nullopt;
    if (u8(frame[1]) != config_.address) return std::nullopt;
    const uint8_t cmd = u8(frame[2]);
    QByteArray body = frame.mid(3, frame.size() - 4);

    if (frequency_output_) {
        const uint16_t hz = frequency_at(t_ms);
        QByteArray p;
        p.append(static_cast<char>(hz >> 8)).append(static_cast<char>(hz & 0xFF));
        return reply(RPL_FREQ_MODE, p);
    }

    switch (cmd) {
    case CMD_READ_STATE:
        return body.isEmpty() ? std::optional(state_reply(t_ms)) : std::nullopt;
    case CMD_READ_ID:
        return body.isEmpty() ? std::optional(identity_reply()) : std::nullopt;
    case CMD_READ_TABLE:
        return body.isEmpty() ? std::optional(table_reply()) : std::nullopt;
    default:
        break;
    }

    const std::optional<int> length = changing_payload_length(cmd, config_.version);
    if (!length) return std::nullopt;
    if (needs_trailer(config_.version)) {
        if (!body.startsWith(write_trailer())) return std::nullopt;
        body.remove(0, 3);
    }
    if (body.size() != *length) return std::nullopt;
    return change(cmd, body, t_ms);
}

std::optional<QByteArray> SimSensor::change(uint8_t cmd, const QByteArray& p, int64_t t_ms) {
    if (cmd != CMD_ENTER_PASSWORD && !unlocked()) return reply(RPL_WRONG_PASSWORD);
    switch (cmd) {
    case CMD_SET_FULL:
        config_.full = reading_at(t_ms);
        break;
    case CMD_SET_EMPTY:
        config_.empty = reading_at(t_ms);
        break;
    case CMD_SHIFT_FULL:
        config_.full = clamp_u32(int64_t{config_.full} + static_cast<int16_t>(be(p, 0, 2)));
        break;
    case CMD_SHIFT_EMPTY:
        config_.empty = clamp_u32(int64_t{config_.empty} + static_cast<int16_t>(be(p, 0, 2)));
        break;
    case CMD_DIRECT_FULL:
        config_.full = be(p, 0, 4);
        break;
    case CMD_DIRECT_EMPTY:
        config_.empty = be(p, 0, 4);
        break;
    case CMD_SET_MODE: {
        config_.mode = u8(p[0]);
        if (p.size() > 1) config_.ext_mode = u8(p[1]);
        // Frequency output takes the line away from RS-485 until power-off.
        frequency_output_ = (config_.mode & 0x16) == 0x04;
        QByteArray confirm(1, static_cast<char>(config_.mode));
        if (has(config_.version, Capability::WriteTrailer))
            confirm.append(static_cast<char>(config_.ext_mode));
        return reply(CMD_SET_MODE, confirm);
    }
    case CMD_ENTER_PASSWORD:
        if (be(p, 0, 4) != config_.password) {
            unlocked_ = false;
            return reply(RPL_WRONG_PASSWORD);
        }
        unlocked_ = true;
        break;
    case CMD_CHANGE_PASSWORD:
        config_.password = be(p, 0, 4);
        unlocked_ = true;
        break;
    case CMD_SET_ALARM_LEVEL:
        config_.alarm_level = u8(p[0]);
        return reply(CMD_SET_ALARM_LEVEL, QByteArray(1, static_cast<char>(config_.alarm_level)));
    case CMD_SET_HORIZON:
        ++horizon_count_;
        break;
    case CMD_SET_ADDRESS: {
        // Confirmed under the old address; from then on it lives at the new one.
        const QByteArray confirm = reply(CMD_SET_ADDRESS);
        config_.address = u8(p[0]);
        return confirm;
    }
    case CMD_WRITE_TABLE:
        for (int k = 0; k < 20; ++k) {
            config_.table_readings[k] = static_cast<uint16_t>(be(p, 2 * k, 2));
            config_.table_litres[k] = static_cast<uint16_t>(be(p, 40 + 2 * k, 2));
        }
        break;
    default:
        return std::nullopt;
    }
    return reply(cmd);
}
