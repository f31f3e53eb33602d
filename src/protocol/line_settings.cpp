#include "protocol/line_settings.h"

#include <QStringList>

std::optional<LineSettings> parse_line_settings(const QString& text) {
    const QStringList f = text.split(u',');
    if (f.size() != 4) return std::nullopt;
    LineSettings s;
    bool ok = false;
    const uint baud = f[0].trimmed().toUInt(&ok);
    if (!ok || baud == 0 || baud > uint(INT32_MAX)) return std::nullopt;
    s.baud = int32_t(baud);

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

    const uint data = f[2].trimmed().toUInt(&ok);
    if (!ok || data < 5 || data > 8) return std::nullopt;
    s.data_bits = int(data);

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
