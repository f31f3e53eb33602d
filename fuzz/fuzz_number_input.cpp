// Number input as the user types it, under a locale with "." and one with ","
// as decimal separator; the line settings text; the table's cell values.  A
// parsed value re-formats to text that parses to the same value, and rounding
// agrees with the floating-point reference where that one is exact.
#include "fuzz_support.h"

#include "protocol/calibration_table.h"
#include "protocol/line_settings.h"
#include "protocol/numbers.h"

#include <QLocale>

#include <cmath>

namespace {

void check_number(const QString& text, const QLocale& locale) {
    const auto v = parse_whole_number(text, locale);
    if (!v) return;
    // Beyond 15 digits a number stands as 10^15 (rounding may add one): too
    // large for any field, never wrapped round to a small one.
    constexpr int64_t kLarge = 1'000'000'000'000'000;
    FUZZ_CHECK(*v <= kLarge + 1 && *v >= -kLarge - 1);
    if (*v > -kLarge && *v < kLarge)
        FUZZ_CHECK(parse_whole_number(QString::number(*v), locale) == v);

    // Only blanks, a sign, ASCII digits and one separator got through.
    const QString t = text.trimmed();
    const QString sep = locale.decimalPoint();
    int seps = 0, digits = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c >= u'0' && c <= u'9')
            ++digits;
        else if (c == u'.' || QString(c) == sep)
            ++seps;
        else
            FUZZ_CHECK(i == 0 && (c == u'+' || c == u'-'));
    }
    FUZZ_CHECK(seps <= 1 && digits >= 1);

    // Where a double holds the text exactly enough, it rounds the same way.
    QString plain = t;
    plain.replace(sep, QStringLiteral("."));
    const qsizetype dot = plain.indexOf(u'.');
    const qsizetype whole_digits = dot < 0 ? digits : dot - (plain[0].isDigit() ? 0 : 1);
    const qsizetype fraction_digits = digits - whole_digits;
    if (whole_digits <= 9 && fraction_digits <= 6) {
        if (plain.endsWith(u'.')) plain.chop(1);
        if (plain.startsWith(u'.') || plain.startsWith(QLatin1String("-.")) ||
            plain.startsWith(QLatin1String("+.")))
            plain.insert(plain.indexOf(u'.'), u'0');
        bool ok = false;
        const double d = plain.toDouble(&ok);
        FUZZ_CHECK(ok && round_half_even(d) == *v);
    }
    // Both separators mean the same; a trailing zero in the fraction changes nothing.
    if (seps == 1) {
        QString dotted = t;
        dotted.replace(sep, QStringLiteral("."));
        FUZZ_CHECK(parse_whole_number(dotted, locale) == v);
        FUZZ_CHECK(parse_whole_number(t + u'0', locale) == v);
    }
}

void check_line_settings(const QString& text) {
    const auto s = parse_line_settings(text);
    if (!s) return;
    FUZZ_CHECK(s->baud > 0 && s->data_bits >= 5 && s->data_bits <= 8);
    // The numbers were digits and nothing else.
    const QStringList fields = text.split(u',');
    for (int k : {0, 2})
        for (QChar c : fields[k].trimmed()) FUZZ_CHECK(c >= u'0' && c <= u'9');
    static const char* parity = "neoms";
    static const char* stops[] = {"1", "1.5", "2"};
    const QString again = QString::number(s->baud) + u',' + QChar(parity[int(s->parity)]) + u',' +
                          QString::number(s->data_bits) + u',' +
                          QLatin1String(stops[int(s->stop_bits)]);
    const auto t = parse_line_settings(again);
    FUZZ_CHECK(t && t->baud == s->baud && t->parity == s->parity && t->data_bits == s->data_bits &&
               t->stop_bits == s->stop_bits);
    FUZZ_CHECK(t->is_sensor_line() == (again == kSensorLineSettings));
}

void check_cell_value(const QString& text) {
    const auto v = CalibrationTable::value_of(text);
    if (!v) return;
    FUZZ_CHECK(*v <= CalibrationTable::kMaxValue);
    FUZZ_CHECK(CalibrationTable::value_of(QString::number(*v)) == v);
    // Digits only, perhaps a minus before a zero.
    QString t = text.trimmed();
    if (t.startsWith(u'-')) {
        FUZZ_CHECK(*v == 0);
        t.remove(0, 1);
    }
    FUZZ_CHECK(!t.isEmpty());
    for (QChar c : t) FUZZ_CHECK(c >= u'0' && c <= u'9');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QLocale c_locale = QLocale::c();
    static const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QString text = fuzz_text(data, size);
    check_number(text, c_locale);
    check_number(text, russian);
    check_line_settings(text);
    check_cell_value(text);
    return 0;
}
