#pragma once
// Every request frame the configurator sends: 0x31, address, command byte,
// the write trailer when due, payload, CRC-8.  Nothing else builds a frame.
// Builders that take a value check its range and give no frame when it does
// not fit.
#include "i18n/language.h"
#include "protocol/calibration_table.h"
#include "protocol/result.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// Value ranges of the payloads.
inline constexpr int64_t kShiftLimit = 1000;            // shifts -1000..1000
inline constexpr int64_t kLongMax = 2'000'000'000;      // levels and passwords 0..2e9
inline constexpr int64_t kAlarmMin = 1, kAlarmMax = 99; // alarm level in percent

// What the user is told when a value is outside its range; the window and the
// command-line tool say the same.
namespace range_message {
inline const QString level = QString::fromUtf8(
    QT_TRANSLATE_NOOP("Messages", "Введите значение уровня в диапазоне 0....2 000 000 000"));
inline const QString shift =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Значения могут быть от -1000 до 1000"));
inline const QString alarm =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Значения могут быть от 1 до 99"));
inline const QString address =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Введите число в диапазоне 0....255"));
inline const QString password = QString::fromUtf8(
    QT_TRANSLATE_NOOP("Messages", "Введите числовой пароль в диапазоне 0....2 000 000 000"));
} // namespace range_message

// Whether a request changes the sensor, and so carries the write trailer
// for firmware with the write trailer (see firmware_capabilities.h).
bool takes_trailer(uint8_t command);

// The complete frame of any request.
QByteArray build_request(uint8_t address, uint8_t command, int firmware_version,
                         const QByteArray& payload = {});

// Payload encodings, with their ranges checked.
Result<QByteArray> encode_byte(int64_t v, int64_t lo = 0, int64_t hi = 255);
// 16-bit two's complement, high byte first.
Result<QByteArray> encode_signed_pair(int64_t v, int64_t lo = -32768, int64_t hi = 32767);
// 32-bit, most significant byte first, 0..2 000 000 000.
Result<QByteArray> encode_long(int64_t v);

namespace request {
// Requests that only read; they never carry the trailer.
QByteArray read_state(uint8_t address);
QByteArray net_scan(); // 31 FF DC: no address, no command byte
QByteArray read_id(uint8_t address);
QByteArray read_table(uint8_t address);

// Requests that change the sensor; `version` is its firmware version code.
QByteArray set_full(uint8_t address, int version);
QByteArray set_empty(uint8_t address, int version);
Result<QByteArray> shift_full(uint8_t address, int version, int64_t delta);
Result<QByteArray> shift_empty(uint8_t address, int version, int64_t delta);
Result<QByteArray> direct_full(uint8_t address, int version, int64_t level);
Result<QByteArray> direct_empty(uint8_t address, int version, int64_t level);
// The extended byte goes out only to firmware above 1.7.5.
QByteArray set_mode(uint8_t address, int version, uint8_t mode, uint8_t extended);
Result<QByteArray> enter_password(uint8_t address, int version, int64_t password);
Result<QByteArray> change_password(uint8_t address, int version, int64_t password);
Result<QByteArray> set_alarm_level(uint8_t address, int version, int64_t percent);
QByteArray set_horizon(uint8_t address, int version);
Result<QByteArray> set_address(uint8_t address, int version, int64_t new_address);
QByteArray write_table(uint8_t address, int version, const CalibrationTable& table);
} // namespace request
