#include "exchange/state_display.h"

#include "protocol/numbers.h"
#include "ui/configurator.h"
#include "ui/dialogs.h"

#include <QLocale>

#include <cmath>
#include <optional>

namespace {
// Reads positions (from 1) of a reply; a position past the end marks the
// reply as faulty instead of reading beyond it.
class Reader {
public:
    explicit Reader(const QByteArray& a) : a_(a) {}
    std::optional<uint8_t> byte(int pos) const {
        if (pos < 1 || pos > a_.size()) return std::nullopt;
        return uint8_t(a_[pos - 1]);
    }
    // Little-endian unsigned value of `width` bytes from `pos`.
    std::optional<uint32_t> le(int pos, int width) const {
        if (pos < 1 || pos + width - 1 > a_.size()) return std::nullopt;
        uint32_t v = 0;
        for (int k = width - 1; k >= 0; --k) v = v * 256 + uint8_t(a_[pos - 1 + k]);
        return v;
    }
    qsizetype size() const { return a_.size(); }

private:
    const QByteArray& a_;
};

QString number_text(double v) {
    return decimal_text(v, QLocale());
}

// Decoding steps in order; returns false at the first fault, with `stage`
// telling how far the calibration values got.
bool decode(Configurator& c, const Reader& r, int& stage) {
    MainForm& f = c.frmSerial;
    f.freq_mode = 0;
    f.ur.set_text(QStringLiteral("Уровень"));

    const auto cur = r.le(7, 4);
    if (!cur) return false;
    const uint32_t C = *cur;
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

    const auto t_byte = r.byte(4);
    if (!t_byte) return false;
    int t = *t_byte;
    if (t > 127) t -= 254; // the sensor's own offset, not two's complement
    f.temp.set_text(QString::number(t) + QStringLiteral(" °C"));

    const auto addr = r.byte(2);
    if (!addr) return false;
    f.ne.set_text(QString::number(*addr));

    const auto level = r.le(5, 2);
    if (!level) return false;
    const int N = int(*level);

    f.ProgressBar1.set_max(f.Ur_progressBar);
    if (N >= 0 && N < f.Ur_progressBar) f.ProgressBar1.set_value(N);

    f.Uroven.set_text(QString::number(N));
    f.freq.set_text(QString::number(N + 300) + QStringLiteral(" Гц"));

    const int64_t w = round_half_even(double(N) * 100 * 5 / 4096);
    if (f.D_4096.value() != 0)
        f.anal.set_text(number_text(double(w) / 100) + QStringLiteral(" В"));
    else
        f.anal.set_text(number_text(double(w) / 25) + QStringLiteral(" В"));

    const auto empty = r.le(11, 4);
    if (!empty) return false;
    const uint32_t E = *empty;
    f.lo.set_text(QString::number(E));
    stage = 1;

    const auto full = r.le(15, 4);
    if (!full) return false;
    const uint32_t F = *full;
    f.hi.set_text(QString::number(F));
    stage = 2;

    const auto coef = r.le(19, 2);
    if (!coef) return false;
    const uint32_t K = *coef;
    f.ko.set_text(QString::number(K));

    if (f.lo.text().size() < 6 && f.hi.text().size() < 8) {
        if (K == 0) return false;
        f.kko.set_text(number_text((double(F) - double(E)) / (double(K) * 64)));
    }

    const qsizetype L = r.size();
    if (L > 22 && f.mode_yes != 0) f.lamp_level.set_text(QString::number(*r.byte(22)));
    if (L > 23 && f.mode_yes != 0) show_extended_mode(c, *r.byte(23));
    if (L > 21) {
        f.reported_mode = *r.byte(21);
        if (f.mode_yes != 0) Out_modes(c, f.reported_mode);
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
                             static_cast<Control*>(&f.Label19)})
            ctl->set_back_colour(colour);
        const int64_t cm = round_half_even(double(E) / 600);
        if (cm > 32767) return false;
        f.Kalibr_warning.set_text(QStringLiteral("Внимание! Установка Пустой соотв. длине около ") +
                                  QString::number(cm) + QStringLiteral(" см."));
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
    if (decode(c, Reader(aans), stage)) return;

    MainForm& f = c.frmSerial;
    if (f.err_shown != 0) return;
    c.dialogs.message(QStringLiteral("Пришли ошибочные данные"));
    if (stage == 0) c.dialogs.message(QStringLiteral("Измените уровень пустого"));
    if (stage == 1) c.dialogs.message(QStringLiteral("Измените уровень полного"));
    f.err_shown = 1;
}

void Out_modes(Configurator& c, uint8_t nn) {
    MainForm& f = c.frmSerial;
    f.iinv.set_value((nn & 0x01) ? 1 : 0);
    c.Form3.tartab.set_value((nn & 0x40) ? 1 : 0);
    f.tartab1.set_value(c.Form3.tartab.value());
    c.Form3.per_sents.set_value((nn & 0x20) ? 1 : 0);
    f.per_sents.set_value(c.Form3.per_sents.value());
    if (nn & 0x80) {
        f.D_4096.set_value(1);
        f.Ur_progressBar = f.range256 ? 256 : 4096;
    } else {
        f.D_4096.set_value(0);
        f.Ur_progressBar = 1024;
    }
    OptionButton* const outputs[] = {&f.R485, &f.R_a, &f.R_f, &f.R_p, &f.R_p485, &f.rs_232};
    int chosen = -1;
    switch (nn & 0x16) {
    case 0x00:
        chosen = 0;
        break;
    case 0x02:
        chosen = 1;
        break;
    case 0x04:
        chosen = 2;
        break;
    case 0x06:
        chosen = 3;
        break;
    case 0x10:
        chosen = 4;
        break;
    case 0x12:
        chosen = 5;
        break;
    default:
        break; // 0x14 and 0x16 are not reported by sensors; leave the choice
    }
    if (chosen >= 0)
        for (int k = 0; k < 6; ++k) outputs[k]->set_value(k == chosen);
    f.usredn.set_value((nn & 0x08) ? 1 : 0);
    f.mode_yes = 0;
    f.mode_text = QString::number(nn);
}

void show_extended_mode(Configurator& c, uint8_t x) {
    MainForm& f = c.frmSerial;
    f.Termokompens.set_value((x & 0x80) ? 1 : 0);
    f.naklon.set_value((x & 0x10) ? 1 : 0);
    f.dr_quality.set_value((x & 0x20) ? 1 : 0);
    const int s = x & 0x0F;
    f.sgla.set_text(QString::number(s));
    f.Slider1.set_value(s);
}
