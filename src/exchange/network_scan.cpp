#include "exchange/network_scan.h"

#include "commands/gating.h"
#include "protocol/codes.h"
#include "protocol/frame_codec.h"
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
    QByteArray r;
    r.append(char(kRequestStart)).append(char(*addr)).append(char(CMD_READ_ID));
    return Control_summ(r);
}

void Opros_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    QByteArray r;
    r.append(char(kRequestStart)).append(char(kScanAddress));
    f.wrs = Control_summ(r);
    c.str_to_log(QStringLiteral("Cmd Ask Net "));
    f.net_opr = -1;
    f.mode_yes = -1;
}

void CmbNet_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    f.wrs = Zapros_ser_num(f);
    f.mode_yes = -1;
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
uint32_t long_le(const QByteArray& a, int pos) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = v * 256 + uint8_t(a[pos - 1 + k]);
    return v;
}

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
    const qsizetype L = aans.size();
    // Six bytes hold no complete serial number either.
    if (L <= 6) {
        f.sn.set_text(QStringLiteral("????????"));
        return;
    }
    f.sn.set_text(QString::number(long_le(aans, 4)));
    if (L == 10) {
        const uint8_t variant = uint8_t(aans[8]);
        QString vv = variant != 0 ? QString::number(variant) : QString();
        f.firmware_version = uint8_t(aans[7]);
        const QString digits = QString::number(f.firmware_version);
        for (int i = 0; i < 3; ++i) vv += digits.mid(i, 1) + u'.';
        f.vv.set_text(vv);
        if (f.replay_mode == 0) gate_by_version(f, f.firmware_version);
    }
    c.str_to_log(QStringLiteral("Device: ") + f.sn.text() + QStringLiteral("  Ver Soft: ") +
                 f.vv.text());
}
