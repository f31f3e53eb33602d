#include "protocol/line_settings.h"

#include <QStringList>

namespace {
// A field of decimal digits as a number.  QString::toUInt alone stops at an
// embedded NUL and would take "19200\0x" for 19200.
std::optional<uint> digits(const QString& field) {
    const QString t = field.trimmed();
    for (QChar c : t)
        if (c < u'0' || c > u'9') return std::nullopt;
    bool ok = false;
    const uint v = t.toUInt(&ok);
    if (!ok) return std::nullopt;
    return v;
}
} // namespace

std::optional<LineSettings> parse_line_settings(const QString& text) {
    const QStringList f = text.split(u',');
    if (f.size() != 4) return std::nullopt;
    LineSettings s;
    const auto baud = digits(f[0]);
    if (!baud || *baud == 0 || *baud > uint(INT32_MAX)) return std::nullopt;
    s.baud = int32_t(*baud);

    const QString parity = f[1].trimmed().toLower();
    if (parity == u"n")
        s.parity = LineSettings::Parity::None;
    else if (parity == u"e")
        s.parity = LineSettings::Parity::Even;
    else if (parity == u"o")
        s.parity = LineSettings::Parity::Odd;
    else if (parity == u"m")
        s.parity = LineSettings::Parity::Mark;
    else if (parity == u"s")
        s.parity = LineSettings::Parity::Space;
    else
        return std::nullopt;

    const auto data = digits(f[2]);
    if (!data || *data < 5 || *data > 8) return std::nullopt;
    s.data_bits = int(*data);

    const QString stop = f[3].trimmed();
    if (stop == u"1")
        s.stop_bits = LineSettings::StopBits::One;
    else if (stop == u"1.5")
        s.stop_bits = LineSettings::StopBits::OneAndHalf;
    else if (stop == u"2")
        s.stop_bits = LineSettings::StopBits::Two;
    else
        return std::nullopt;
    return s;
}
