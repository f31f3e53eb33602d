// The sensor's side of the protocol: every request of the catalogue with its
// reply and its effect, the trailer rule, the password, frequency output.
#include "sim/sim_line.h"
#include "sim/sim_sensor.h"

#include "sim_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <span>
#include <tuple>
#include <vector>

namespace {
constexpr int64_t kT = 1'234'567; // ms; any moment will do, the model is deterministic

SimSensorConfig config(uint8_t address, uint8_t version) {
    SimSensorConfig c = default_sensor_config(address, version, 12345);
    return c;
}

QByteArray expect_reply(SimSensor& s, const QByteArray& req, int64_t t = kT) {
    const std::optional<QByteArray> r = s.hear(req, t);
    EXPECT_TRUE(r.has_value()) << to_hex(req).toStdString();
    return r.value_or(QByteArray());
}

void expect_confirmation(const QByteArray& r, uint8_t address, uint8_t code) {
    ASSERT_EQ(r.size(), 4) << to_hex(r).toStdString();
    EXPECT_EQ(at(r, 1), kReplyStart);
    EXPECT_EQ(at(r, 2), address);
    EXPECT_EQ(at(r, 3), code);
    EXPECT_TRUE(reply_crc_ok(r));
}
} // namespace

TEST(SimSensorReplies, StateReplyLengthAndFieldsByGeneration) {
    const std::pair<int, int> cases[] = {{130, 22}, {169, 22}, {170, 23},
                                         {175, 23}, {176, 24}, {200, 24}};
    for (auto [version, length] : cases) {
        SimSensorConfig c = config(5, static_cast<uint8_t>(version));
        c.mode = 0x26;
        c.alarm_level = 15;
        c.ext_mode = 0x05;
        c.coefficient = 16;
        SimSensor s(c);
        const QByteArray r = expect_reply(s, read_request(5, CMD_READ_STATE));
        ASSERT_EQ(r.size(), length) << version;
        EXPECT_TRUE(reply_crc_ok(r));
        EXPECT_EQ(at(r, 1), 0x3E);
        EXPECT_EQ(at(r, 2), 5);
        EXPECT_EQ(at(r, 3), CMD_READ_STATE);
        EXPECT_EQ(le(r, 5, 2), s.level_at(kT));
        EXPECT_EQ(le(r, 7, 4), s.reading_at(kT));
        EXPECT_EQ(le(r, 11, 4), c.empty);
        EXPECT_EQ(le(r, 15, 4), c.full);
        EXPECT_EQ(le(r, 19, 2), 16u);
        EXPECT_EQ(at(r, 21), 0x26);
        if (length >= 23) {
            EXPECT_EQ(at(r, 22), 15);
        }
        if (length >= 24) {
            EXPECT_EQ(at(r, 23), 0x05);
        }
        // The raw reading lies between the probe's empty and full readings.
        EXPECT_GE(le(r, 7, 4), c.empty_raw - 1000);
        EXPECT_LE(le(r, 7, 4), c.full_raw + 1000);
    }
}

TEST(SimSensorReplies, IdentityAndTemperatureEncoding) {
    SimSensorConfig c = config(3, 176);
    c.variant = 2;
    c.temperature = -10;
    SimSensor s(c);
    const QByteArray id = expect_reply(s, read_request(3, CMD_READ_ID));
    EXPECT_EQ(id, Control_summ(hex("3E03FC39300000B002")));
    // Below zero the byte is t + 254, the way the configurator reads it back.
    for (int64_t t = 0; t < 600'000; t += 37'000) {
        const QByteArray st = s.state_reply(t);
        const int shown = at(st, 4) > 127 ? at(st, 4) - 254 : at(st, 4);
        EXPECT_EQ(shown, s.temperature_at(t));
        EXPECT_GE(shown, -12);
        EXPECT_LE(shown, -8);
    }
}

