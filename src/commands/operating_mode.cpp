#include "commands/operating_mode.h"

#include "exchange/network_scan.h"
#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "ui/configurator.h"
#include "ui/dialogs.h"

#include <algorithm>

void Set_mode_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    // The litre and percent flags follow the table window's boxes.
    f.tartab1.set_value(c.Form3.tartab.value());
    f.per_sents.set_value(c.Form3.per_sents.value());

    uint8_t mode = 0;
    const std::pair<const OptionButton*, uint8_t> outputs[] = {
        {&f.R485, 0x00}, {&f.R_a, 0x02},    {&f.R_f, 0x04},
        {&f.R_p, 0x06},  {&f.R_p485, 0x10}, {&f.rs_232, 0x12}};
    for (const auto& [option, code] : outputs)
        if (option->value()) mode = code;
    if (f.iinv.value() != 0) mode |= 0x01;
    if (f.usredn.value() != 0) mode |= 0x08;
    if (f.D_4096.value() != 0) mode |= 0x80;
    if (f.tartab1.value() != 0) mode |= 0x40;
    if (f.per_sents.value() != 0) mode |= 0x20;

    uint8_t options = 0;
    if (f.naklon.value() != 0) options = 0x10;
    if (f.dr_quality.value() != 0) options = 0x20; // the sensor takes one of the two

    if (f.tek.text() == kNoData) {
        c.dialogs.message(QStringLiteral("Датчик не подключен!"));
        c.str_to_log(QStringLiteral("Cmd Change mode to: Датчик не подключен!"));
        return;
    }
    const auto addr = selected_address(f);
    if (!addr) return;
    if (!c.dialogs.ask_yes_no(
            QStringLiteral("Сейчас будет изменен режим работы датчика. Вы уверены что это нужно?")))
        return;

    const int smoothing = std::clamp(f.sgla.text().trimmed().toInt(), 0, 15);
    c.str_to_log(QStringLiteral("Cmd Change mode to ") + QString::number(mode) +
                 QStringLiteral(" sgla ") + QString::number(smoothing));

    QByteArray r;
    r.append(char(kRequestStart)).append(char(*addr)).append(char(CMD_SET_MODE));
    if (needs_trailer(f.firmware_version)) r.append(write_trailer());
    r.append(char(mode));
    if (f.firmware_version > 175) {
        uint8_t extended = uint8_t(smoothing);
        if (f.Termokompens.value() == 1) extended |= 0x80; // a greyed box does not count here
        extended |= options;
        r.append(char(extended));
    }
    f.wrs = Control_summ(r);
    f.mode_yes = -1;
}

void Slider1_Change(Configurator& c) {
    c.frmSerial.sgla.set_text(QString::number(c.frmSerial.Slider1.value()));
}

void wire_operating_mode(Configurator& c) {
    c.frmSerial.Set_mode.on_click = [&c] { Set_mode_Click(c); };
    c.frmSerial.Slider1.on_change = [&c] { Slider1_Change(c); };
}
