#include "tables/table_platform.h"

#include "exchange/configurator.h"
#include "i18n/language.h"
#include "link/file_guard.h"
#include "tables/platform_files.h"
#include "tables/table_exchange.h"
#include "tables/table_window.h"
#include "ui/dialogs.h"

#include <QFileInfo>

namespace {

const QString kRecordingFilter = QStringLiteral("tbl Files (*.trr)");

PlatformFormat format_of(const QString& filter) {
    const QStringList filters = kPlatformFilters.split(QStringLiteral(";;"));
    const PlatformFormat formats[] = {PlatformFormat::Xy, PlatformFormat::Csv, PlatformFormat::Json,
                                      PlatformFormat::Segments};
    for (qsizetype i = 0; i < filters.size(); ++i)
        if (filters[i] == filter) return formats[i];
    return PlatformFormat::Xy;
}

void show_fit(Configurator& c, const QString& path, const Result<std::vector<TablePoint>>& points,
              const QString& notice) {
    if (!points) {
        c.dialogs.message(points.error().text);
        return;
    }
    const Result<TableFit> fit = fit_table(*points);
    if (!fit) {
        c.dialogs.message(path + QStringLiteral(": ") + fit.error().text);
        return;
    }
    TableForm& t = c.table_window;
    set_cell_texts(t, fit->table.to_texts());
    t.fit_result.set_text(notice.isEmpty() ? fit_summary(*fit)
                                           : fit_summary(*fit) + u'\n' + notice);
    t.fit_result.set_visible(true);
    t.set_source(QFileInfo(path).fileName(), false);
}

} // namespace

void table_from_recording(Configurator& c) {
    const QString path =
        c.dialogs.open_file(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Открыть")),
                            kRecordingFilter, program_folder());
    if (path.isEmpty()) return;
    const Result<RecordedPoints> r = read_recording(path);
    if (!r) return show_fit(c, path, r.error(), {});
    show_fit(c, path, r->points, recorded_points_notice(*r));
}

void export_table(Configurator& c) {
    // The cells are checked before a file is asked for.
    const Result<CalibrationTable> table = CalibrationTable::from_texts(cell_texts(c.table_window));
    const Result<std::vector<TablePoint>> points =
        table ? platform_points(*table) : Result<std::vector<TablePoint>>(table.error());
    if (!points) {
        c.dialogs.message(fill_text(QT_TRANSLATE_NOOP("Messages", "Таблица не экспортирована: %1"),
                                    {points.error().text}));
        return;
    }
    QString filter;
    const QString path =
        c.dialogs.save_file_of(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Экспорт таблицы")),
                               kPlatformFilters, program_folder(), &filter);
    if (path.isEmpty()) return;
    QString why;
    if (!write_whole_file(path, platform_table_bytes(*points, format_of(filter)), &why))
        c.dialogs.message(fill_text(
            QT_TRANSLATE_NOOP("Messages", "Таблица не экспортирована в файл %1: %2"), {path, why}));
}

void import_table(Configurator& c) {
    QString filter;
    const QString path =
        c.dialogs.open_file_of(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Импорт таблицы")),
                               kPlatformFilters, program_folder(), &filter);
    if (path.isEmpty()) return;
    show_fit(c, path, read_platform_file(path, format_of(filter)), {});
}
