// zorvik-cli check-refuel and report as an installer runs them: the verdict
// and its exit status, and the certificate printed with and without a sensor.
#include "cli_process.h"

#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Point k reads 100 + 100k and holds 20 + 20k litres: 2 % of 400 l are 8 l.
QByteArray straight_zvk() {
    QStringList readings, litres;
    for (int k = 0; k < 20; ++k) {
        readings << QString::number(100 + 100 * k);
        litres << QString::number(20 + 20 * k);
    }
    return cp1251_lines(readings + litres);
}

QString pdf_text(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

TEST(CliCertificate, CheckRefuelSaysTheVerdictInItsStatus) {
    QTemporaryDir dir;
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    const QString zvk = dir.filePath(QStringLiteral("t.zvk"));
    ASSERT_TRUE(write_file(zvk, straight_zvk()));
    QByteArray falling = straight_zvk();
    falling.replace("300\r\n", "50\r\n");
    const QString bad = dir.filePath(QStringLiteral("bad.zvk"));
    ASSERT_TRUE(write_file(bad, falling));
    const struct {
        QStringList args;
        int status;
        const char* out;
    } rows[] = {
        // 50 -> 10 l (below point 0), 1000 -> 200 l: 190 l predicted.
        {{"--table", zvk, "--before", "50", "--after", "1000", "--litres", "182"},
         0,
         "predicted 190.0 l, added 182 l, difference 8.0 l (2.0 %): годно\n"},
        {{"--table", zvk, "--before", "50", "--after", "1000", "--litres", "181,5"},
         3,
         "predicted 190.0 l, added 181.5 l, difference 8.5 l (2.1 %): не годно\n"},
        {{"--table", zvk, "--before", "50", "--after", "1000", "--litres", "181,5", "--tolerance",
          "3"},
         0,
         "predicted 190.0 l, added 181.5 l, difference 8.5 l (2.1 %): годно\n"},
        // Above point 19 the table holds its top.
        {{"--table", zvk, "--before", "1900", "--after", "9000", "--litres", "20"},
         0,
         "predicted 20.0 l, added 20 l, difference 0.0 l (0.0 %): годно\n"},
        {{"--table", zvk, "--before", "50", "--after", "1000", "--litres", "много"}, 2, ""},
        {{"--table", zvk, "--before", "-5", "--after", "1000", "--litres", "10"}, 2, ""},
        {{"--table", zvk, "--before", "50", "--litres", "10"}, 2, ""},
        {{"--table", bad, "--before", "50", "--after", "1000", "--litres", "10"}, 2, ""},
        {{"--table", dir.filePath(QStringLiteral("none.zvk")), "--before", "50", "--after", "1000",
          "--litres", "10"},
         2,
         ""},
    };
    for (const auto& r : rows) {
        const Outcome o = run_cli(QStringList{QStringLiteral("check-refuel")} + r.args, log_dir);
        EXPECT_EQ(o.status, r.status) << show(o);
        EXPECT_EQ(o.out.toStdString(), r.out) << show(o);
        EXPECT_EQ(o.log_files, 0);
    }
}

TEST(CliCertificate, ReportWithTheSensorFromTheSimulatedLineAndWithout) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (Debian's poppler-utils) is not installed";
    QTemporaryDir dir;
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    auto at = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    QStringList rec{QStringLiteral("№ проции;Литры;Уровень")};
    for (int k = 0; k < 30; ++k)
        rec << QStringLiteral("%1;%2;%3").arg(k + 1).arg(20 * k).arg(100 * k);
    ASSERT_TRUE(write_file(at("rec.trr"), cp1251_lines(rec)));

    const QString link = at("line");
    ZorvikSim sim(link, {QStringLiteral("12:176")});
    ASSERT_TRUE(sim.ready());
    const Outcome read = run_cli({"--port", link, "--address", "12", "report", "--recording",
                                  at("rec.trr"), "--engineer", "Петров", "--before", "100",
                                  "--after", "900", "--litres", "160", "--out", at("s.pdf")},
                                 log_dir);
    ASSERT_EQ(read.status, 0) << show(read);
    EXPECT_TRUE(in_order(read.log, {"Cmd_ReadTable: ", "Com Port " + link + " Closed"}))
        << show(read);
    const QString sensor = pdf_text(at("s.pdf"));
    for (const char* expected : {"Прошивка: 1.7.6", "Таблица датчика (датчик 12)", "Петров",
                                 "Страница 1 из 2", "допуск 2 %:"})
        EXPECT_TRUE(sensor.contains(QString::fromUtf8(expected))) << expected;

    // Without a port: the fit of the recording, the sensor unknown, no run log.
    const Outcome offline =
        run_cli({"report", "--recording", at("rec.trr"), "--out", at("f.pdf")}, log_dir);
    ASSERT_EQ(offline.status, 0) << show(offline);
    EXPECT_EQ(offline.log_files, 0);
    const QString fitted = pdf_text(at("f.pdf"));
    EXPECT_TRUE(fitted.contains(QStringLiteral("Серийный номер: — Прошивка: —")))
        << fitted.toStdString();
    EXPECT_TRUE(fitted.contains(QStringLiteral("Таблица датчика (расчёт по записи rec.trr)")));
    EXPECT_TRUE(fitted.contains(QStringLiteral("Не проводилась.")));

    // Refused before anything is read or written.
    rec << QStringLiteral("31;620;5");
    ASSERT_TRUE(write_file(at("falls.trr"), cp1251_lines(rec)));
    for (const QStringList& args :
         {QStringList{"report", "--recording", at("falls.trr"), "--out", at("x.pdf")},
          QStringList{"report", "--recording", at("rec.trr"), "--out", at("no/x.pdf")},
          QStringList{"report", "--recording", at("rec.trr"), "--before", "5", "--out",
                      at("x.pdf")}}) {
        const Outcome o = run_cli(args, log_dir);
        EXPECT_EQ(o.status, 2) << show(o);
        EXPECT_FALSE(QFile::exists(at("x.pdf")));
    }
}

} // namespace
