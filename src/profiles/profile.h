#pragma once
// A sensor profile: a sensor's whole setup (levels, mode, alarm level,
// calibration table) as a JSON file, so that one sensor set up by hand can be
// copied to others, kept as a backup, or compared with a fleet's standard.
//
// {"format": "zorvik-profile", "version": 1, "saved": ISO time, "serial": N,
//  "firmware": CODE, "empty": N, "full": N, "alarm": PERCENT, "mode": BYTE,
//  "extended": BYTE, "table": [[reading, litres] x 20]}
//
// "alarm" and "table" only for firmware 1.7.0 and later, "extended" only for
// 1.7.6 and later, as the sensor reports them.  Readers ignore keys they do
// not know; the writer adds a readable description of the mode.
#include "protocol/calibration_table.h"
#include "protocol/firmware_capabilities.h"
#include "protocol/result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

inline const QString kProfileFormat = QStringLiteral("zorvik-profile");
inline constexpr int kProfileVersion = 1;
// The firmware from which a sensor has each of the optional fields.
inline constexpr int kAlarmFirmware = first_firmware(Capability::AlarmLevel);
inline constexpr int kTableFirmware = first_firmware(Capability::CalibrationTable);
inline constexpr int kExtendedFirmware = first_firmware(Capability::ExtendedMode);

// The fields a profile sets, in the order they are written to a sensor: the
// mode last, since a frequency output takes the line away from RS-485.
enum class ProfileField { Empty, Full, Alarm, Table, Mode, Extended };

// The field's key in the file ("full").
QString field_key(ProfileField field);
// The field's name in the window ("Полный").
QString field_caption(ProfileField field);

struct Profile {
    QString saved; // when it was read from its sensor, ISO 8601
    uint32_t serial = 0;
    int firmware = 0; // the version code of the sensor it was read from
    uint32_t empty = 0;
    uint32_t full = 0;
    std::optional<uint8_t> alarm;
    uint8_t mode = 0;
    std::optional<uint8_t> extended;
    std::optional<CalibrationTable> table;
    bool operator==(const Profile&) const = default;
};

// The file's text checked whole: a JSON object of this format and version,
// every known value a whole number within its range, the optional fields
// only for the firmware that has them.  The error names what is wrong.
Result<Profile> parse_profile(const QByteArray& json);
// The file's text, UTF-8, indented.
QByteArray profile_json(const Profile& p);

// "1.7.6" for 176.
QString dotted_version(int code);
// The mode byte in words ("RS-485, сглаживание, диапазон 4096"): Russian as
// stored, or `shown` in the interface's language.
QString describe_mode(uint8_t mode, bool shown = false);
// The extended mode byte in words ("сглаживание 5, термокомпенсация вкл.").
QString describe_extended(uint8_t extended, bool shown = false);
// The whole profile in words, a line each (the table a row a line).
QStringList describe_profile(const Profile& p);
