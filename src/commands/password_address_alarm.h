#pragma once
// The sensor's access password, its network address, its low-fuel alarm
// level and the horizon command.
#include <QString>

struct Configurator;

// Said when something already answers at the address a sensor is to be given.
QString address_taken_text(int address);

// `Vvod_PWD` "Ввести пароль": presents the password.
void Vvod_PWD_Click(Configurator& c);
// `Chg_pass` "Установить пароль": sets a new password.
void Chg_pass_Click(Configurator& c);
// `net` "Изменить сетевой адрес".
void net_Click(Configurator& c);
// `Command1` "Установить": sends the alarm level of `lamp_level`.
void set_alarm_level_Click(Configurator& c);
// `horizont` "Горизонт".
void horizont_Click(Configurator& c);

void wire_password_address_alarm(Configurator& c);
