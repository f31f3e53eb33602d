#include "exchange/network_scan.h"

#include "commands/gating.h"
#include "protocol/replies.h"
#include "protocol/requests.h"
#include "ui/configurator.h"

std::optional<uint8_t> selected_address(const MainForm& f) {
    if (f.CmbNet.list_index() < 0) return std::nullopt;
    bool ok = false;
    const int v = f.CmbNet.selected_text().trimmed().toInt(&ok, 10);
    if (!ok || v < 0 || v > 255) return std::nullopt;
    return uint8_t(v);
}

QByteArray Zapros_ser_num(const MainForm& f) {
    const auto addr = selected_address(f);
    if (!addr) return {};
    return request::read_id(*addr);
}

void Opros_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    f.wrs = request::net_scan();
    c.str_to_log(QStringLiteral("Cmd Ask Net "));
    f.net_opr = true;
    f.scan_on_wire = false;
    f.mode_yes = true;
}

void CmbNet_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    f.wrs = Zapros_ser_num(f);
    f.mode_yes = true;
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
    f.wrs = Zapros_ser_num(f);
    f.MsgCom.set_text(QStringLiteral("Произошел опрос сети."));
}

namespace {
void gate_by_version(MainForm& f, int v) {
    if (v > 129) {
        swtag130(f);
        f.Kalibr_warning.set_visible(false);
    }
    if (v > 130) {
        swtag131(f);
        f.Kalibr_warning.set_visible(false);
    }
    if (v > 133) {
        swtag134(f);
        f.Kalibr_warning.set_visible(false);
    }
    if (v > 162) {
        swtag163(f);
        f.Kalibr_warning.set_visible(true);
    }
    if (v > 169) {
        swtag170(f);
        f.Kalibr_warning.set_visible(true);
    }
    if (v > 170) swtag171(f);
    if (v == 172) {
        swtag171(f);
        swtag172(f);
        f.range256 = 1;
    }
    if (v > 175) swtag176(f);
    if (v > 199) {
        f.naklon.set_visible(true);
        f.dr_quality.set_visible(true);
    }
}
} // namespace

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
        if (!f.replay_mode) gate_by_version(f, f.firmware_version);
    }
    c.str_to_log(QStringLiteral("Device: ") + f.sn.text() + QStringLiteral("  Ver Soft: ") +
                 f.vv.text());
}
