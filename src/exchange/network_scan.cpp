#include "exchange/network_scan.h"

#include "exchange/configurator.h"
#include "i18n/language.h"
#include "protocol/replies.h"
#include "protocol/requests.h"
#include "ui/gating.h"

QByteArray Zapros_ser_num(const MainForm& f) {
    const auto addr = f.selected_address();
    if (!addr) return {};
    return request::read_id(*addr);
}

void Opros_Click(Configurator& c) {
    c.exchange.queue(request::net_scan());
    c.str_to_log(QStringLiteral("Cmd Ask Net "));
    c.exchange.begin_scan();
    c.exchange.refresh_settings_next();
}

void CmbNet_Click(Configurator& c) {
    c.exchange.queue(Zapros_ser_num(c.frmSerial));
    c.exchange.refresh_settings_next();
}

void net_answer(Configurator& c, const QByteArray& reply) {
    MainForm& f = c.frmSerial;
    f.CmbNet.clear();
    QString text;
    for (char b : reply) {
        const QString n = QString::number(uint8_t(b));
        f.CmbNet.add_item(n);
        text += n + u' ';
    }
    // Selecting runs CmbNet_Click, which queues the identity request.
    f.CmbNet.set_list_index(0);
    f.netdev.set_text(text);
    c.str_to_log(QStringLiteral("Устройства в сети ") + text);
    c.exchange.queue(Zapros_ser_num(f));
    // The sensor found is asked who it is at once, not a second later.
    f.TMRComm.fire_soon();
    f.MsgCom.set_text(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Произошел опрос сети.")));
    // Two sensors at one address answer over each other; the list keeps both
    // entries, and the engineer must hear of it.
    QStringList twice;
    const QStringList found = f.CmbNet.items();
    for (qsizetype i = 0; i < found.size(); ++i)
        if (found.indexOf(found[i]) < i && !twice.contains(found[i])) twice.append(found[i]);
    if (!twice.isEmpty()) {
        const QString warning = fill_text(
            QT_TRANSLATE_NOOP("Messages",
                              "Адрес %1 найден дважды: два датчика с одним адресом мешают друг "
                              "другу. Оставьте на линии один из них и смените ему адрес."),
            {twice.join(QStringLiteral(", "))});
        f.MsgCom.set_fore_colour(kRed);
        f.MsgCom.set_text(warning);
        c.str_to_log(warning);
    }
}

void assept_sn(Configurator& c, const QByteArray& aans) {
    MainForm& f = c.frmSerial;
    const IdentityReply id = decode_identity(aans);
    if (!id.serial) {
        f.sn.set_text(QStringLiteral("????????"));
        return;
    }
    f.sn.set_text(QString::number(*id.serial));
    if (id.version) {
        f.firmware_version = *id.version;
        f.vv.set_text(firmware_version_text(*id.version, *id.variant));
        if (!f.replay_mode) {
            reset_version_groups(f);
            gate_by_version(f, f.firmware_version);
        }
    }
    c.str_to_log(QStringLiteral("Device: ") + f.sn.text() + QStringLiteral("  Ver Soft: ") +
                 f.vv.text());
}
