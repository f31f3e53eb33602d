#include "protocol/platform_table.h"
#include "i18n/language.h"

#include "protocol/cp1251.h"
#include "protocol/numbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>

#include <array>
#include <cmath>

namespace {

const std::pair<const char*, PlatformFormat> kFormats[] = {{"xy", PlatformFormat::Xy},
                                                           {"csv", PlatformFormat::Csv},
                                                           {"json", PlatformFormat::Json},
                                                           {"segments", PlatformFormat::Segments}};

Error bad_line(int line, const QString& why) {
    return Error{ErrorKind::BadInput, fill_text(QT_TRANSLATE_NOOP("Messages", "Строка %1: %2"),
                                                {QString::number(line), why})};
}

// A point read from a file, before it is checked against its neighbours.
struct Raw {
    double reading, litres;
    int line;
};

Result<std::vector<TablePoint>> checked(const std::vector<Raw>& raw) {
    if (raw.size() < 2)
        return Error{ErrorKind::BadInput, QString::fromUtf8(QT_TRANSLATE_NOOP(
                                              "Messages", "В таблице меньше двух точек."))};
    const double max = CalibrationTable::kMaxValue;
    std::vector<TablePoint> points;
    for (size_t i = 0; i < raw.size(); ++i) {
        const Raw& r = raw[i];
        if (!std::isfinite(r.reading) || !std::isfinite(r.litres) || r.reading < 0 ||
            r.reading > max || r.litres < -0.5 || r.litres > max + 0.5)
            return bad_line(r.line, fill_text(QT_TRANSLATE_NOOP("Messages", "значение вне 0..%1"),
                                              {QString::number(max)}));
        if (r.reading != std::floor(r.reading))
            return bad_line(r.line,
                            fill_text(QT_TRANSLATE_NOOP("Messages", "показания %1 не целое число"),
                                      {QString::number(r.reading)}));
        const TablePoint p{int(r.reading), int(round_half_even(r.litres))};
        const QString problem = table_points_problem(i ? points.back() : TablePoint{}, p, i == 0);
        if (!problem.isEmpty()) return bad_line(r.line, problem);
        points.push_back(p);
    }
    return points;
}

// A number in a text file: a decimal point, or a comma where it is no separator.
std::optional<double> number(QString text, QChar separator) {
    text = text.trimmed();
    if (separator != u',') text.replace(u',', u'.');
    if (text.isEmpty()) return std::nullopt;
    for (QChar c : text)
        if (!c.isDigit() && c != u'.' && c != u'-' && c != u'+' && c != u'e' && c != u'E')
            return std::nullopt;
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

QString decoded(const QByteArray& bytes) {
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF")) b.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(b);
    return utf8.hasError() ? from_cp1251(b) : text;
}

Result<std::vector<TablePoint>> read_text(const QByteArray& bytes, bool csv) {
    const QStringList lines = split_lines(decoded(bytes));
    std::optional<QChar> sep;
    std::vector<Raw> raw;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int line = int(i) + 1;
        const QString l = lines[i].trimmed();
        if (l.isEmpty()) continue;
        if (csv && !sep) {
            // The header names the columns; what stands between them separates.
            for (QChar c : l)
                if (!c.isLetterOrNumber() && c != u'_' && c != u' ') {
                    sep = c;
                    break;
                }
            if (!sep || number(l.section(*sep, 0, 0), *sep))
                return bad_line(line, QString::fromUtf8(QT_TRANSLATE_NOOP(
                                          "Messages", "нет заголовка reading;litres")));
            continue;
        }
        const QStringList fields =
            csv ? l.split(*sep) : l.split(QRegularExpression(QStringLiteral("\\s+")));
        if (fields.size() != 2)
            return bad_line(line, QString::fromUtf8(QT_TRANSLATE_NOOP(
                                      "Messages", "нужно два числа: показания и литры")));
        const auto r = number(fields[0], csv ? *sep : u'\t');
        const auto v = number(fields[1], csv ? *sep : u'\t');
        if (!r || !v)
            return bad_line(line,
                            fill_text(QT_TRANSLATE_NOOP("Messages", "\"%1\" не два числа"), {l}));
        raw.push_back({*r, *v, line});
    }
    return checked(raw);
}

// The line each object of the top array starts on, for messages.
std::vector<int> object_lines(const QByteArray& bytes) {
    std::vector<int> lines;
    int line = 1, depth = 0;
    bool in_string = false, escaped = false;
    for (char c : bytes) {
        if (c == '\n') ++line;
        if (in_string) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                in_string = false;
            continue;
        }
        if (c == '"') in_string = true;
        if (c == '{' && depth == 1) lines.push_back(line);
        if (c == '[' || c == '{') ++depth;
        if (c == ']' || c == '}') --depth;
    }
    return lines;
}

