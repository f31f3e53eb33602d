#pragma once
// The sensor's 20-point calibration table: a reading and a volume in whole
// litres per point.  Wherever it is serialised (wire, run log, zvk file) the
// order is the 20 readings of points 0..19, then their 20 litre values.
#include "protocol/result.h"

#include <QByteArray>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

struct CalibrationTable {
    static constexpr int kPoints = 20;
    static constexpr int kValues = 2 * kPoints;
    static constexpr int kPayloadBytes = 2 * kValues; // each value two bytes, high first
    static constexpr int kMaxValue = 32767;           // the sensor's values are below 32768
    static constexpr int kZvkLines = kValues;

    std::array<uint16_t, kPoints> readings{};
    std::array<uint16_t, kPoints> litres{};

    // 200, 400, ... 3800, 4096 in both columns.
    static CalibrationTable defaults();

    // The 80 data bytes of a table write and of a table reply.
    QByteArray to_payload() const;
    // Exactly 80 bytes, every value 0..32767.
    static Result<CalibrationTable> from_payload(const QByteArray& payload);

    // The 40 values as decimal text, canonical order.
    QStringList to_texts() const;
    // 40 texts, each a whole number 0..32767 (blanks around allowed).
    static Result<CalibrationTable> from_texts(const QStringList& texts);
    // One such text as a value; nothing when it is not one.
    static std::optional<uint16_t> value_of(const QString& text);

    bool operator==(const CalibrationTable&) const = default;
};

// A table file is 40 short lines; anything larger than this was picked by
// mistake.  The window and the command-line tool refuse it alike.
inline constexpr qint64 kTableFileMaxBytes = 1 << 20;

// A zvk file holds cell texts, one a line, in blocks of 40 (not necessarily
// numbers: the file keeps whatever the cells held).  A file of several blocks
// gives its last block; an empty one gives an empty list (nothing to load).
// A line count that is not a whole number of blocks is refused.
Result<QStringList> zvk_cells_from_lines(const QStringList& lines);
