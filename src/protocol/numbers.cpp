#include "protocol/numbers.h"

#include <cmath>

std::optional<int64_t> parse_whole_number(const QString& text, const QLocale& locale) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    const QString sep = locale.decimalPoint();
    QString whole, fraction;
    bool seen_sep = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128) {
            (seen_sep ? fraction : whole).append(c);
        } else if (!seen_sep && (c == u'.' || QString(c) == sep)) {
            seen_sep = true;
        } else {
            return std::nullopt;
        }
    }
    if (whole.isEmpty() && fraction.isEmpty()) return std::nullopt;

    // Values beyond any range the program accepts stay "too large" rather
    // than becoming "not a number".
    while (whole.size() > 1 && whole.front() == u'0') whole.remove(0, 1);
    int64_t value = whole.size() > 15 ? int64_t(1'000'000'000'000'000) : whole.toLongLong();

    if (!fraction.isEmpty()) {
        const int first = fraction[0].unicode() - u'0';
        bool rest_nonzero = false;
        for (qsizetype k = 1; k < fraction.size(); ++k)
            if (fraction[k] != u'0') rest_nonzero = true;
        if (first > 5 || (first == 5 && rest_nonzero) || (first == 5 && value % 2 == 1)) ++value;
    }
    return negative ? -value : value;
}

int64_t round_half_even(double v) {
    return static_cast<int64_t>(std::nearbyint(v));
}

QString decimal_text(double v, const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(v, 'g', 15);
}
