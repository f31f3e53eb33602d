#include "protocol/calibration_file.h"

QString calibration_file_header() {
    return kCalibrationColumns.join(u';');
}

QString calibration_point_line(int row, int64_t litres, const QString& level) {
    return QString::number(row) + QStringLiteral(";") + QString::number(litres) +
           QStringLiteral(";") + level;
}

std::optional<CalibrationLine> split_calibration_line(const QString& line) {
    const qsizetype first = line.indexOf(u';');
    if (first < 0) return std::nullopt;
    const qsizetype second = line.indexOf(u';', first + 1);
    if (second < 0) return std::nullopt;
    return CalibrationLine{line.left(first), line.mid(first + 1, second - first - 1),
                           line.mid(second + 1)};
}
