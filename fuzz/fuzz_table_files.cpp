// Table (zvk) and auto-calibration (trr) files, opened through the table
// window and the calibration tab as a user opens them.  A table file loads
// whole blocks of 40 lines (its last block) or leaves the window as it was; a
// loaded table saves to a file that loads back the same.  A calibration file
// fills one grid row per point, split at its first two ";", and is taken for
// recording only when it loaded in full.
#include "fuzz_support.h"

#include "configurator_rig.h"
#include "protocol/calibration_file.h"
#include "protocol/calibration_table.h"
#include "tables/auto_calibration.h"
#include "tables/table_exchange.h"
#include "tables/table_window.h"

namespace {

void write_file(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0;
    const QByteArray bytes = fuzz_bytes(data, size);
    const QStringList lines = split_lines(from_cp1251(bytes));

    // The pure parts: blocks of 40, and calibration lines.
    const auto block = zvk_cells_from_lines(lines);
    FUZZ_CHECK(block.ok() == (lines.size() % CalibrationTable::kZvkLines == 0));
    if (block) FUZZ_CHECK(*block == lines.mid(lines.size() - (lines.isEmpty() ? 0 : 40)));
    if (block && !block->isEmpty()) {
        const auto table = CalibrationTable::from_texts(*block);
        if (table) {
            for (int k = 0; k < 40; ++k)
                FUZZ_CHECK(CalibrationTable::value_of((*block)[k]) ==
                           table->to_texts()[k].toUShort());
            FUZZ_CHECK(CalibrationTable::from_payload(table->to_payload()).value() == *table);
        }
    }
    for (const QString& line : lines) {
        const auto p = split_calibration_line(line);
        FUZZ_CHECK(p.has_value() == (line.count(u';') >= 2));
        if (!p) continue;
        FUZZ_CHECK(!p->row.contains(u';') && !p->litres.contains(u';'));
        FUZZ_CHECK(p->row + u';' + p->litres + u';' + p->level == line);
        const auto again = split_calibration_line(calibration_point_line(7, -12, p->level));
        FUZZ_CHECK(again && again->row == u"7" && again->litres == u"-12" &&
                   again->level == p->level);
    }

    ConfiguratorRig rig;
    const QString path = rig.dir.filePath(QStringLiteral("input.zvk"));
    write_file(path, bytes);

    // The table window.
    wire_tables(rig.c);
    const QStringList before = cell_texts(rig.c.table_window);
    rig.dialogs.files.push_back(path);
    fTablOpen_Click(rig.c);
    const QStringList after = cell_texts(rig.c.table_window);
    if (block && !block->isEmpty())
        FUZZ_CHECK(after == *block);
    else
        FUZZ_CHECK(after == before);
    const QString saved = rig.dir.filePath(QStringLiteral("saved.zvk"));
    rig.dialogs.files.push_back(saved);
    fTablSave_Click(rig.c);
    rig.dialogs.files.push_back(saved);
    fTablOpen_Click(rig.c);
    QStringList expected;
    for (const QString& cell : after) expected.append(from_cp1251(to_cp1251(cell)));
    FUZZ_CHECK(cell_texts(rig.c.table_window) == expected);

    // The calibration tab.
    MainForm& f = rig.f;
    rig.dialogs.files.push_back(path);
    resume_calibration_Click(rig.c);
    bool whole = !lines.isEmpty();
    for (qsizetype i = 1; i < lines.size() && whole; ++i)
        whole = split_calibration_line(lines[i]).has_value();
    if (f.autocal_file == path) {
        FUZZ_CHECK(whole && f.autocal_row == lines.size());
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const auto p = split_calibration_line(lines[i]);
            FUZZ_CHECK(f.autocal_grid.cell(int(i), 0) == p->row &&
                       f.autocal_grid.cell(int(i), 2) == p->level);
        }
    } else {
        FUZZ_CHECK(f.autocal_file.isEmpty());
    }
    // The grid holds the points and the row being prepared, no more.
    FUZZ_CHECK(f.autocal_row >= 1 && f.autocal_grid.rows() <= std::max(9, f.autocal_row + 1));
    return 0;
}
