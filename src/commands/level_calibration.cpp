#include "commands/level_calibration.h"

#include "commands/command_rules.h"
#include "commands/operations.h"
#include "exchange/configurator.h"
#include "protocol/mode_byte.h"
#include "protocol/numbers.h"
#include "protocol/requests.h"
#include "ui/dialogs.h"

namespace {
enum class End { Full, Empty };

Operation take_reading_op(End end) {
    return end == End::Full ? Operation::SetFull : Operation::SetEmpty;
}
Operation direct_op(End end) {
    return end == End::Full ? Operation::DirectFull : Operation::DirectEmpty;
}
Operation shift_op(End end) {
    return end == End::Full ? Operation::ShiftFull : Operation::ShiftEmpty;
}

void take_present_reading(Configurator& c, End end) {
    MainForm& f = c.frmSerial;
    const OperationRules& r = rules_of(take_reading_op(end));
    const auto addr = f.selected_address();
    if (!addr) return;
    if (!require_connected(c, r.connected_check)) return;
    // The sensor stores a smoothed reading; it has to be switched off first.
    if (f.reported_mode & ModeByte::kSmoothing) {
        c.dialogs.message(kSmoothingOnRefusal);
        return;
    }
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    c.exchange.queue(r.build(*to, f.firmware_version, 0).value());
    c.str_to_log(r.log_prefix);
}

void enter_level(Configurator& c, End end) {
    MainForm& f = c.frmSerial;
    const Operation op = direct_op(end);
    const OperationRules& r = rules_of(op);
    const auto addr = f.selected_address();
    if (!addr) {
        c.dialogs.message(
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Установите вменяемый уровень")));
        return;
    }
    const QString text = (end == End::Full ? f.hi_data : f.lo_data).text();
    const auto level = parse_whole_number(text);
    if (!level || !fits_int32(*level) || !checked_value(op, *level)) {
        c.dialogs.message(r.range_message);
        return;
    }
    if (!confirmed(c, r.question)) return;
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    const Result<QByteArray> frame = r.build(*to, f.firmware_version, *level);
    if (!frame) return;
    c.exchange.queue(*frame);
    c.str_to_log(log_record(op, text, *level)); // as typed
}

void shift_level(Configurator& c, End end) {
    MainForm& f = c.frmSerial;
    const Operation op = shift_op(end);
    const OperationRules& r = rules_of(op);
    const auto delta = parse_whole_number(c.shift_window.data.text());
    if (!delta || !fits_int16(*delta)) return;
    if (!checked_value(op, *delta)) {
        c.dialogs.message(r.range_message);
        return;
    }
    const auto addr = f.selected_address();
    if (!addr) return;
    if (!confirmed(c, r.question)) return;
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    const Result<QByteArray> frame = r.build(*to, f.firmware_version, *delta);
    if (!frame) return;
    c.exchange.queue(*frame);
    c.str_to_log(log_record(op, QString(), *delta));
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
