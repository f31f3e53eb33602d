#include "commands/level_calibration.h"

#include "commands/command_rules.h"
#include "exchange/network_scan.h"
#include "protocol/mode_byte.h"
#include "protocol/numbers.h"
#include "protocol/requests.h"
#include "ui/configurator.h"
#include "ui/dialogs.h"

namespace {
enum class End { Full, Empty };

// The texts and requests of one end of the scale.
struct EndRules {
    const char* name; // in log lines: "SetHight", "SetLow"
    QByteArray (*take_reading)(uint8_t address, int version);
    const char* direct_question;
    const char* direct_log;
    Result<QByteArray> (*direct)(uint8_t address, int version, int64_t level);
    const char* shift_question;
    const char* shift_log;
    Result<QByteArray> (*shift)(uint8_t address, int version, int64_t delta);
};

const EndRules& rules(End end) {
    static const EndRules full{
        "Cmd SetHight",
        request::set_full,
        "Сейчас будет произведена перекалибровка верхнего уровня. Вы уверены что это нужно?",
        "Cmd Enter Direct HI_data = ",
        request::direct_full,
        "Сейчас будет сдвинут верхний уровень. Вы уверены что это нужно?",
        "Cmd Shift Hight: ",
        request::shift_full};
    static const EndRules empty{
        "Cmd SetLow",
        request::set_empty,
        "Сейчас будет произведена перекалибровка нижнего уровня. Вы уверены что это нужно?",
        "Cmd Enter Direct LO_data = ",
        request::direct_empty,
        "Сейчас будет сдвинут уровень пустого. Вы уверены что это нужно?",
        "Cmd Shift Low: ",
        request::shift_empty};
    return end == End::Full ? full : empty;
}

void take_present_reading(Configurator& c, End end) {
    MainForm& f = c.frmSerial;
    const EndRules& r = rules(end);
    const auto addr = selected_address(f);
    if (!addr) return;
    if (!require_connected(c, QString::fromUtf8(r.name))) return;
    // The sensor stores a smoothed reading; it has to be switched off first.
    if (f.reported_mode & ModeByte::kSmoothing) {
        c.dialogs.message(
            QStringLiteral(" На время калибровки снимите СГЛАЖИВАНИЕ и нажмите УСТАНОВИТЬ"));
        return;
    }
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    f.wrs = r.take_reading(*to, f.firmware_version);
    c.str_to_log(QString::fromUtf8(r.name) + u' ');
}

void enter_level(Configurator& c, End end) {
    MainForm& f = c.frmSerial;
    const EndRules& r = rules(end);
    const auto addr = selected_address(f);
    if (!addr) {
        c.dialogs.message(QStringLiteral("Установите вменяемый уровень"));
        return;
    }
    const QString text = (end == End::Full ? f.hi_data : f.lo_data).text();
    const auto level = parse_whole_number(text);
    if (!level || !fits_int32(*level) || *level < 0 || *level > kLongMax) {
        c.dialogs.message(range_message::level);
        return;
    }
    if (!confirmed(c, QString::fromUtf8(r.direct_question))) return;
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    const Result<QByteArray> frame = r.direct(*to, f.firmware_version, *level);
    if (!frame) return;
    f.wrs = *frame;
    c.str_to_log(QString::fromUtf8(r.direct_log) + text); // as typed
}

void shift_level(Configurator& c, End end) {
    MainForm& f = c.frmSerial;
    const EndRules& r = rules(end);
    const auto delta = parse_whole_number(c.shift_window.data.text());
    if (!delta || !fits_int16(*delta)) return;
    if (*delta > kShiftLimit || *delta < -kShiftLimit) {
        c.dialogs.message(range_message::shift);
        return;
    }
    const auto addr = selected_address(f);
    if (!addr) return;
    if (!confirmed(c, QString::fromUtf8(r.shift_question))) return;
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    const Result<QByteArray> frame = r.shift(*to, f.firmware_version, *delta);
    if (!frame) return;
    f.wrs = *frame;
    c.str_to_log(QString::fromUtf8(r.shift_log) + QString::number(*delta));
}
} // namespace

void hig_Click(Configurator& c) {
    take_present_reading(c, End::Full);
}
void low_Click(Configurator& c) {
    take_present_reading(c, End::Empty);
}
void set_hi_data_Click(Configurator& c) {
    enter_level(c, End::Full);
}
void set_lo_data_Click(Configurator& c) {
    enter_level(c, End::Empty);
}
void sdv_hi_Click(Configurator& c) {
    shift_level(c, End::Full);
}
void sdv_low_Click(Configurator& c) {
    shift_level(c, End::Empty);
}
void shift_Click(Configurator& c) {
    c.shift_window.set_visible(true);
}

void wire_level_calibration(Configurator& c) {
    MainForm& f = c.frmSerial;
    f.hig.on_click = [&c] { hig_Click(c); };
    f.low.on_click = [&c] { low_Click(c); };
    f.set_hi_data.on_click = [&c] { set_hi_data_Click(c); };
    f.set_lo_data.on_click = [&c] { set_lo_data_Click(c); };
    f.shift.on_click = [&c] { shift_Click(c); };
    // The shift window hides after either shift, whatever came of it.
    ShiftForm& w = c.shift_window;
    w.shift_full.on_click = [&c] {
        sdv_hi_Click(c);
        c.shift_window.set_visible(false);
    };
    w.shift_empty.on_click = [&c] {
        sdv_low_Click(c);
        c.shift_window.set_visible(false);
    };
    w.close_window.on_click = [&c] { c.shift_window.set_visible(false); };
}
