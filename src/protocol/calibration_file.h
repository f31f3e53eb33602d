#pragma once
// The auto-calibration file (trr): a header line with the grid's three column
// headings, then one line per recorded point, "row;litres;level", no blanks,
// no quotes.  The level is the level display's text as it stood, so it need
// not be a number.
#include "protocol/result.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

inline const QStringList kCalibrationColumns = {QStringLiteral("№ проции"), QStringLiteral("Литры"),
                                                QStringLiteral("Уровень")};

QString calibration_file_header();
QString calibration_point_line(int row, int64_t litres, const QString& level);

struct CalibrationLine {
    QString row, litres, level;
};
// Splits at the first and second ";"; the level keeps any further ones.
// Nothing when the line has fewer than two.
std::optional<CalibrationLine> split_calibration_line(const QString& line);

// The usable points of a recording, for the sensor's table or a platform.
struct TablePoint;
struct RecordedPoints {
    std::vector<TablePoint> points;
    QStringList skipped; // file lines whose level is no number, with their text
    QStringList merged;  // runs of lines of one level, of which the last was kept
};
// Reads the lines of a recording (the header first, which is not checked):
// rows whose level is no number are skipped; of a run of rows with the same
// level the last (the most fuel the sensor cannot tell apart) is kept.
// Refused, naming the file's line: a line without two ";", litres that are no
// whole number, a value outside 0..32767, a level below the one before, litres
// below those before; and fewer than two usable rows.
Result<RecordedPoints> recorded_points(const QStringList& lines);
// What was skipped and merged, for stderr or the window; empty when nothing was.
QString recorded_points_notice(const RecordedPoints& r);

// One short line per portion: a file this large is no recording.
inline constexpr qint64 kRecordingMaxBytes = 4 << 20;
