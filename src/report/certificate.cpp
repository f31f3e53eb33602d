#include "report/certificate.h"
#include "i18n/language.h"

#include "protocol/calibration_file.h"
#include "protocol/cp1251.h"
#include "protocol/platform_table.h"

#include <QCoreApplication>
#include <QCryptographicHash>

#include <algorithm>

namespace {
const QString kDash = QStringLiteral("—");
} // namespace

SensorFacts SensorFacts::unknown() {
    return SensorFacts{kDash, kDash, kDash, kDash, kDash, kDash};
}

QByteArray table_file_bytes(const CalibrationTable& t) {
    return cp1251_lines(t.to_texts());
}

QString sha256_hex(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

Result<CertificateFacts> certificate_facts(CertificateInputs in) {
    CertificateFacts f;
    const QString name = in.recording_name;
    const QStringList lines = split_lines(from_cp1251(in.recording));
    const Result<RecordedPoints> recorded = recorded_points(lines);
    if (!recorded)
        return Error{ErrorKind::BadInput,
                     name + QStringLiteral(": ") + shown_text(recorded.error().text)};
    f.recorded = recorded->points;
    f.recording_notice = recorded_points_notice(*recorded);
    for (const TablePoint& p : f.recorded) f.top_litres = std::max(f.top_litres, p.litres);

    if (in.table) {
        f.table = *in.table;
        f.table_source = in.table_source;
    } else {
        const Result<TableFit> fit = fit_table(f.recorded);
        if (!fit)
            return Error{ErrorKind::BadInput,
                         name + QStringLiteral(": ") + shown_text(fit.error().text)};
        f.table = fit->table;
        f.table_source =
            QCoreApplication::translate("Certificate", "расчёт по записи %1").arg(name);
    }
    const Result<std::vector<TablePoint>> points = platform_points(f.table);
    if (!points)
        return Error{ErrorKind::BadInput,
                     QCoreApplication::translate("Certificate", "Таблица %1: %2")
                         .arg(f.table_source, shown_text(points.error().text))};
    f.table_points = *points;
    f.worst = worst_point(f.table_points, f.recorded);

    for (qsizetype i = 1; i < lines.size(); ++i) {
        const std::optional<CalibrationLine> l = split_calibration_line(lines[i]);
        if (!l) continue; // recorded_points has refused such a file already
        RecordingRow r{l->row, l->litres, l->level, std::nullopt, std::nullopt};
        const std::optional<uint16_t> level = CalibrationTable::value_of(l->level);
        const std::optional<uint16_t> litres = CalibrationTable::value_of(l->litres);
        if (level && litres) {
            r.table_litres = table_litres(f.table_points, *level);
            r.error = *r.table_litres - *litres;
        }
        f.rows.push_back(r);
    }
    f.recording_sha256 = sha256_hex(in.recording);
    f.table_sha256 = sha256_hex(table_file_bytes(f.table));
    f.in = std::move(in);
    return f;
}

QString worst_text(const CertificateFacts& f) {
    const double percent = f.top_litres > 0 ? 100.0 * f.worst.error / f.top_litres : 0.0;
    return QCoreApplication::translate("Certificate",
                                       "Наибольшая ошибка таблицы по точкам записи: %1 л (%2 % от "
                                       "%3 л) при уровне %4")
        .arg(QString::number(f.worst.error, 'f', 1), QString::number(percent, 'f', 1))
        .arg(f.top_litres)
        .arg(f.worst.level);
}
