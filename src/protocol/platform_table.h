#pragma once
// Calibration tables as fleet platforms take them, out and back in:
//   xy        READING<TAB>LITRES a line, LF, no header (an XY-pairs table)
//   csv       a header "reading;litres", then the rows; the separator and the
//             text encoding chosen on export (UTF-8 without BOM by default)
//   json      [{"in": READING, "out": LITRES}, ...]
//   segments  one object per pair of neighbouring points,
//             {"x": LOWER_READING, "a": A, "b": B} with litres = A * reading + B
//             at both ends, and a last {"x": TOP_READING, "a": 0, "b": TOP_LITRES}
// Readings rise in every format.
#include "protocol/calibration_table.h"
#include "protocol/result.h"
#include "protocol/table_fit.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

enum class PlatformFormat { Xy, Csv, Json, Segments };

// "xy", "csv", "json", "segments".
std::optional<PlatformFormat> platform_format_named(const QString& name);
QString platform_format_name(PlatformFormat f);

// A separator for csv: one character that cannot be part of a number or a
// line end (a tab is given as "\t" or "tab").
std::optional<QChar> csv_separator(const QString& text);

struct PlatformText {
    QChar separator = u';'; // csv only
    bool cp1251 = false;    // csv only: Windows-1251 instead of UTF-8
};

// A sensor's (or a table file's) table as platforms take it: starting with
// the table window's fixed row 0 -> 0 when point 0 reads above 0.  Refused
// when its readings do not rise or its litres fall, naming the point.
Result<std::vector<TablePoint>> platform_points(const CalibrationTable& t);

QByteArray platform_table_bytes(const std::vector<TablePoint>& points, PlatformFormat f,
                                const PlatformText& text = {});

// Any number of points from 2 up, readings whole and rising, litres not
// falling (fractions of a litre are rounded), values 0..32767; anything else
// is refused naming the line.
Result<std::vector<TablePoint>> read_platform_table(const QByteArray& bytes, PlatformFormat f);

// Platform files hold hundreds of points at most; this is far beyond.
inline constexpr qint64 kPlatformFileMaxBytes = 4 << 20;
