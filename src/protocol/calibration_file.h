#pragma once
// The auto-calibration file (trr): a header line with the grid's three column
// headings, then one line per recorded point, "row;litres;level", no blanks,
// no quotes.  The level is the level display's text as it stood, so it need
// not be a number.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

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
