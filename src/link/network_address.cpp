#include "link/network_address.h"

#include "i18n/language.h"

#include <QRegularExpression>

namespace {
QString without_device_prefix(const QString& name) {
    static const QString prefix = QStringLiteral("\\\\.\\");
    return name.startsWith(prefix) ? name.mid(prefix.size()) : name;
}
} // namespace

QString NetworkAddress::text() const {
    const QString scheme =
        mode == Mode::Rfc2217 ? QStringLiteral("rfc2217://") : QStringLiteral("tcp://");
    const QString h = host.contains(u':') ? u'[' + host + u']' : host;
    return scheme + h + u':' + QString::number(port);
}

bool is_network_address(const QString& name) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(without_device_prefix(name)).hasMatch();
}

std::optional<NetworkAddress> parse_network_address(const QString& name, QString* why) {
    const QString text = without_device_prefix(name).trimmed();
    // A message box wide as the screen helps nobody: a long text is cut.
    const QString shown = text.size() > 80 ? text.left(79) + u'…' : text;
    auto refuse = [&](const QString& reason) -> std::optional<NetworkAddress> {
        if (why)
            *why =
                fill_text(QT_TRANSLATE_NOOP("Messages", "Неверный адрес порта %1: %2. Пишите "
                                                        "tcp://ХОСТ:ПОРТ или rfc2217://ХОСТ:ПОРТ."),
                          {shown, reason});
        return std::nullopt;
    };
    const qsizetype sep = text.indexOf(QStringLiteral("://"));
    if (sep < 0) return refuse(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "нет схемы")));
    const QString scheme = text.left(sep).toLower();
    NetworkAddress a;
    if (scheme == u"tcp")
        a.mode = NetworkAddress::Mode::RawTcp;
    else if (scheme == u"rfc2217")
        a.mode = NetworkAddress::Mode::Rfc2217;
    else
        return refuse(
            fill_text(QT_TRANSLATE_NOOP("Messages", "неизвестная схема «%1»"), {text.left(sep)}));

    const QString rest = text.mid(sep + 3);
    QString port_text;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return refuse(
                QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "нет закрывающей скобки")));
        a.host = rest.mid(1, close - 1);
        if (rest.mid(close + 1, 1) != u":")
            return refuse(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "нет номера порта")));
        port_text = rest.mid(close + 2);
        if (!a.host.contains(u':'))
            return refuse(
                QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "в скобках не адрес IPv6")));
    } else {
        const qsizetype colon = rest.lastIndexOf(u':');
        if (colon < 0)
            return refuse(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "нет номера порта")));
        a.host = rest.left(colon);
        port_text = rest.mid(colon + 1);
        // An IPv6 address must be bracketed, or its last group would read as the port.
        if (a.host.contains(u':'))
            return refuse(
                QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "адрес IPv6 пишется в скобках")));
    }
    // No host name is longer (RFC 1035); a longer one is a typing slip, not a
    // name to look up.
    if (a.host.size() > kMaxHostName)
        return refuse(fill_text(QT_TRANSLATE_NOOP("Messages", "имя узла длиннее %1 знаков"),
                                {QString::number(kMaxHostName)}));
    static const QRegularExpression host_chars(QStringLiteral("^[A-Za-z0-9._:%-]+$"));
    if (a.host.isEmpty() || !host_chars.match(a.host).hasMatch())
        return refuse(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "неверное имя узла")));
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    if (!digits.match(port_text).hasMatch())
        return refuse(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "номер порта не число")));
    const int port = port_text.toInt();
    if (port < 1 || port > 65535)
        return refuse(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "номер порта вне 1..65535")));
    a.port = uint16_t(port);
    return a;
}
