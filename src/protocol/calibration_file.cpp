#include "protocol/calibration_file.h"

#include "i18n/language.h"
#include "protocol/calibration_table.h"
#include "protocol/table_fit.h"

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

namespace {
// A whole number as the recording writes it: digits, perhaps a minus.
std::optional<int64_t> whole(const QString& text) {
    const QString s = text.trimmed();
    if (s.isEmpty() || s.size() > 12) return std::nullopt;
    for (qsizetype i = 0; i < s.size(); ++i)
        if (!s[i].isDigit() && !(i == 0 && s[i] == u'-' && s.size() > 1)) return std::nullopt;
    return s.toLongLong();
}

Error bad_line(int line, const QString& why) {
    return Error{ErrorKind::BadInput, fill_text(QT_TRANSLATE_NOOP("Messages", "Строка %1: %2"),
                                                {QString::number(line), why})};
}
} // namespace

Result<RecordedPoints> recorded_points(const QStringList& lines) {
    RecordedPoints r;
    std::vector<int> from_line; // the file line of each kept point
    int run_start = 0;          // the first line of the run the last point ends
    const int max = CalibrationTable::kMaxValue;
    auto close_run = [&] {
        if (!from_line.empty() && run_start != from_line.back())
            r.merged << fill_text(QT_TRANSLATE_NOOP("Messages", "%1-%2 (уровень %3)"),
                                  {QString::number(run_start), QString::number(from_line.back()),
                                   QString::number(r.points.back().reading)});
    };
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const int line = int(i) + 1;
        if (lines[i].trimmed().isEmpty()) continue;
        const std::optional<CalibrationLine> fields = split_calibration_line(lines[i]);
        if (!fields)
            return bad_line(line,
                            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "нет двух \";\"")));
        const std::optional<int64_t> level = whole(fields->level);
        if (!level) {
            r.skipped << QStringLiteral("%1 (%2)").arg(line).arg(fields->level.trimmed());
            continue;
        }
        const std::optional<int64_t> litres = whole(fields->litres);
        if (!litres)
            return bad_line(line,
                            fill_text(QT_TRANSLATE_NOOP("Messages", "литры \"%1\" не целое число"),
                                      {fields->litres}));
        if (*level < 0 || *level > max || *litres < 0 || *litres > max)
            return bad_line(line, fill_text(QT_TRANSLATE_NOOP("Messages", "значение вне 0..%1"),
                                            {QString::number(max)}));
        const TablePoint p{int(*level), int(*litres)};
        if (!r.points.empty()) {
            const TablePoint& prev = r.points.back();
            if (p.reading < prev.reading)
                return bad_line(
                    line, fill_text(QT_TRANSLATE_NOOP("Messages",
                                                      "уровень %1 ниже, чем в строке %2 (%3)"),
                                    {QString::number(p.reading), QString::number(from_line.back()),
                                     QString::number(prev.reading)}));
            if (p.litres < prev.litres)
                return bad_line(
                    line, fill_text(QT_TRANSLATE_NOOP("Messages",
                                                      "литров %1 меньше, чем в строке %2 (%3)"),
                                    {QString::number(p.litres), QString::number(from_line.back()),
                                     QString::number(prev.litres)}));
            if (p.reading == prev.reading) {
                r.points.back() = p;
                from_line.back() = line;
                continue;
            }
        }
        close_run();
        r.points.push_back(p);
        from_line.push_back(line);
        run_start = line;
    }
    close_run();
    if (r.points.size() < 2)
        return Error{
            ErrorKind::BadInput,
            QString::fromUtf8(QT_TRANSLATE_NOOP(
                "Messages", "В записи меньше двух строк с уровнем: таблицу не из чего строить."))};
    return r;
}

QString recorded_points_notice(const RecordedPoints& r) {
    QStringList parts;
    if (!r.skipped.isEmpty())
        parts << fill_text(
            QT_TRANSLATE_NOOP("Messages", "Пропущены строки, где уровень не число: %1."),
            {r.skipped.join(QStringLiteral(", "))});
    if (!r.merged.isEmpty())
        parts << fill_text(
            QT_TRANSLATE_NOOP("Messages", "Строки с одним уровнем слиты, взята последняя: %1."),
            {r.merged.join(QStringLiteral(", "))});
    return parts.join(u'\n');
}
