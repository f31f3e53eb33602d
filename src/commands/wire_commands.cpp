#include "commands/wire_commands.h"

#include "commands/level_calibration.h"
#include "commands/operating_mode.h"
#include "commands/password_address_alarm.h"

void wire_commands(Configurator& c) {
    wire_level_calibration(c);
    wire_operating_mode(c);
    wire_password_address_alarm(c);
}
