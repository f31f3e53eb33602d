#pragma once
// Every operation that changes a sensor, described once: its question, its
// run-log records, the firmware it needs, the range of its value and the
// request it sends.  The window's handlers and zorvik-cli both read these.
#include "protocol/mode_byte.h"
#include "protocol/result.h"
#include "ui/firmware_tag.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

enum class Operation {
    SetFull,        // take the present reading as full
    SetEmpty,       // take the present reading as empty
    DirectFull,     // enter the full level
    DirectEmpty,    // enter the empty level
    ShiftFull,      // shift the full level
    ShiftEmpty,     // shift the empty level
    Mode,           // operating mode
    Alarm,          // low-fuel alarm level
    Address,        // network address
    PasswordEnter,  // present the password
    PasswordChange, // set a new password
    Horizon,        // set the horizon
    TableRead,      // read the calibration table
    TableWrite,     // write the calibration table
};

struct OperationRules {
    // The Yes/No question asked before it; empty when it asks none.
    QString question;
    // The run-log record's beginning; the value follows it where there is one.
    QString log_prefix;
    // The name in the record written when no sensor is connected
    // ("Cmd SetLow" gives "Cmd SetLow: Датчик не подключен!"); empty for the
    // operations that do not check.
    QString connected_check;
    // The firmware from which the window offers it.
    FirmwareTag tag = FirmwareTag::None;
    // The reply code that confirms it.
    uint8_t confirmation = 0;
    // The range of its value and what is said outside it (none for the
    // operations without a value, and for the mode and the table).
    int64_t min = 0, max = 0;
    QString range_message;
    // The run log names the value as the user typed it rather than as a number.
    bool logs_typed_value = false;
    // Its request for a value; nullptr for the mode and the table, whose
    // requests carry more than one value.
    Result<QByteArray> (*build)(uint8_t address, int version, int64_t value) = nullptr;
};

const OperationRules& rules_of(Operation op);

// Said when an operation that checks finds no sensor connected.
inline const QString kNotConnected =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Датчик не подключен!"));
// Said when the present reading is to be taken while the sensor smooths it.
inline const QString kSmoothingOnRefusal = QString::fromUtf8(
    QT_TRANSLATE_NOOP("Messages", " На время калибровки снимите СГЛАЖИВАНИЕ и нажмите УСТАНОВИТЬ"));

// The value checked against the operation's range; the range message when it
// does not fit.
Result<int64_t> checked_value(Operation op, int64_t value);
// The run-log record of an operation with its value (`typed` is the value as
// the user gave it).
QString log_record(Operation op, const QString& typed, int64_t value);
// "Cmd Change mode to 12 sgla 3".
QString mode_log_record(uint8_t mode, int smoothing_level);
// The record written when no sensor is connected; empty when it does not check.
QString not_connected_record(Operation op);

// The firmware a change of the output interface needs: the tag of its option
// button in the window.
FirmwareTag output_tag(OutputInterface output);
// The firmware a mode change needs, from what it changes.
FirmwareTag mode_tag(std::optional<OutputInterface> output, bool litres_or_percent,
                     bool thermal_compensation);
