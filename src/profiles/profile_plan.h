#pragma once
// What a sensor reports of its setup, how it differs from a profile, and the
// writes that make it equal: the window's own operations (levels entered by
// value, never the present reading; the mode with its extended byte; the
// alarm level; the table), with their frames and run-log records.
#include "profiles/profile.h"
#include "protocol/replies.h"

#include <QByteArray>
#include <QList>

#include <optional>
#include <vector>

// A sensor's setup as read from it: identity, state and (from 1.7.0) table.
struct SensorSetup {
    uint32_t serial = 0;
    int firmware = 0;
    uint32_t empty = 0;
    uint32_t full = 0;
    uint8_t mode = 0;
    std::optional<uint8_t> alarm;    // from 1.7.0
    std::optional<uint8_t> extended; // from 1.7.6
    std::optional<CalibrationTable> table;
};

// Whether the table is read from a sensor of this firmware.
bool reads_table(int firmware);
// The setup from the replies; an error when the state reply lacks a field
// this firmware reports.
Result<SensorSetup> setup_from(const IdentityReply& identity, const StateReply& state,
                               const std::optional<CalibrationTable>& table);
// The profile of a sensor, saved at `saved`.
Profile profile_of(const SensorSetup& s, const QString& saved);

// How a field is named to the user: by its key in the file ("full") on the
// terminal, where it is what one edits in the file, by its caption ("Полный")
// in the window.
enum class Naming { Keys, Captions };
QString field_name(ProfileField field, Naming naming);

struct Difference {
    ProfileField field;
    // The values of a level, the alarm or a mode byte; the sensor's is absent
    // when its firmware has no such field.  Not used for the table.
    std::optional<uint32_t> sensor;
    std::optional<uint32_t> profile;
    // The table: the rows (from 1) that differ; none when the sensor has no table.
    QList<int> rows;
};
// The fields where the sensor differs from the profile, in the order of ProfileField.
std::vector<Difference> differences(const Profile& p, const SensorSetup& s);
// Keys: "full: 114000 -> 118000", "table: rows 3, 7 differ", "alarm: none -> 20".
// Captions: "Полный: 114000 → 118000", "Таблица: строки 3, 7", "Порог лампы: нет → 20".
QString difference_text(const Difference& d, Naming naming);
QStringList difference_texts(const std::vector<Difference>& diffs, Naming naming);

// Why nothing of a profile may be written to a sensor: the field and the reason.
struct Refusal {
    ProfileField field;
    QString reason;
};
// "extended: нужна прошивка 1.7.6 или новее, у датчика 1.7.4".
QString refusal_text(const Refusal& r, Naming naming);

// A field the sensor's firmware cannot take, or takes a new value of only
// from a later firmware.
std::optional<Refusal> firmware_shortfall(const Profile& p, const std::vector<Difference>& diffs,
                                          int firmware);
// A differing value that no sensor takes, though a sensor may report it (an
// alarm level of 0, a level above what may be entered, a mode byte that names
// no output).
std::optional<Refusal> unwritable_value(const Profile& p, const std::vector<Difference>& diffs);

struct ProfileWrite {
    ProfileField field; // the mode write stands for both mode bytes
    QByteArray request;
    QString log_record;
    uint8_t confirmation = 0;
};
// The writes that make the sensor at `address` equal to the profile, one per
// differing field (one for both mode bytes).  `smoothing_shown` is the level
// the window's `sgla` shows, which the mode record names before 1.7.6.
std::vector<ProfileWrite> profile_writes(const Profile& p, const SensorSetup& s,
                                         const std::vector<Difference>& diffs, uint8_t address,
                                         int smoothing_shown);

// What an apply would do to a sensor: its differences, and either the writes
// or why none may be made.
struct ApplyPlan {
    std::vector<Difference> diffs;
    std::optional<Refusal> refused;
    std::vector<ProfileWrite> writes;
};
ApplyPlan plan_apply(const Profile& p, const SensorSetup& s, uint8_t address, int smoothing_shown);

// Asked once before a profile's writes, in the window and on the terminal.
inline const QString kApplyProfileQuestion = QString::fromUtf8(QT_TRANSLATE_NOOP(
    "Messages", "Сейчас настройки датчика будут изменены по профилю. Вы уверены что это нужно?"));
// The run-log record before a profile's writes.
inline const QString kApplyProfileRecord = QStringLiteral("Cmd Apply Profile = ");
