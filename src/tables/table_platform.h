#pragma once
// The table window's way from a recording to a fleet platform and back:
// "Из тарировки…", "Экспорт…" and "Импорт…".  Nothing is sent to the
// sensor; writing the cells stays the window's own write.
#include <QString>

struct Configurator;

// The choosers' kinds of platform file, one per format.
inline const QString kPlatformFilters =
    QStringLiteral("XY (*.txt);;CSV (*.csv);;JSON (*.json);;") +
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Отрезки JSON (*.json)"));

// Fits the cells to a recording and shows the max error under the table.
void table_from_recording(Configurator& c);
// Saves the cells as a platform table, in the format of the chosen filter.
void export_table(Configurator& c);
// Fits the cells to a platform table, in the format of the chosen filter.
void import_table(Configurator& c);
