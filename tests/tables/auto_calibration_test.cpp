// Auto-calibration by portions: the grid, the portion, the calibration file
// with each point on disk when it is recorded, and resuming from the file.
#include "table_rig.h"

#include "file_size_limit.h"
#include "protocol/calibration_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {
struct CalRig : TableRig {
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    void start_new(const QString& portion, const QString& file) {
        dialogs.inputs.push_back(portion);
        dialogs.files.push_back(file);
        f.Command11.click();
    }
    void resume(const QString& file) {
        dialogs.files.push_back(file);
        f.Command12.click();
    }
    void record(const QString& level) {
        f.Uroven.set_text(level);
        f.Command14.click();
    }
    // The data rows, "number|litres|level" each.
    QStringList grid() const {
        QStringList out;
        for (int r = 1; r < f.MSFlexGrid1.rows(); ++r)
            out << QStringList{f.MSFlexGrid1.cell(r, 0), f.MSFlexGrid1.cell(r, 1),
                               f.MSFlexGrid1.cell(r, 2)}
                       .join('|');
        return out;
    }
    QString file_text(const QString& p) const {
        QFile file(p);
        return file.open(QIODevice::ReadOnly) ? from_cp1251(file.readAll()) : QStringLiteral("-");
    }
    void write_file(const QString& p, const QString& text) const {
        QFile file(p);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(to_cp1251(text));
    }
};
const QString kHeader = QStringLiteral("№ проции;Литры;Уровень\r\n");
const QStringList kEmptyRows = {"||", "||", "||", "||", "||", "||", "||"};
} // namespace

TEST(AutoCalibration, NewCalibrationRecordsEachPointIntoTheFile) {
    CalRig r;
    const QString cal = r.path("bak 1.trr");
    r.start_new("50", cal);
    EXPECT_EQ(r.dialogs.prompts, QStringList({QStringLiteral("Ввод порции тарировки")}));
    EXPECT_EQ(r.dialogs.input_titles, QStringList({QStringLiteral("Автотарировка | 0")}));
    EXPECT_EQ(r.dialogs.choosers, QStringList({QStringLiteral("Схранить | tbl Files (*.trr)")}));
    EXPECT_EQ(r.f.step_zapr.text(), "50");
    EXPECT_EQ(r.f.tar_file_name.text(), "bak 1.trr");
    EXPECT_EQ(r.file_text(cal), kHeader);

    r.record("100");
    EXPECT_EQ(r.file_text(cal), kHeader + "1;0;100\r\n"); // on disk at once
    r.record("150");
    r.record(kNoData); // the display's own text goes in as it stands
    EXPECT_EQ(r.file_text(cal), kHeader + "1;0;100\r\n2;50;150\r\n3;100;" + kNoData + "\r\n");
    EXPECT_EQ(r.grid(),
              QStringList({"1|0|100", "2|50|150", "3|100|" + kNoData, "4|150|", "||", "||", "||"}));
    EXPECT_TRUE(r.dialogs.messages.empty());

    // "Изменить" to 40 while row 4 waits: 100 + 40.
    r.dialogs.inputs.push_back("40");
    r.f.ch_portion.click();
    EXPECT_EQ(r.f.step_zapr.text(), "40");
    EXPECT_EQ(r.f.MSFlexGrid1.cell(4, 1), "140");
    r.record("190");
    EXPECT_TRUE(r.file_text(cal).endsWith("4;140;190\r\n"));
    EXPECT_EQ(r.f.MSFlexGrid1.cell(5, 1), "180");
}

TEST(AutoCalibration, PortionAnswers) {
    struct Row {
        const char* answer; // nullptr: cancelled
        const char* shown;  // step_zapr afterwards (it was 7)
        bool refused;
    };
    const Row rows[] = {
        {"-20", "-20", false},     {"2.5", "2", false},   {"3.5", "4", false},
        {"32767", "32767", false}, {"0", "7", true},      {"abc", "7", true},
        {"32768", "7", true},      {"-32769", "7", true}, {"", "7", false},
        {nullptr, "7", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer ? row.answer : "cancel");
        CalRig r;
        r.dialogs.inputs.push_back("7");
        r.f.ch_portion.click();
        if (row.answer)
            r.dialogs.inputs.push_back(QString::fromUtf8(row.answer));
        else
            r.dialogs.inputs.push_back(std::nullopt);
        r.f.ch_portion.click();
        EXPECT_EQ(r.f.step_zapr.text(), row.shown);
        EXPECT_EQ(r.dialogs.texts(), row.refused
                                         ? QStringList{QStringLiteral("Неверное значение порции")}
                                         : QStringList{});
    }
}

