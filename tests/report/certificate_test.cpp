// The certificate as the customer gets it: its text read back out of the PDF
// with pdftotext (poppler-utils), a recording long enough for three pages,
// the same pages for the same facts, and no file where it cannot be written.
#include "../support/file_faults.h"
#include "link/file_guard.h"
#include "protocol/cp1251.h"
#include "report/certificate_pdf.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Readings 100, 200 ... 2000 with 20, 40 ... 400 litres: 0.2 l a level step.
CalibrationTable straight_table() {
    CalibrationTable t;
    for (int k = 0; k < CalibrationTable::kPoints; ++k) {
        t.readings[size_t(k)] = uint16_t(100 * (k + 1));
        t.litres[size_t(k)] = uint16_t(20 * (k + 1));
    }
    return t;
}

// 90 rows: level 10, 30 ... 1790 with the table's litres, one litre more in
// every third row; row 45 read no data.
CertificateInputs inputs() {
    QStringList lines{QStringLiteral("№ проции;Литры;Уровень")};
    for (int k = 1; k <= 90; ++k) {
        const int level = 10 + 20 * (k - 1);
        const int litres = int(std::lround(0.2 * level)) + (k % 3 == 0 ? 1 : 0);
        lines << QStringLiteral("%1;%2;%3")
                     .arg(k)
                     .arg(litres)
                     .arg(k == 45 ? QStringLiteral("Нет данных") : QString::number(level));
    }
    CertificateInputs in;
    in.when = QDateTime(QDate(2026, 3, 14), QTime(10, 30));
    in.customer = QStringLiteral("ООО Ромашка");
    in.vehicle = QStringLiteral("КАМАЗ А123ВС");
    in.tank = QStringLiteral("правый");
    in.engineer = QStringLiteral("Петров П. П.");
    in.sensor.serial = QStringLiteral("24050012");
    in.recording_name = QStringLiteral("tank.trr");
    in.recording = cp1251_lines(lines);
    in.table = straight_table();
    in.table_source = QStringLiteral("датчик 12");
    in.refuel = check_refuel(straight_table(), 500, 1000, 98, 2).value();
    return in;
}

QString hex_sha256(const QByteArray& b) {
    return QString::fromLatin1(QCryptographicHash::hash(b, QCryptographicHash::Sha256).toHex());
}

TEST(Certificate, ThreePagesOfSearchableText) {
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext (Debian's poppler-utils) is not installed";
    const CertificateInputs in = inputs();
    const Result<CertificateFacts> facts = certificate_facts(in);
    ASSERT_TRUE(facts) << facts.error().text.toStdString();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("c.pdf"));
    QString why;
    ASSERT_TRUE(write_certificate(pdf, *facts, &why)) << why.toStdString();

    QProcess p;
    p.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(u'\f');
    ASSERT_EQ(pages.size(), 4) << "three pages and what follows the last"; // then ""
    const QString all = pages.join(u'\n');
    // A recording row: row, litres, then level, table litres and error, or no data.
    static const QRegularExpression row(QStringLiteral(
        "^\\s*(\\d+)\\s+(\\d+)\\s+(?:(\\d+)\\s+(-?\\d+\\.\\d)\\s+(-?\\d+\\.\\d)|Нет данных)\\s*$"));
    int next = 1;
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_TRUE(pages[k].contains(QStringLiteral("Страница %1 из 3").arg(k + 1)));
        EXPECT_TRUE(pages[k].contains(QStringLiteral("№ проции"))); // the header on every page
        EXPECT_TRUE(pages[k].contains(QStringLiteral("SHA-256 записи tank.trr: ") +
                                      hex_sha256(in.recording)));
        // The table as its zvk file: 40 lines, CR LF.
        QStringList zvk = straight_table().to_texts();
        EXPECT_TRUE(
            pages[k].contains(QStringLiteral("SHA-256 таблицы (файл zvk): ") +
                              hex_sha256((zvk.join(QStringLiteral("\r\n")) + "\r\n").toLatin1())));
        for (const QString& line : pages[k].split(u'\n')) {
            const QRegularExpressionMatch m = row.match(line);
            if (!m.hasMatch() || m.captured(1).toInt() != next) continue;
            // Every third row holds a litre more than the table gives; row 45 no level.
            const QString error = next == 45      ? QString()
                                  : next % 3 == 0 ? QStringLiteral("-1.0")
                                                  : QStringLiteral("0.0");
            EXPECT_EQ(m.captured(5), error) << line.toStdString();
            ++next;
        }
    }
    EXPECT_EQ(next, 91) << "every row of the recording, in order";
    for (const char* expected :
         {"Протокол тарировки датчика уровня топлива", "Дата и время: 14.03.2026 10:30",
          "ООО Ромашка", "КАМАЗ А123ВС", "правый", "Петров П. П.", "24050012",
          "Таблица датчика (датчик 12)",
          "Наибольшая ошибка таблицы по точкам записи: 1.0 л (0.3 % от 359 л) при уровне 50",
          "Пропущены строки, где уровень не число: 46 (Нет данных).",
          "залито 98 л, по таблице 100.0 л; разница 2.0 л (0.5 % от 400 л), допуск 2 %: годно",
          "Тарировку провёл", "Представитель заказчика"})
        EXPECT_TRUE(all.simplified().contains(QString::fromUtf8(expected).simplified()))
            << expected;
}

TEST(Certificate, SameFactsSamePagesAndNoFileWhereItCannotBeWritten) {
    const Result<CertificateFacts> facts = certificate_facts(inputs());
    ASSERT_TRUE(facts);
    int pages = 0;
    const QByteArray first = certificate_pdf(*facts, &pages);
    EXPECT_EQ(pages, 3);
    EXPECT_EQ(certificate_pdf(*facts), first);
    EXPECT_TRUE(first.contains("/CreationDate (D:20260314103000"));

    QTemporaryDir dir;
    QString why;
    EXPECT_FALSE(write_certificate(dir.filePath(QStringLiteral("no/such/c.pdf")), *facts, &why));
    EXPECT_FALSE(why.isEmpty());
    {
        const FileSizeLimit full(4096);
        EXPECT_FALSE(write_certificate(dir.filePath(QStringLiteral("c.pdf")), *facts, &why));
    }
    EXPECT_EQ(why, file_guard_text::size_limit); // a full disk is said as plainly
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

} // namespace
