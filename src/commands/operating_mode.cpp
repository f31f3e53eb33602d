#include "commands/operating_mode.h"

#include "commands/command_rules.h"
#include "commands/operations.h"
#include "exchange/configurator.h"
#include "i18n/language.h"
#include "protocol/mode_byte.h"
#include "protocol/numbers.h"
#include "protocol/requests.h"

#include <algorithm>

namespace {
// The smoothing level as `sgla` shows it (the slider keeps it in 0..15).
int shown_smoothing(const MainForm& f) {
    return int(std::clamp<int64_t>(parse_whole_number(f.sgla.text()).value_or(0), 0, 15));
}
} // namespace

void Set_mode_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    // The litre and percent flags follow the table window's boxes, also when
    // the operation is refused below.
    f.tartab1.set_value(c.table_window.tartab.value());
    f.per_sents.set_value(c.table_window.per_sents.value());

    const ModeByte mode = f.settings_mode();
    ExtendedMode extended;
    extended.angle = f.naklon.value() != 0;
    extended.quality = f.dr_quality.value() != 0; // the sensor takes one of the two

    const OperationRules& r = rules_of(Operation::Mode);
    if (!require_connected(c, r.connected_check)) return;
    const auto addr = f.selected_address();
    if (!addr) return;
    // A sensor in frequency output takes no more requests on its RS-485 line;
    // the engineer must know that before saying yes.
    const QString question = mode.output == OutputInterface::Frequency
                                 ? fill_text(kFrequencyModeWarning, {r.question})
                                 : r.question;
    if (!confirmed(c, question)) return;
    const auto to = still_addressed(c, *addr);
    if (!to) return;

    extended.smoothing_level = uint8_t(shown_smoothing(f));
    extended.thermal_compensation_off = f.Termokompens.value() == 1; // greyed does not count
    c.str_to_log(mode_log_record(mode.encode(), extended.smoothing_level));
    // The extended byte goes out only to firmware that reads it.
    c.exchange.queue(request::set_mode(*to, f.firmware_version, mode.encode(), extended.encode()));
    c.exchange.refresh_settings_next();
}

void smoothing_slider_moved(Configurator& c) {
    c.frmSerial.sgla.set_text(QString::number(c.frmSerial.smoothing_slider.value()));
}

void wire_operating_mode(Configurator& c) {
    c.frmSerial.Set_mode.on_click = [&c] { Set_mode_Click(c); };
    c.frmSerial.smoothing_slider.on_change = [&c] { smoothing_slider_moved(c); };
}