TEST(SimSensorCatalogue, CalibrationRequestsConfirmAndChangeEmptyAndFull) {
    for (int version : {163, 176}) {
        SimSensor s(config(5, static_cast<uint8_t>(version)));
        expect_confirmation(expect_reply(s, request(5, CMD_SET_FULL, version)), 5, CMD_SET_FULL);
        EXPECT_EQ(s.config().full, s.reading_at(kT));
        expect_confirmation(expect_reply(s, request(5, CMD_SET_EMPTY, version), kT + 40'000), 5,
                            CMD_SET_EMPTY);
        EXPECT_EQ(s.config().empty, s.reading_at(kT + 40'000));

        expect_confirmation(expect_reply(s, request(5, CMD_DIRECT_FULL, version, hex("000186A0"))),
                            5, CMD_DIRECT_FULL);
        EXPECT_EQ(s.config().full, 100000u);
        expect_confirmation(expect_reply(s, request(5, CMD_DIRECT_EMPTY, version, hex("77359400"))),
                            5, CMD_DIRECT_EMPTY);
        EXPECT_EQ(s.config().empty, 2'000'000'000u);

        expect_confirmation(expect_reply(s, request(5, CMD_SHIFT_FULL, version, hex("FC18"))), 5,
                            CMD_SHIFT_FULL);
        EXPECT_EQ(s.config().full, 99000u);
        expect_confirmation(expect_reply(s, request(5, CMD_SHIFT_EMPTY, version, hex("FFFF"))), 5,
                            CMD_SHIFT_EMPTY);
        EXPECT_EQ(s.config().empty, 1'999'999'999u);
        expect_confirmation(expect_reply(s, request(5, CMD_SHIFT_EMPTY, version, hex("03E8"))), 5,
                            CMD_SHIFT_EMPTY);
        EXPECT_EQ(s.config().empty, 2'000'000'999u);

        // The state reply carries what was stored.
        const QByteArray st = s.state_reply(kT);
        EXPECT_EQ(le(st, 11, 4), 2'000'000'999u);
        EXPECT_EQ(le(st, 15, 4), 99000u);
    }
}

TEST(SimSensorCatalogue, ModeAlarmHorizonAndTheirConfirmations) {
    {
        SimSensor s(config(12, 176));
        const QByteArray r = expect_reply(s, request(12, CMD_SET_MODE, 176, hex("58A7")));
        EXPECT_EQ(r, Control_summ(hex("3E0CF258A7")));
        const QByteArray st = s.state_reply(kT);
        EXPECT_EQ(at(st, 21), 0x58);
        EXPECT_EQ(at(st, 23), 0xA7);
    }
    {
        // 175 takes one mode byte but confirms with both.
        SimSensor s(config(4, 175));
        EXPECT_EQ(expect_reply(s, request(4, CMD_SET_MODE, 175, hex("81"))),
                  Control_summ(hex("3E04F28100")));
        EXPECT_FALSE(
            s.hear(request(4, CMD_SET_MODE, 175, hex("0505")), kT)); // two bytes: not for 175
        SimSensor old(config(4, 174));
        EXPECT_EQ(expect_reply(old, request(4, CMD_SET_MODE, 174, hex("26"))),
                  Control_summ(hex("3E04F226")));
    }
    {
        SimSensor s(config(5, 163));
        EXPECT_EQ(expect_reply(s, request(5, CMD_SET_ALARM_LEVEL, 163, hex("14"))),
                  Control_summ(hex("3E05EE14")));
        EXPECT_EQ(s.config().alarm_level, 20);
        SimSensor n(config(5, 176));
        expect_reply(n, request(5, CMD_SET_ALARM_LEVEL, 176, hex("63")));
        EXPECT_EQ(at(n.state_reply(kT), 22), 99);

        expect_confirmation(expect_reply(n, request(5, CMD_SET_HORIZON, 176)), 5, CMD_SET_HORIZON);
        EXPECT_EQ(n.horizon_count(), 1);
    }
}

TEST(SimSensorCatalogue, TableReadAndWrite) {
    for (int version : {174, 175}) {
        SimSensor s(config(1, static_cast<uint8_t>(version)));
        QByteArray data;
        for (int k = 0; k < 20; ++k)
            data.append(bytes({(100 * (k + 1)) >> 8, (100 * (k + 1)) & 0xFF}));
        for (int k = 0; k < 20; ++k) data.append(bytes({(5 * (k + 1)) >> 8, (5 * (k + 1)) & 0xFF}));
        data[38] = 0x10; // point 19: reading 4096
        data[39] = 0x00;
        const QByteArray write = request(1, CMD_WRITE_TABLE, version, data);
        EXPECT_EQ(write.size(), version >= 175 ? 87 : 84);
        expect_confirmation(expect_reply(s, write), 1, CMD_WRITE_TABLE);

        const QByteArray read = read_request(1, CMD_READ_TABLE);
        EXPECT_EQ(read, hex("3101EF19"));
        const QByteArray r = expect_reply(s, read);
        ASSERT_EQ(r.size(), 84);
        EXPECT_TRUE(reply_crc_ok(r));
        EXPECT_EQ(r.left(3), hex("3E01EF"));
        EXPECT_EQ(r.mid(3, 80), data);
        EXPECT_EQ(at(r, 4), 0x00);
        EXPECT_EQ(at(r, 5), 0x64);
        EXPECT_EQ(at(r, 44), 0x00);
        EXPECT_EQ(at(r, 45), 0x05);
        EXPECT_EQ(s.config().table_readings[19], 4096);
    }
}

TEST(SimSensorLevel, LevelReadingFollowsCalibrationRangeAndConversion) {
    SimSensor s(config(5, 176));
    const uint32_t c = s.reading_at(kT);
    s.config().empty = 0;
    s.config().full = 2 * c; // the reading sits exactly half-way
    EXPECT_EQ(s.level_at(kT), 512);
    s.config().mode = 0x80;
    EXPECT_EQ(s.level_at(kT), 2048);
    s.config().mode = 0x20;
    EXPECT_EQ(s.level_at(kT), 50);
    s.config().mode = 0x40;
    for (int k = 0; k < 20; ++k) {
        s.config().table_readings[k] = static_cast<uint16_t>(100 * (k + 1));
        s.config().table_litres[k] = static_cast<uint16_t>(10 * (k + 1));
    }
    EXPECT_EQ(s.level_at(kT), 51); // 512 lies between 500 (50 l) and 600 (60 l)
    EXPECT_EQ(s.frequency_at(kT), 351);

    SimSensor r(config(5, 172));
    r.config().empty = 0;
    r.config().full = 2 * r.reading_at(kT);
    r.config().mode = 0x80;
    EXPECT_EQ(r.level_at(kT), 128);
    // Below empty the level stays at 0; with full below empty too.
    r.config().mode = 0;
    r.config().empty = r.reading_at(kT) + 10;
    EXPECT_EQ(r.level_at(kT), 0);
    r.config().full = 5;
    EXPECT_EQ(r.level_at(kT), 0);
}

TEST(SimSensorRules, TrailerAt174And175And176) {
    const QByteArray level = hex("14");
    const QByteArray without = request(5, CMD_SET_ALARM_LEVEL, 174, level);
    const QByteArray with = request(5, CMD_SET_ALARM_LEVEL, 175, level);
    EXPECT_EQ(without, hex("3105EE14A7")); // as the configurator sends it to 174
    EXPECT_EQ(with.size(), 8);
    for (int version : {174, 175, 176}) {
        SimSensor s(config(5, static_cast<uint8_t>(version)));
        const bool wants = version >= 175;
        EXPECT_EQ(s.hear(without, kT).has_value(), !wants) << version;
        EXPECT_EQ(s.hear(with, kT).has_value(), wants) << version;
        QByteArray wrong = bytes({0x31, 5, CMD_SET_ALARM_LEVEL, kTrailerBytes[0], kTrailerBytes[2],
                                  kTrailerBytes[1], 0x14});
        EXPECT_FALSE(s.hear(Control_summ(wrong), kT)) << version;
        // Reading never carries the trailer.
        QByteArray state = bytes({0x31, 5, CMD_READ_STATE});
        EXPECT_FALSE(s.hear(Control_summ(state + write_trailer()), kT)) << version;
        EXPECT_TRUE(s.hear(Control_summ(state), kT)) << version;
    }
}

TEST(SimSensorRules, IgnoresBadCrcOtherAddressesAndUnknownRequests) {
    SimSensor s(config(5, 163));
    QByteArray bad = request(5, CMD_SET_ALARM_LEVEL, 163, hex("30"));
    bad.back() = static_cast<char>(bad.back() ^ 0x01);
    EXPECT_FALSE(s.hear(bad, kT));
    EXPECT_FALSE(s.hear(request(6, CMD_SET_ALARM_LEVEL, 163, hex("30")), kT));
    EXPECT_FALSE(s.hear(read_request(6, CMD_READ_STATE), kT));
    EXPECT_FALSE(s.hear(read_request(5, 0x10), kT));
    EXPECT_FALSE(s.hear(request(5, CMD_SET_ALARM_LEVEL, 163, hex("3031")), kT)); // too long
    EXPECT_FALSE(s.hear(hex("3105F0"), kT));                                     // no CRC at all
    EXPECT_EQ(s.config().alarm_level, 10);
}

TEST(SimSensorRules, PasswordFlow) {
    SimSensorConfig c = config(7, 176);
    c.password = 1234;
    SimSensor s(c);
    const QByteArray refused = Control_summ(hex("3E07FD"));
    // Every request that changes something is refused and changes nothing.
    const auto stored = [&s] {
        const SimSensorConfig& k = s.config();
        return std::make_tuple(k.address, k.empty, k.full, k.mode, k.ext_mode, k.alarm_level,
                               k.password, k.table_readings, k.table_litres, s.horizon_count());
    };
    const auto before = stored();
    const std::vector<uint8_t> changing = {CMD_SET_FULL,    CMD_SET_EMPTY,       CMD_SHIFT_FULL,
                                           CMD_SHIFT_EMPTY, CMD_DIRECT_FULL,     CMD_DIRECT_EMPTY,
                                           CMD_SET_MODE,    CMD_SET_ALARM_LEVEL, CMD_SET_HORIZON,
                                           CMD_WRITE_TABLE, CMD_CHANGE_PASSWORD, CMD_SET_ADDRESS};
    const auto with_payload = [](uint8_t cmd) {
        return request(7, cmd, 176, QByteArray(*changing_payload_length(cmd, 176), '\x11'));
    };
    for (uint8_t cmd : changing) {
        EXPECT_EQ(expect_reply(s, with_payload(cmd), kT + 1000), refused) << int(cmd);
        EXPECT_EQ(stored(), before) << int(cmd);
    }
    // Reading needs no password.
    EXPECT_EQ(expect_reply(s, read_request(7, CMD_READ_STATE)).size(), 24);

    EXPECT_EQ(expect_reply(s, request(7, CMD_ENTER_PASSWORD, 176, Long_to_string(999))), refused);
    EXPECT_EQ(expect_reply(s, request(7, CMD_ENTER_PASSWORD, 176, Long_to_string(1234))),
              Control_summ(hex("3E07F8")));
    // Unlocked, the same requests take effect (the password and address
    // changes below and in the line tests).
    for (uint8_t cmd : std::span(changing).first(changing.size() - 2)) {
        const auto was = stored();
        EXPECT_EQ(at(expect_reply(s, with_payload(cmd), kT + 1000), 3), cmd);
        EXPECT_NE(stored(), was) << int(cmd);
    }
    EXPECT_EQ(expect_reply(s, request(7, CMD_SET_ALARM_LEVEL, 176, hex("14"))),
              Control_summ(hex("3E07EE14")));
    EXPECT_EQ(expect_reply(s, request(7, CMD_CHANGE_PASSWORD, 176, Long_to_string(2'000'000'000))),
              Control_summ(hex("3E07F7")));
    EXPECT_EQ(s.config().password, 2'000'000'000u);

    // After power-off the password has to be presented again.
    s.power_cycle();
    EXPECT_EQ(expect_reply(s, request(7, CMD_SET_HORIZON, 176)), refused);
    expect_reply(s, request(7, CMD_ENTER_PASSWORD, 176, Long_to_string(2'000'000'000)));
    expect_reply(s, request(7, CMD_CHANGE_PASSWORD, 176, Long_to_string(0)));
    s.power_cycle();
    // Password 0: open.
    expect_confirmation(expect_reply(s, request(7, CMD_SET_HORIZON, 176)), 7, CMD_SET_HORIZON);
}

TEST(SimSensorRules, FrequencyOutputAnswersEverythingUntilPowerCycled) {
    SimSensor s(config(5, 163));
    EXPECT_EQ(expect_reply(s, request(5, CMD_SET_MODE, 163, hex("85"))),
              Control_summ(hex("3E05F285")));
    EXPECT_TRUE(s.frequency_output());
    for (const QByteArray& req : {read_request(5, CMD_READ_STATE), read_request(5, CMD_READ_ID),
                                  request(5, CMD_SET_ALARM_LEVEL, 163, hex("14"))}) {
        const QByteArray r = expect_reply(s, req);
        ASSERT_EQ(r.size(), 6);
        EXPECT_EQ(r.left(3), hex("3E05FE"));
        EXPECT_TRUE(reply_crc_ok(r));
        EXPECT_EQ((at(r, 4) << 8) | at(r, 5), s.frequency_at(kT));
    }
    EXPECT_EQ(s.config().alarm_level, 10);
    EXPECT_FALSE(s.hear(read_request(6, CMD_READ_STATE), kT)); // still only its own address

    s.power_cycle();
    const QByteArray st = expect_reply(s, read_request(5, CMD_READ_STATE));
    EXPECT_EQ(at(st, 3), CMD_READ_STATE);
    EXPECT_EQ(at(st, 21), 0x85); // the stored mode is kept
    // Other output interfaces keep answering on RS-485.
    expect_reply(s, request(5, CMD_SET_MODE, 163, hex("02")));
    EXPECT_EQ(at(expect_reply(s, read_request(5, CMD_READ_STATE)), 3), CMD_READ_STATE);
}

TEST(SimSensorModel, StabilityIndicatorSeesAllColoursOverTime) {
    // The configurator's stability rule, fed one state reply a second.
    for (uint8_t address : {1, 5, 12}) {
        SimLine line = SimLine::demo();
        SimSensor& s = *line.sensor(address);
        double avg = 0;
        int score = 0, still = 0;
        std::map<char, int> seconds;
        for (int64_t t = 0; t < 400'000; t += 1000) {
            const double c = s.reading_at(t);
            still += 2;
            avg += (c - avg) / 5;
            score += c / 5000 > std::abs(avg - c) ? 1 : -1;
            still = 0;
            char colour = 'Y';
            if (score > 5 || still > 60) {
                score = 5;
                colour = 'G';
            }
            if (score < 0) {
                score = 0;
                colour = 'R';
            }
            if (t > 30'000) ++seconds[colour];
        }
        EXPECT_GT(seconds['G'], 60) << int(address);
        EXPECT_GT(seconds['Y'], 10) << int(address);
        EXPECT_GT(seconds['R'], 30) << int(address);
    }
}

TEST(SimSensorModel, SameTimeSameReadingAndLevelsMove) {
    SimLine a = SimLine::demo(), b = SimLine::demo();
    std::set<uint32_t> seen;
    for (int64_t t = 0; t < 900'000; t += 45'000) {
        EXPECT_EQ(a.sensor(5)->reading_at(t), b.sensor(5)->reading_at(t));
        EXPECT_EQ(a.sensor(5)->state_reply(t), b.sensor(5)->state_reply(t));
        seen.insert(a.sensor(5)->level_at(t) / 50);
    }
    EXPECT_GT(seen.size(), 4u); // the fuel level does get around
}
