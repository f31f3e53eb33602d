#include "tables/platform_files.h"

#include "i18n/language.h"
#include "link/text_files.h"

namespace {
Error unreadable(const QString& path, const QString& why) {
    return Error{
        ErrorKind::BadInput,
        fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось прочитать файл %1: %2"), {path, why})};
}
Error in_file(const QString& path, const Error& e) {
    return Error{e.kind, path + QStringLiteral(": ") + e.text};
}
} // namespace

Result<RecordedPoints> read_recording(const QString& path) {
    QStringList lines;
    QString why;
    if (!read_cp1251_lines(path, kRecordingMaxBytes, &lines, &why)) return unreadable(path, why);
    Result<RecordedPoints> r = recorded_points(lines);
    if (!r) return in_file(path, r.error());
    return r;
}

Result<CalibrationTable> read_table_file(const QString& path) {
    QStringList lines;
    QString why;
    if (!read_cp1251_lines(path, kTableFileMaxBytes, &lines, &why)) return unreadable(path, why);
    const Result<QStringList> cells = zvk_cells_from_lines(lines);
    if (!cells) return in_file(path, cells.error());
    if (cells->isEmpty())
        return Error{ErrorKind::BadInput,
                     fill_text(QT_TRANSLATE_NOOP("Messages", "Файл таблицы пуст: %1"), {path})};
    Result<CalibrationTable> t = CalibrationTable::from_texts(*cells);
    if (!t) return in_file(path, t.error());
    return t;
}

Result<std::vector<TablePoint>> read_platform_file(const QString& path, PlatformFormat f) {
    QByteArray bytes;
    QString why;
    if (!read_regular_file(path, kPlatformFileMaxBytes, &bytes, &why)) return unreadable(path, why);
    Result<std::vector<TablePoint>> points = read_platform_table(bytes, f);
    if (!points) return in_file(path, points.error());
    return points;
}
