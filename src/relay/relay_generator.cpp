#include "relay/relay_generator.h"

#include "exchange/configurator.h"
#include "protocol/numbers.h"
#include "protocol/relay_string.h"
#include "protocol/requests.h"
#include "relay/server_log_reader.h"
#include "ui/dialogs.h"

#include <QScopeGuard>

#include <algorithm>

namespace {

bool is_password(RelayOp op) {
    return op == RelayOp::EnterPassword || op == RelayOp::ChangePassword;
}

ExtendedMode generator_extended(const MainForm& f) {
    ExtendedMode x;
    x.smoothing_level = uint8_t(std::clamp(f.sglad.text().trimmed().toInt(), 0, 15));
    // As on the settings tab, a greyed box does not switch compensation off.
    x.thermal_compensation_off = f.Termokompensd.value() == 1;
    return x;
}

} // namespace

QString relay_prompt(int entry) {
    switch (entry) {
    case 0:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Введите числовой пароль:"));
    case 3:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Сдвиг полного в У.Е"));
    case 4:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Сдвиг пустого в У.Е"));
    case 5:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Установить в качестве полного"));
    case 6:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Установить в качестве пустого"));
    case 8:
        return QString::fromUtf8(
            QT_TRANSLATE_NOOP("Messages", "Установить в качестве пароля доступа"));
    default:
        return {};
    }
}

void VibGenCmd_Click(MainForm& f) {
    for (Control* c :
         std::initializer_list<Control*>{&f.chislo_sdv, &f.lchislo, &f.relay_modes_frame})
        c->set_visible(false);
    const int entry = f.VibGenCmd.list_index();
    const QString prompt = relay_prompt(entry);
    if (!prompt.isEmpty()) {
        f.lchislo.set_text(prompt);
        f.lchislo.set_visible(true);
        f.chislo_sdv.set_visible(true);
    }
    if (entry == int(RelayOp::SetMode)) {
        f.relay_modes_frame.set_visible(true);
        const bool from_176 = f.ch_ver.value() == 1;
        for (Control* c : std::initializer_list<Control*>{&f.relay_smoothing_slider,
                                                          &f.relay_smoothing_caption, &f.sglad})
            c->set_visible(from_176);
    }
}

void relay_smoothing_slider_moved(MainForm& f) {
    f.sglad.set_text(QString::number(f.relay_smoothing_slider.value()));
}

void gen_zapr_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    // The generator assembles its frame where a request would wait to be
    // sent, and empties that slot again however it ends: nothing it does, and
    // nothing left from before, goes out when a port is opened next.
    const auto empty_slot = qScopeGuard([&c] { c.exchange.drop_pending(); });
    const int entry = f.VibGenCmd.list_index();
    if (entry < 0 || entry >= kRelayOpCount) return;
    const auto op = RelayOp(entry);
    // Text that is no number ends the operation; only the password entries say so.
    const auto not_a_number = [&] {
        if (is_password(op)) c.dialogs.message(range_message::password);
    };

    const auto address = parse_whole_number(f.dist_net_num.text());
    if (!address || !fits_byte(*address)) return not_a_number();
    const bool keeps_below_200 =
        op == RelayOp::ReadState || op == RelayOp::ShiftFull || op == RelayOp::ShiftEmpty;
    if (keeps_below_200 && *address >= 200) return;

    RelayRequest r;
    r.op = op;
    r.address = uint8_t(*address);
    r.from_176 = f.ch_ver.value() == 1;
    if (relay_takes_value(op)) {
        const auto value = parse_whole_number(f.chislo_sdv.text());
        if (!value) return not_a_number();
        r.value = *value;
    }
    if (op == RelayOp::SetMode) {
        r.mode = f.relay_mode();
        r.extended = generator_extended(f);
    }
    // The range checks are the request builders' own.
    const Result<QString> text = relay_string(r);
    if (!text) {
        c.dialogs.message(relay_range_message(op));
        return;
    }
    f.gen_txt.set_text(*text);
}

void wire_relay(Configurator& c, ClipboardSink to_clipboard) {
    MainForm& f = c.frmSerial;
    f.VibGenCmd.on_click = [&f] { VibGenCmd_Click(f); };
    f.relay_smoothing_slider.on_change = [&f] { relay_smoothing_slider_moved(f); };
    f.gen_zapr.on_click = [&c] { gen_zapr_Click(c); };
    f.gen_copy.on_click = [&f, sink = std::move(to_clipboard)] {
        if (sink && !f.gen_txt.text().isEmpty()) sink(f.gen_txt.text());
    };
    f.rdf.on_click = [&c] { rdf_Click(c); };
}
