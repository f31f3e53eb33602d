#include "exchange/state_display.h"

#include "exchange/configurator.h"
#include "i18n/language.h"
#include "protocol/mode_byte.h"
#include "protocol/numbers.h"
#include "protocol/replies.h"
#include "ui/dialogs.h"

#include <QLocale>

#include <cmath>

namespace {
QString number_text(double v) {
    return decimal_text(v, QLocale());
}

// Decoding steps in order; returns false at the first fault, with `stage`
// telling how far the calibration values got.
bool show(Configurator& c, const StateReply& r, int& stage) {
    MainForm& f = c.frmSerial;
    f.freq_mode = false;
    f.ur.set_text(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Уровень")));

    if (!r.current) return false;
    const uint32_t C = *r.current;
    f.still_count = int16_t(f.still_count + 2);
    f.tek.set_text(QString::number(C));

    // Stability: a running average and a score that a steady reading raises.
    if (C != 0) {
        f.still_count = 0;
        f.avg_reading = f.avg_reading + (double(C) - f.avg_reading) / 5;
        if (double(C) / 5000 > std::fabs(f.avg_reading - double(C)))
            ++f.stab_score;
        else
            --f.stab_score;
    }
    if (f.stab_score > 5 || f.still_count > 60) {
        f.stab_score = 5;
        f.still_count = 60;
        f.ind_stab.set_fill_colour(kGreen);
    } else {
        f.ind_stab.set_fill_colour(kYellow);
    }
    if (f.stab_score < 0) {
        f.stab_score = 0;
        f.still_count = 0;
        f.ind_stab.set_fill_colour(kRed);
    }

    if (!r.temperature) return false;
    f.temp.set_text(QString::number(*r.temperature) + QStringLiteral(" °C"));

    if (!r.address) return false;
    f.ne.set_text(QString::number(*r.address));

    if (!r.level) return false;
    const int N = int(*r.level);

    f.level_bar.set_max(f.Ur_progressBar);
    if (N >= 0 && N < f.Ur_progressBar) f.level_bar.set_value(N);

    f.Uroven.set_text(QString::number(N));
    f.freq.set_text(fill_text(QT_TRANSLATE_NOOP("Messages", "%1 Гц"), {QString::number(N + 300)}));

    const int64_t w = round_half_even(double(N) * 100 * 5 / 4096);
    if (f.D_4096.value() != 0)
        f.anal.set_text(
            fill_text(QT_TRANSLATE_NOOP("Messages", "%1 В"), {number_text(double(w) / 100)}));
    else
        f.anal.set_text(
            fill_text(QT_TRANSLATE_NOOP("Messages", "%1 В"), {number_text(double(w) / 25)}));

    if (!r.empty) return false;
    const uint32_t E = *r.empty;
    f.lo.set_text(QString::number(E));
    stage = 1;

    if (!r.full) return false;
    const uint32_t F = *r.full;
    f.hi.set_text(QString::number(F));
    stage = 2;

    if (!r.coefficient) return false;
    const uint32_t K = *r.coefficient;
    f.ko.set_text(QString::number(K));

    if (f.lo.text().size() < 6 && f.hi.text().size() < 8) {
        if (K == 0) return false;
        f.kko.set_text(number_text((double(F) - double(E)) / (double(K) * 64)));
    }

    if (r.alarm_level && c.exchange.settings_refresh_due())
        f.lamp_level.set_text(QString::number(*r.alarm_level));
    if (r.extended_mode && c.exchange.settings_refresh_due())
        show_extended_mode(c, *r.extended_mode);
    if (r.mode) {
        f.reported_mode = *r.mode;
        if (c.exchange.settings_refresh_due()) Out_modes(c, f.reported_mode);
    }

    // A full value near twice the empty one is what a well-set probe gives.
    if (f.lo.text().size() <= 7 && f.hi.text().size() <= 8) {
        if (E == 0) return false;
        const double ratio = double(F) / double(E);
        Colour colour = kRed;
        if (ratio > 1.8 && ratio < 1.98)
            colour = kLightGreen;
        else if (ratio > 1.6 && ratio < 2.08)
            colour = kYellow;
        for (Control* ctl : {static_cast<Control*>(&f.hi), static_cast<Control*>(&f.h),
                             static_cast<Control*>(&f.full_empty_caption)})
            ctl->set_back_colour(colour);
        const int64_t cm = round_half_even(double(E) / 600);
        if (cm > 32767) return false;
        f.Kalibr_warning.set_text(fill_text(
            QT_TRANSLATE_NOOP("Messages", "Внимание! Установка Пустой соотв. длине около %1 см."),
            {QString::number(cm)}));
    }

    if (f.BTNCloseCom.enabled()) {
        c.str_to_log(QStringList{f.Uroven.text(), f.tek.text(), f.lo.text(), f.hi.text(),
                                 f.mode_text, f.temp.text()}
                         .join(QStringLiteral(", ")));
    }
    return true;
}
} // namespace

void all_data_to_form(Configurator& c, const QByteArray& aans) {
    int stage = 0;
    if (show(c, decode_state(aans), stage)) return;

    MainForm& f = c.frmSerial;
    if (f.err_shown) return;
    c.dialogs.message(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Пришли ошибочные данные")));
    if (stage == 0)
        c.dialogs.message(
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Измените уровень пустого")));
    if (stage == 1)
        c.dialogs.message(
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Измените уровень полного")));
    f.err_shown = true;
}

void Out_modes(Configurator& c, uint8_t nn) {
    MainForm& f = c.frmSerial;
    const ModeByte m = ModeByte::decode(nn);
    f.iinv.set_value(m.invert ? 1 : 0);
    c.table_window.tartab.set_value(m.litres ? 1 : 0);
    f.tartab1.set_value(c.table_window.tartab.value());
    c.table_window.per_sents.set_value(m.percent ? 1 : 0);
    f.per_sents.set_value(c.table_window.per_sents.value());
    f.D_4096.set_value(m.range4096 ? 1 : 0);
    if (m.range4096)
        f.Ur_progressBar = f.range256 ? 256 : 4096;
    else
        f.Ur_progressBar = 1024;
    // An output code sensors do not report leaves the choice as it was.
    if (m.output) {
        const auto options = f.output_options();
        for (size_t k = 0; k < kOutputInterfaces.size(); ++k)
            options[k]->set_value(kOutputInterfaces[k] == *m.output);
    }
    f.usredn.set_value(m.smoothing ? 1 : 0);
    c.exchange.settings_refreshed();
    f.mode_text = QString::number(nn);
}

void show_extended_mode(Configurator& c, uint8_t x) {
    MainForm& f = c.frmSerial;
    const ExtendedMode m = ExtendedMode::decode(x);
    f.Termokompens.set_value(m.thermal_compensation_off ? 1 : 0);
    f.naklon.set_value(m.angle ? 1 : 0);
    f.dr_quality.set_value(m.quality ? 1 : 0);
    f.sgla.set_text(QString::number(m.smoothing_level));
    f.smoothing_slider.set_value(m.smoothing_level);
}
