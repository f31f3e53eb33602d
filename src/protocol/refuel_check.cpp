#include "protocol/refuel_check.h"
#include "i18n/language.h"

#include "protocol/platform_table.h"

#include <algorithm>
#include <cmath>

double table_litres(const std::vector<TablePoint>& table, double level) {
    if (table.empty()) return 0;
    const auto above =
        std::upper_bound(table.begin(), table.end(), level,
                         [](double r, const TablePoint& t) { return r < t.reading; });
    if (above == table.end()) return table.back().litres;
    const TablePoint lo = above == table.begin() ? TablePoint{0, 0} : *(above - 1);
    const TablePoint hi = *above;
    if (hi.reading == lo.reading) return hi.litres;
    return lo.litres +
           double(hi.litres - lo.litres) * (level - lo.reading) / double(hi.reading - lo.reading);
}

Result<RefuelCheck> check_refuel(const CalibrationTable& table, double before, double after,
                                 double added, double tolerance) {
    const Result<std::vector<TablePoint>> points = platform_points(table);
    if (!points) return points.error();
    RefuelCheck r;
    r.before = before;
    r.after = after;
    r.added = added;
    r.tolerance = tolerance;
    for (const TablePoint& p : *points) r.top_litres = std::max(r.top_litres, p.litres);
    if (r.top_litres <= 0)
        return Error{ErrorKind::BadInput,
                     QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "в таблице нет литров"))};
    r.predicted = table_litres(*points, after) - table_litres(*points, before);
    r.difference = r.predicted - added;
    r.percent = 100.0 * r.difference / r.top_litres;
    // On the boundary it is within; the slack only absorbs rounding of the
    // interpolation, far below the tenths shown.
    r.within = std::abs(r.difference) * 100.0 <= tolerance * r.top_litres + 1e-9 * r.top_litres;
    return r;
}

QString refuel_verdict(const RefuelCheck& r) {
    return QString::fromUtf8(r.within ? QT_TRANSLATE_NOOP("Messages", "годно")
                                      : QT_TRANSLATE_NOOP("Messages", "не годно"));
}

namespace {
// One decimal, and never "-0.0".
QString tenths(double v) {
    QString s = QString::number(v, 'f', 1);
    if (s == u"-0.0") s = QStringLiteral("0.0");
    return s;
}
} // namespace

QString plain_number(double v) {
    QString s = QString::number(v, 'f', 3);
    while (s.endsWith(u'0')) s.chop(1);
    if (s.endsWith(u'.')) s.chop(1);
    if (s == u"-0") s = QStringLiteral("0");
    return s;
}

QString refuel_line(const RefuelCheck& r) {
    return QStringLiteral("predicted %1 l, added %2 l, difference %3 l (%4 %): %5")
        .arg(tenths(r.predicted), plain_number(r.added), tenths(r.difference), tenths(r.percent),
             refuel_verdict(r));
}

QString refuel_text(const RefuelCheck& r) {
    return fill_text(QT_TRANSLATE_NOOP("Messages",
                                       "Уровень до %1, после %2; залито %3 л, по таблице %4 л; "
                                       "разница %5 л (%6 % от %7 л), допуск %8 %: %9"),
                     {plain_number(r.before), plain_number(r.after), plain_number(r.added),
                      tenths(r.predicted), tenths(r.difference), tenths(r.percent),
                      QString::number(r.top_litres), plain_number(r.tolerance), refuel_verdict(r)});
}

std::optional<double> parse_decimal(const QString& text) {
    QString t = text.trimmed();
    t.replace(u',', u'.');
    if (t.isEmpty() || t.size() > 32) return std::nullopt;
    for (const QChar ch : t)
        if (!ch.isDigit() && ch != u'.' && ch != u'-' && ch != u'+') return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}
