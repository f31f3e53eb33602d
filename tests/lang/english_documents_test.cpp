// What the program writes for people in English: the calibration certificate,
// the line monitor's frame descriptions, the sensor layer's messages.  Their
// Russian is checked by the certificate, monitor and table tests.
#include "i18n/language.h"
#include "protocol/calibration_file.h"
#include "protocol/codes.h"
#include "protocol/cp1251.h"
#include "protocol/frame_codec.h"
#include "protocol/frame_finder.h"
#include "protocol/platform_table.h"
#include "protocol/requests.h"
#include "protocol/session.h"
#include "report/certificate_pdf.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// English for the life of one test.
struct English {
    English() { install_language(UiLanguage::English); }
    ~English() { install_language(UiLanguage::Russian); }
};

QString cyrillic_left(QString text, const QStringList& data) {
    for (const QString& d : data) text.remove(d);
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]+"));
    QStringList words;
    for (auto it = cyrillic.globalMatch(text); it.hasNext();) words << it.next().captured();
    return words.join(u' ');
}

} // namespace

TEST(EnglishDocuments, CertificateHasNoRussianButTheData) {
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext (Debian's poppler-utils) is not installed";
    const English english;
    // A recording with a row of no data and two rows of one level, as the
    // auto-calibration writes it; no table given, so the one fitted to it.
    CertificateInputs in;
    in.when = QDateTime(QDate(2026, 3, 14), QTime(10, 30));
    in.customer = QStringLiteral("ООО Ромашка");
    in.engineer = QStringLiteral("Petrov");
    in.recording_name = QStringLiteral("tank.trr");
    in.recording = cp1251_lines({kCalibrationColumns.join(u';'), QStringLiteral("1;0;100"),
                                 QStringLiteral("2;10;Нет данных"), QStringLiteral("3;20;300"),
                                 QStringLiteral("4;30;300"), QStringLiteral("5;40;500")});
    const Result<CertificateFacts> facts = certificate_facts(in);
    ASSERT_TRUE(facts) << facts.error().text.toStdString();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("c.pdf"));
    QString why;
    ASSERT_TRUE(write_certificate(pdf, *facts, &why)) << why.toStdString();
    QProcess p;
    p.start(pdftotext, {pdf, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput()).simplified();
    EXPECT_EQ(cyrillic_left(text, {in.customer, QStringLiteral("Нет данных")}).toStdString(), "");
    for (const char* expected :
         {"Fuel level sensor calibration",
          "Sensor table (calculated from recording "
          "tank.trr)",
          "Lines whose level is not a number were skipped: 3 (Нет данных).",
          "Lines with the same level were merged, the last one taken: 4-5 (level 300).",
          "Page 1 of 1"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                << text.toStdString();
}

TEST(EnglishDocuments, FramesAndSensorMessages) {
    const English english;
    const QByteArray state_request =
        Control_summ(QByteArray::fromHex("3105") + char(CMD_READ_STATE));
    EXPECT_EQ(describe_frame({FrameKind::Request, state_request, 0}).toStdString(),
              "request 5: state");
    EXPECT_EQ(describe_frame({FrameKind::Noise, QByteArray(2, '\0'), 0}).toStdString(), "noise");

    // Messages kept in Russian (run log, view model) read in English, with
    // the messages filled into them.
    const Result<std::vector<TablePoint>> bad =
        read_platform_table(QByteArray("0 0\n100 10\n50 20\n"), PlatformFormat::Xy);
    ASSERT_FALSE(bad);
    const std::pair<QString, const char*> rows[] = {
        {bad.error().text, "Line 3: reading 50 is not above the previous 100"},
        {range_message::alarm, "Values may be from 1 to 99"},
        {encode_byte(300).error().text, "Value 300 outside the range 0..255"},
        {describe(Error{ErrorKind::NoAnswer, {}}, 7), "No reply from the sensor at address 7"},
    };
    for (const auto& [kept, english_text] : rows)
        EXPECT_EQ(shown_text(kept).toStdString(), english_text) << kept.toStdString();
}
