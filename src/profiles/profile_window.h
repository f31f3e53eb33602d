#pragma once
// The settings tab's profile buttons: save the selected sensor's setup to a
// profile, compare it with one, apply one.  Every request goes through the
// exchange cycle, one a tick; apply shows the differences and asks once, then
// writes only what differs and reads the sensor again to report per field.
#include <QString>

struct Configurator;

// Connects "Сохранить профиль…", "Сравнить с профилем…" and "Применить профиль…".
// The choosers start in the folder of the profile chosen last.
void wire_profiles(Configurator& c);
