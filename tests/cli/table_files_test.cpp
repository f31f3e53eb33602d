// zorvik-cli's table fit, export and import on files, as an installer runs
// them: a recording fitted, the table out in every format and back.
#include "protocol/cp1251.h"

#include "cli_process.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

TEST(CliTableFiles, FromTheRecordingToThePlatformAndBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    auto at = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    // 60 portions of 250 l into a horizontal cylinder; the level reads no
    // data once, and the first three portions stay below the probe.
    QStringList rec{QStringLiteral("№ проции;Литры;Уровень")};
    for (int k = 0; k < 60; ++k) {
        const double litres = 250.0 * k, full = 250.0 * 59;
        double lo = 0, hi = 1; // the level as a share of the height
        for (int i = 0; i < 50; ++i) {
            const double h = (lo + hi) / 2, a = std::acos(1 - 2 * h);
            ((a - std::sin(2 * a) / 2) / std::acos(-1.0) < litres / full ? lo : hi) = h;
        }
        const QString level = k == 20 ? QStringLiteral("Нет данных")
                                      : QString::number(40 + std::lround(900 * std::max(lo, 0.08)));
        rec << QStringLiteral("%1;%2;%3").arg(k + 1).arg(k * 250).arg(level);
    }
    ASSERT_TRUE(write_file(at("rec.trr"), cp1251_lines(rec)));

    const Outcome shown = run_cli({"table", "fit", at("rec.trr")}, log_dir);
    ASSERT_EQ(shown.status, 0) << show(shown);
    const QStringList lines = shown.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 21) << show(shown);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^max error \\d+\\.\\d l \\(\\d+\\.\\d % of "
                                                  "14750 l\\) at level \\d+$"))
                    .match(lines[20])
                    .hasMatch())
        << show(shown);
    EXPECT_TRUE(shown.err.contains("Пропущены строки, где уровень не число: 22 (Нет данных)."))
        << show(shown);
    EXPECT_TRUE(shown.err.contains("Строки с одним уровнем слиты, взята последняя: 2-"))
        << show(shown);
    EXPECT_EQ(shown.log_files, 0);

    const Outcome saved = run_cli({"table", "fit", at("rec.trr"), "--out", at("fit.zvk")}, log_dir);
    ASSERT_EQ(saved.status, 0) << show(saved);
    EXPECT_EQ(saved.out, lines[20] + u'\n');
    QStringList readings, litres;
    for (const QString& l : lines.mid(0, 20)) {
        readings << l.section(u' ', 0, 0);
        litres << l.section(u' ', 1, 1);
    }
    const QByteArray zvk = read_file(at("fit.zvk"));
    EXPECT_EQ(zvk, cp1251_lines(readings + litres));

    struct Way {
        QStringList export_options;
        const char* format;
        QByteArray starts; // the exported file's first bytes
    };
    const Way ways[] = {
        {{}, "xy", "0\t0\n" + readings[0].toLatin1() + '\t' + litres[0].toLatin1() + '\n'},
        {{"--sep", "\\t", "--encoding", "cp1251"}, "csv", "reading\tlitres\n0\t0\n"},
        {{"--sep", ","}, "csv", "reading,litres\n0,0\n"},
        {{}, "json", "[\n  {\"in\": 0, \"out\": 0},\n"},
        {{}, "segments", "[\n  {\"x\": 0, \"a\": "},
    };
    for (const Way& w : ways) {
        SCOPED_TRACE(w.format);
        const QString out = at("out.txt"), back = at("back.zvk");
        QFile::remove(back);
        const Outcome e = run_cli(
            QStringList{"table", "export", at("fit.zvk"), "--format", w.format, "--out", out} +
                w.export_options,
            log_dir);
        ASSERT_EQ(e.status, 0) << show(e);
        EXPECT_TRUE(e.out.isEmpty()) << show(e);
        EXPECT_TRUE(read_file(out).startsWith(w.starts)) << read_file(out).toStdString();
        const Outcome i =
            run_cli({"table", "import", out, "--format", w.format, "--out", back}, log_dir);
        ASSERT_EQ(i.status, 0) << show(i);
        EXPECT_EQ(read_file(back), zvk);
        EXPECT_EQ(i.out,
                  QStringLiteral("max error 0.0 l (0.0 % of %1 l) at level 0\n").arg(litres[19]));
    }

    // Every usable recorded point goes to the platform, without the fit.
    const Outcome all = run_cli({"table", "export", at("rec.trr"), "--format", "json"}, log_dir);
    ASSERT_EQ(all.status, 0) << show(all);
    EXPECT_EQ(all.out.count(QStringLiteral("\"in\"")), 59 - 2) << show(all); // one no-data, merged

    // Bad input writes nothing.
    ASSERT_TRUE(write_file(at("bad.txt"), "0\t0\n10\t5\n8\t6\n"));
    const Outcome bad = run_cli(
        {"table", "import", at("bad.txt"), "--format", "xy", "--out", at("never.zvk")}, log_dir);
    EXPECT_EQ(bad.status, 2) << show(bad);
    EXPECT_TRUE(bad.err.contains("bad.txt: Строка 3: показания 8 не больше предыдущих 10"))
        << show(bad);
    EXPECT_FALSE(QFileInfo::exists(at("never.zvk")));
    EXPECT_TRUE(bad.out.isEmpty());
}