Result<std::vector<TablePoint>> read_json(const QByteArray& bytes, bool segments) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return bad_line(
            int(bytes.left(error.offset).count('\n')) + 1,
            fill_text(QT_TRANSLATE_NOOP("Messages", "не JSON: %1"), {error.errorString()}));
    if (!doc.isArray())
        return bad_line(1, QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "нужен массив [...]")));
    const QJsonArray array = doc.array();
    const std::vector<int> lines = object_lines(bytes);
    const QStringList keys = segments ? QStringList{"x", "a", "b"} : QStringList{"in", "out"};
    std::vector<std::array<double, 3>> values;
    for (qsizetype i = 0; i < array.size(); ++i) {
        const int line = size_t(i) < lines.size() ? lines[size_t(i)] : 1;
        const QJsonObject o = array[i].toObject();
        std::array<double, 3> v{};
        for (qsizetype k = 0; k < keys.size(); ++k) {
            if (!o.value(keys[k]).isDouble())
                return bad_line(
                    line, fill_text(QT_TRANSLATE_NOOP("Messages", "нет числа \"%1\""), {keys[k]}));
            v[size_t(k)] = o.value(keys[k]).toDouble();
        }
        values.push_back(v);
    }
    std::vector<Raw> raw;
    for (size_t i = 0; i < values.size(); ++i) {
        const int line = i < lines.size() ? lines[i] : 1;
        const auto& [x, a, b] = values[i];
        raw.push_back({x, segments ? a * x + b : a, line});
        // A segment holds at both of its ends.
        if (segments && i + 1 < values.size()) {
            const auto& next = values[i + 1];
            const double there = a * next[0] + b;
            if (!(std::abs(there - (next[1] * next[0] + next[2])) <= 0.5))
                return bad_line(line, QString::fromUtf8(QT_TRANSLATE_NOOP(
                                          "Messages", "отрезок не доходит до следующей точки")));
        }
    }
    return checked(raw);
}

QString number_text(double v) {
    return QString::number(v, 'g', 15);
}

} // namespace

std::optional<PlatformFormat> platform_format_named(const QString& name) {
    for (const auto& [n, f] : kFormats)
        if (name == QLatin1String(n)) return f;
    return std::nullopt;
}

QString platform_format_name(PlatformFormat f) {
    for (const auto& [n, g] : kFormats)
        if (g == f) return QString::fromLatin1(n);
    return {};
}

std::optional<QChar> csv_separator(const QString& text) {
    if (text == u"\\t" || text == u"tab") return QChar(u'\t');
    if (text.size() != 1) return std::nullopt;
    const QChar c = text[0];
    if (c.isLetterOrNumber() || c == u'_' || c == u' ' || c == u'.' || c == u'-' || c == u'+' ||
        c == u'"' || c == u'\r' || c == u'\n')
        return std::nullopt;
    return c;
}

Result<std::vector<TablePoint>> platform_points(const CalibrationTable& t) {
    std::vector<TablePoint> points;
    if (t.readings[0] > 0) points.push_back({0, 0});
    for (size_t k = 0; k < size_t(CalibrationTable::kPoints); ++k) {
        const TablePoint p{t.readings[k], t.litres[k]};
        const QString problem =
            table_points_problem(points.empty() ? TablePoint{} : points.back(), p, points.empty());
        if (!problem.isEmpty())
            return Error{ErrorKind::BadInput,
                         fill_text(QT_TRANSLATE_NOOP("Messages", "Точка %1 таблицы: %2"),
                                   {QString::number(k), problem})};
        points.push_back(p);
    }
    return points;
}

QByteArray platform_table_bytes(const std::vector<TablePoint>& points, PlatformFormat f,
                                const PlatformText& text) {
    QString out;
    switch (f) {
    case PlatformFormat::Xy:
        for (const TablePoint& p : points)
            out += QStringLiteral("%1\t%2\n").arg(p.reading).arg(p.litres);
        return out.toUtf8();
    case PlatformFormat::Csv:
        out = QStringLiteral("reading") + text.separator + QStringLiteral("litres\n");
        for (const TablePoint& p : points)
            out += QString::number(p.reading) + text.separator + QString::number(p.litres) + u'\n';
        return text.cp1251 ? to_cp1251(out) : out.toUtf8();
    case PlatformFormat::Json: {
        QStringList objects;
        for (const TablePoint& p : points)
            objects << QStringLiteral("  {\"in\": %1, \"out\": %2}").arg(p.reading).arg(p.litres);
        return (u"[\n" + objects.join(QStringLiteral(",\n")) + u"\n]\n").toUtf8();
    }
    case PlatformFormat::Segments: {
        QStringList objects;
        for (size_t i = 0; i + 1 < points.size(); ++i) {
            const TablePoint& lo = points[i];
            const TablePoint& hi = points[i + 1];
            const double a = double(hi.litres - lo.litres) / double(hi.reading - lo.reading);
            const double b = lo.litres - a * lo.reading;
            objects << QStringLiteral("  {\"x\": %1, \"a\": %2, \"b\": %3}")
                           .arg(lo.reading)
                           .arg(number_text(a), number_text(b));
        }
        if (!points.empty())
            objects << QStringLiteral("  {\"x\": %1, \"a\": 0, \"b\": %2}")
                           .arg(points.back().reading)
                           .arg(points.back().litres);
        return (u"[\n" + objects.join(QStringLiteral(",\n")) + u"\n]\n").toUtf8();
    }
    }
    return {};
}

Result<std::vector<TablePoint>> read_platform_table(const QByteArray& bytes, PlatformFormat f) {
    switch (f) {
    case PlatformFormat::Xy:
        return read_text(bytes, false);
    case PlatformFormat::Csv:
        return read_text(bytes, true);
    case PlatformFormat::Json:
        return read_json(bytes, false);
    case PlatformFormat::Segments:
        return read_json(bytes, true);
    }
    return Error{ErrorKind::BadInput, QString()};
}
