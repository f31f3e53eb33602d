#include "commands/command_rules.h"

#include "commands/operations.h"
#include "exchange/configurator.h"
#include "protocol/serial_port.h"
#include "ui/dialogs.h"

bool sensor_connected(const MainForm& f) {
    return f.tek.text() != kNoData;
}

bool require_connected(Configurator& c, const QString& log_prefix) {
    if (sensor_connected(c.frmSerial)) return true;
    c.dialogs.message(kNotConnected);
    c.str_to_log(log_prefix + QStringLiteral(": ") + kNotConnected);
    return false;
}

bool confirmed(Configurator& c, const QString& question) {
    return c.dialogs.ask_yes_no(question);
}

std::optional<uint8_t> still_addressed(const Configurator& c, uint8_t asked) {
    if (!c.port.IsOpen()) return std::nullopt;
    const auto now = c.frmSerial.selected_address();
    if (!now || *now != asked) return std::nullopt;
    return now;
}
