#include "tables/table_window.h"

#include "exchange/configurator.h"
#include "i18n/language.h"
#include "link/text_files.h"
#include "protocol/calibration_table.h"
#include "tables/auto_calibration.h"
#include "tables/table_exchange.h"
#include "tables/table_platform.h"
#include "ui/dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>

QString program_folder() {
    return QCoreApplication::applicationDirPath();
}

void fTablOpen_Click(Configurator& c) {
    const QString path =
        c.dialogs.open_file(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Открыть")),
                            kTableFileFilter, program_folder());
    if (path.isEmpty()) return;

    QStringList lines;
    QString why;
    if (!read_cp1251_lines(path, kTableFileMaxBytes, &lines, &why)) {
        c.dialogs.message(fill_text(
            QT_TRANSLATE_NOOP("Messages",
                              "Не удалось прочитать файл таблицы %1: %2. Таблица не изменена."),
            {path, why}));
        return;
    }
    // Whole blocks of 40 lines or nothing: a table is never half loaded.
    const Result<QStringList> cells = zvk_cells_from_lines(lines);
    if (!cells) {
        c.dialogs.message(cells.error().text);
        return;
    }
    if (cells->isEmpty()) return; // an empty file has nothing to load
    set_cell_texts(c.table_window, *cells);
    c.table_window.set_source(QFileInfo(path).fileName(), false);
}

void fTablSave_Click(Configurator& c) {
    const QString path =
        c.dialogs.save_file(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Схранить")),
                            kTableFileFilter, program_folder());
    if (path.isEmpty()) return;
    QString why;
    if (!write_cp1251_lines(path, cell_texts(c.table_window), &why))
        c.dialogs.message(fill_text(
            QT_TRANSLATE_NOOP("Messages", "Таблица не сохранена в файл %1: %2"), {path, why}));
    else
        c.table_window.set_source(QFileInfo(path).fileName(), false);
}

void wire_tables(Configurator& c) {
    TableForm& t = c.table_window;
    MainForm& f = c.frmSerial;
    t.rdTable.on_click = [&c] { rdt(c); };
    t.wrmyTable.on_click = [&c] { wrmyTable_Click(c); };
    t.fTablOpen.on_click = [&c] { fTablOpen_Click(c); };
    t.fTablSave.on_click = [&c] { fTablSave_Click(c); };
    t.close_window.on_click = [&t] { t.set_visible(false); };
    t.from_recording.on_click = [&c] { table_from_recording(c); };
    t.export_table.on_click = [&c] { export_table(c); };
    t.import_table.on_click = [&c] { import_table(c); };
    t.tartab.on_click = [&t, &f] { f.tartab1.set_value(t.tartab.value()); };
    t.per_sents.on_click = [&t, &f] { f.per_sents.set_value(t.per_sents.value()); };
    f.open_table.on_click = [&c] { open_table_Click(c); };
    wire_auto_calibration(c);
    listen_for_tables(c);
}
