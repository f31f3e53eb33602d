#include "tables/auto_calibration.h"

#include "exchange/configurator.h"
#include "i18n/language.h"
#include "link/text_files.h"
#include "protocol/calibration_file.h"
#include "protocol/cp1251.h"
#include "protocol/numbers.h"
#include "tables/table_window.h"
#include "ui/dialogs.h"

#include <QFile>
#include <QFileInfo>

namespace {
constexpr int kKeptRows = 7; // data rows a reset keeps
constexpr int kRowCol = 0, kLitresCol = 1, kLevelCol = 2;
constexpr qint64 kMaxCalibrationFileBytes = kRecordingMaxBytes;

const QString kFilter = QStringLiteral("tbl Files (*.trr)");
const QString kBadPortion =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Неверное значение порции"));
const QString kNoSuchFile = QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Нет такого файла"));

void reset(MainForm& f) {
    f.autocal_row = 1;
    f.autocal_litres = 0;
    Grid& g = f.autocal_grid;
    g.set_rows(kKeptRows + 1);
    // The level cells are emptied as well: a level left over from an earlier
    // calibration beside a new row number would read as recorded.
    for (int r = 1; r <= kKeptRows; ++r)
        for (int col : {kRowCol, kLitresCol, kLevelCol}) g.set_cell(r, col, {});
    g.show_row(0);
}

// The current row shows its number and, in advance, its litres.
void prepare_row(MainForm& f) {
    Grid& g = f.autocal_grid;
    const int row = f.autocal_row;
    if (row > kKeptRows) {
        if (g.rows() <= row) g.set_rows(row + 1);
        g.show_row(row);
    }
    g.set_cell(row, kLitresCol, QString::number(f.autocal_litres));
    g.set_cell(row, kRowCol, QString::number(row));
}

void set_portion(MainForm& f, int16_t portion) {
    f.autocal_portion = portion;
    f.step_zapr.set_text(QString::number(portion));
}

// The litres the current row waits for; false when they leave the 32-bit range.
bool set_waiting_litres(MainForm& f, int64_t litres) {
    if (!fits_int32(litres)) return false;
    f.autocal_litres = int32_t(litres);
    f.autocal_grid.set_cell(f.autocal_row, kLitresCol, QString::number(litres));
    return true;
}

// The file points go to, shown by its name; an empty path sets none.
void set_file(MainForm& f, const QString& path) {
    f.autocal_file = path;
    f.tar_file_name.set_text(path.isEmpty() ? QString() : QFileInfo(path).fileName());
}

std::optional<int32_t> litres_cell(const MainForm& f, int row) {
    const std::optional<int64_t> v = parse_whole_number(f.autocal_grid.cell(row, kLitresCol));
    if (!v || !fits_int32(*v)) return std::nullopt;
    return int32_t(*v);
}

enum class Asked { Cancelled, Invalid, Valid };
struct PortionAnswer {
    Asked status;
    int16_t value = 0;
};

PortionAnswer ask_portion(Configurator& c, bool zero_allowed) {
    const std::optional<QString> answer = c.dialogs.input_box(
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ввод порции тарировки")),
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Автотарировка")), QStringLiteral("0"));
    if (!answer || answer->trimmed().isEmpty()) return {Asked::Cancelled};
    const std::optional<int64_t> v = parse_whole_number(*answer);
    if (!v || !fits_int16(*v) || (*v == 0 && !zero_allowed)) return {Asked::Invalid};
    return {Asked::Valid, int16_t(*v)};
}

// Why the file cannot be read as a calibration file, or nothing.
QString read_calibration_file(const QString& path, QStringList* lines) {
    QString why;
    if (!read_cp1251_lines(path, kMaxCalibrationFileBytes, lines, &why)) return why;
    if (lines->isEmpty())
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "в файле нет строки заголовка"));
    return {};
}

// Appends one point; on a failure the file is cut back to where it was, so
// a half-written line never joins the next one.
QString append_point(const QString& path, const QString& line) {
    const QFileInfo info(path);
    // Appending would otherwise create a file without its header line, and a
    // resume would take the first point for the header.
    if (!info.isFile()) return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "файл не найден"));
    const qint64 before = info.size();
    QString why;
    if (append_and_sync(path, cp1251_lines({line}), &why)) return {};
    QFile::resize(path, before);
    return why.isEmpty() ? QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "ошибка записи")) : why;
}
} // namespace

void new_calibration_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    reset(f);
    prepare_row(f);
    // The grid starts a new series: recording on into the finished
    // calibration's file would mix two calibrations in one file, and a resume
    // would infer a portion from their join.  Until a new file is chosen
    // there is none, whatever answer or chooser is cancelled on the way.
    set_file(f, {});
    const PortionAnswer a = ask_portion(c, false);
    if (a.status == Asked::Cancelled) return;
    if (a.status == Asked::Invalid) {
        c.dialogs.message(kBadPortion);
        return;
    }
    set_portion(f, a.value);

    const QString path = c.dialogs.save_file(
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Схранить")), kFilter, program_folder());
    if (path.isEmpty()) return;
    QString why;
    if (!write_cp1251_lines(path, {calibration_file_header()}, &why)) {
        c.str_to_log(QStringLiteral("Файл тарировки ") + path + QStringLiteral(" не создан: ") +
                     why);
        c.dialogs.message(kBadPortion);
        return;
    }
    set_file(f, path);
}