TEST(AutoCalibration, ResumeInfersThePortionOrAsksForIt) {
    struct Row {
        const char* what;
        QString lines;                // after the header
        std::optional<QString> asked; // answer to the portion prompt, if one is expected
        QString portion;              // step_zapr afterwards
        QString waiting;              // litres of the row that waits
    };
    const Row rows[] = {
        {"three points", "1;0;100\r\n2;50;150\r\n3;100;200\r\n", std::nullopt, "50", "150"},
        {"draining", "1;300;900\r\n2;280;850\r\n", std::nullopt, "-20", "260"},
        {"header only", "", QStringLiteral("30"), "30", "0"},
        {"one point", "1;10;120\r\n", QStringLiteral("25"), "25", "35"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CalRig r;
        const QString cal = r.path("resume.trr");
        r.write_file(cal, kHeader + row.lines);
        if (row.asked) r.dialogs.inputs.push_back(*row.asked);
        r.resume(cal);
        EXPECT_EQ(r.dialogs.choosers, QStringList({QStringLiteral("Открыть | tbl Files (*.trr)")}));
        EXPECT_EQ(r.dialogs.prompts.size(), row.asked ? 1 : 0);
        EXPECT_TRUE(r.dialogs.messages.empty()) << r.dialogs.texts().join('\n').toStdString();
        EXPECT_EQ(r.f.step_zapr.text(), row.portion);
        EXPECT_EQ(r.f.tar_file_name.text(), "resume.trr");
        const int waiting = int(row.lines.count('\n')) + 1;
        EXPECT_EQ(r.f.MSFlexGrid1.cell(waiting, 0), QString::number(waiting));
        EXPECT_EQ(r.f.MSFlexGrid1.cell(waiting, 1), row.waiting);
        // The next point goes on at the end of the same file.
        r.record("999");
        EXPECT_EQ(r.file_text(cal),
                  kHeader + row.lines + QString::number(waiting) + ";" + row.waiting + ";999\r\n");
    }
}

TEST(AutoCalibration, ResumeOfABadFileSaysSoAndRecordsNowhere) {
    struct Row {
        const char* what;
        QString text; // the whole file; "-" for none
        QStringList grid;
    };
    const Row rows[] = {
        {"missing", "-", {"1|0|", "||", "||", "||", "||", "||", "||"}},
        {"empty", "", {"1|0|", "||", "||", "||", "||", "||", "||"}},
        {"line without two ;",
         kHeader + "1;0;100\r\n2;50\r\n",
         {"1|0|100", "2|0|", "||", "||", "||", "||", "||"}},
        {"litres not a number",
         kHeader + "1;0;100\r\n2;x;150\r\n",
         {"1|0|100", "2|x|150", "3|0|", "||", "||", "||", "||"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CalRig r;
        const QString old = r.path("old.trr");
        r.start_new("10", old);
        r.record("5");
        const QString cal = r.path("bad.trr");
        if (row.text != "-") r.write_file(cal, row.text);
        r.resume(cal);
        EXPECT_EQ(r.dialogs.texts(), QStringList({QStringLiteral("Нет такого файла")}));
        EXPECT_EQ(r.grid(), row.grid);
        EXPECT_EQ(r.f.tar_file_name.text(), "");
        r.record("7"); // neither the old file nor the bad one gets it
        EXPECT_EQ(r.dialogs.texts().last(), QStringLiteral("нет файла для записи"));
        EXPECT_EQ(r.file_text(old), kHeader + "1;0;5\r\n");
        EXPECT_EQ(r.file_text(cal), row.text == "-" ? QStringLiteral("-") : row.text);
    }
}

TEST(AutoCalibration, GridGrowsPastSevenRowsAndResetShrinksIt) {
    CalRig r;
    const QString cal = r.path("long.trr");
    r.start_new("10", cal);
    EXPECT_EQ(r.grid(), QStringList({"1|0|", "||", "||", "||", "||", "||", "||"}));
    for (int i = 1; i <= 8; ++i) r.record(QString::number(i * 100));
    EXPECT_EQ(r.f.MSFlexGrid1.rows(), 10); // header, 8 points, row 9 waiting
    EXPECT_EQ(r.grid().last(), "9|80|");
    EXPECT_EQ(r.f.MSFlexGrid1.shown_row(), 9);

    // Cancelled chooser: the reset stays, the old file stays in use.
    r.dialogs.inputs.push_back("5");
    r.f.Command11.click();
    EXPECT_EQ(r.grid(), QStringList({"1|0|", "||", "||", "||", "||", "||", "||"}));
    EXPECT_EQ(r.f.tar_file_name.text(), "long.trr");
    r.record("42");
    EXPECT_TRUE(r.file_text(cal).endsWith("8;70;800\r\n1;0;42\r\n"));
}

TEST(AutoCalibration, TheFileKeepsItsPathWhateverOtherChoosersPick) {
    CalRig r;
    const QString cal = r.path("cal.trr");
    r.start_new("10", cal);
    QDir().mkpath(r.path("elsewhere"));
    r.dialogs.files.push_back(r.path("elsewhere/t.zvk"));
    r.t.fTablSave.click();
    r.f.chosen_file = r.path("elsewhere/fw.cri"); // the firmware chooser's path
    r.record("1");
    EXPECT_EQ(r.file_text(cal), kHeader + "1;0;1\r\n");
}

TEST(AutoCalibration, FailedWritesAreReportedAtOnceAndThePointWaits) {
    CalRig r;
    r.record("1");
    EXPECT_EQ(r.dialogs.texts(), QStringList({QStringLiteral("нет файла для записи")}));

    // A file that cannot be created (not even by root).
    r.dialogs.messages.clear();
    r.start_new("10", "/proc/zorvik-test.trr");
    EXPECT_EQ(r.dialogs.texts(), QStringList({QStringLiteral("Неверное значение порции")}));
    EXPECT_EQ(r.f.tar_file_name.text(), "");

    // A full disk, then room again; then the file disappears.
    const QString cal = r.path("cal.trr");
    r.start_new("10", cal);
    r.record("1");
    r.dialogs.messages.clear();
    {
        FileSizeLimit full(QFileInfo(cal).size() + 3); // part of the line fits
        r.record("22");
    }
    ASSERT_EQ(r.dialogs.messages.size(), 1u);
    EXPECT_TRUE(r.dialogs.texts()[0].startsWith(QStringLiteral("Точка 2 не записана в файл ")));
    EXPECT_EQ(r.grid()[1], "2|10|");                    // still waiting
    EXPECT_EQ(r.file_text(cal), kHeader + "1;0;1\r\n"); // no half line left behind
    r.record("22");
    EXPECT_EQ(r.file_text(cal), kHeader + "1;0;1\r\n2;10;22\r\n");
    QFile::remove(cal);
    r.record("3");
    EXPECT_TRUE(r.dialogs.texts().last().startsWith(QStringLiteral("Точка 3 не записана")));
    EXPECT_FALSE(QFile::exists(cal)); // never re-created without its header
}

TEST(CalibrationFileLines, SplitAtTheFirstTwoSemicolons) {
    EXPECT_EQ(calibration_file_header(), QStringLiteral("№ проции;Литры;Уровень"));
    EXPECT_EQ(calibration_point_line(3, -40, "Нет данных"), QStringLiteral("3;-40;Нет данных"));
    const auto l = split_calibration_line("1;2;a;b");
    ASSERT_TRUE(l);
    EXPECT_EQ(QStringList({l->row, l->litres, l->level}), QStringList({"1", "2", "a;b"}));
    EXPECT_TRUE(split_calibration_line(";;"));
    EXPECT_FALSE(split_calibration_line("1;2"));
    EXPECT_FALSE(split_calibration_line(""));
}