void resume_calibration_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    const QString path = c.dialogs.open_file(
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Открыть")), kFilter, program_folder());
    if (path.isEmpty()) return;
    reset(f);
    prepare_row(f);
    // The grid now matches neither the file of before nor, until it has been
    // read through, this one: no point may be recorded into either meanwhile.
    set_file(f, {});
    const auto fail = [&c, &path](const QString& why) {
        c.str_to_log(QStringLiteral("Файл тарировки ") + path + QStringLiteral(" не загружен: ") +
                     why);
        c.dialogs.message(kNoSuchFile);
    };

    QStringList lines;
    if (const QString why = read_calibration_file(path, &lines); !why.isEmpty()) return fail(why);
    Grid& g = f.autocal_grid;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const std::optional<CalibrationLine> point = split_calibration_line(lines[i]);
        if (!point)
            return fail(fill_text(QT_TRANSLATE_NOOP("Messages", "в строке %1 нет двух \";\""),
                                  {QString::number(i + 1)}));
        if (!fits_int16(f.autocal_row + 1))
            return fail(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "слишком много строк")));
        const int row = f.autocal_row;
        g.set_cell(row, kRowCol, point->row);
        g.set_cell(row, kLitresCol, point->litres);
        g.set_cell(row, kLevelCol, point->level);
        f.autocal_row = int16_t(row + 1);
        prepare_row(f);
    }
    set_file(f, path);

    const int row = f.autocal_row;
    if (row <= 2) {
        // No point, or one: nothing to infer the portion from, so ask for it.
        // The first recording after a bare header gets 0 litres, the one
        // after a single point that point's litres plus the portion.
        std::optional<int32_t> last = 0;
        if (row == 2 && !(last = litres_cell(f, 1))) {
            set_file(f, {});
            return fail(
                QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "литры в строке 2 не число")));
        }
        const PortionAnswer a = ask_portion(c, true);
        if (a.status == Asked::Valid) set_portion(f, a.value);
        if (row == 2) set_waiting_litres(f, int64_t(*last) + f.autocal_portion);
        if (a.status == Asked::Invalid) c.dialogs.message(kNoSuchFile);
        return;
    }
    const std::optional<int32_t> last = litres_cell(f, row - 1);
    const std::optional<int32_t> before = litres_cell(f, row - 2);
    const int64_t portion = last && before ? int64_t(*last) - *before : 0;
    if (!last || !before || !fits_int16(portion) || !set_waiting_litres(f, *last + portion)) {
        // Recording on would write wrong litres into the file.
        set_file(f, {});
        return fail(QString::fromUtf8(
            QT_TRANSLATE_NOOP("Messages", "литры последних двух точек не дают порцию")));
    }
    set_portion(f, int16_t(portion));
}

void ch_portion_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    const PortionAnswer a = ask_portion(c, false);
    if (a.status == Asked::Cancelled) return;
    if (a.status == Asked::Invalid) {
        c.dialogs.message(kBadPortion);
        return;
    }
    set_portion(f, a.value);
    if (f.autocal_row <= 1) return;
    if (const std::optional<int32_t> before = litres_cell(f, f.autocal_row - 1))
        set_waiting_litres(f, int64_t(*before) + a.value);
}

void record_point_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    if (f.tar_file_name.text().isEmpty() || f.autocal_file.isEmpty()) {
        c.dialogs.message(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "нет файла для записи")));
        return;
    }
    const int row = f.autocal_row;
    const int64_t next_litres = int64_t(f.autocal_litres) + f.autocal_portion;
    QString why;
    if (!fits_int16(row + 1) || !fits_int32(next_litres))
        why = QString::fromUtf8(
            QT_TRANSLATE_NOOP("Messages", "номер строки или литры выходят за пределы"));
    const QString level = f.Uroven.text();
    if (why.isEmpty())
        why = append_point(f.autocal_file, calibration_point_line(row, f.autocal_litres, level));
    if (!why.isEmpty()) {
        // Said at once, while the tank still holds this portion: the row
        // waits, and the next recording tries it again.
        const QString text =
            fill_text(QT_TRANSLATE_NOOP("Messages", "Точка %1 не записана в файл %2: %3"),
                      {QString::number(row), f.autocal_file, why});
        c.str_to_log(text);
        c.dialogs.message(text, MsgIcon::Exclamation);
        return;
    }
    f.autocal_grid.set_cell(row, kLevelCol, level);
    f.autocal_row = int16_t(row + 1);
    f.autocal_litres = int32_t(next_litres);
    prepare_row(f);
}

void wire_auto_calibration(Configurator& c) {
    MainForm& f = c.frmSerial;
    f.new_calibration.on_click = [&c] { new_calibration_Click(c); };
    f.resume_calibration.on_click = [&c] { resume_calibration_Click(c); };
    f.ch_portion.on_click = [&c] { ch_portion_Click(c); };
    f.record_point.on_click = [&c] { record_point_Click(c); };
}
