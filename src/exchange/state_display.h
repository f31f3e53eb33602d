#pragma once
// The live display of a state reply and the configuration controls it feeds.
//
// Numbers with a fraction use the default locale's decimal separator
// (QLocale(), the system's unless the program or a test sets another).
#include <QByteArray>

#include <cstdint>

struct Configurator;

// Shows a whole state reply (already CRC-checked).  Any fault in it ends the
// decoding where it stands and tells the user once until the next request.
void all_data_to_form(Configurator& c, const QByteArray& aans);
// Shows a mode byte in the setting controls; the settings refresh is done.
void Out_modes(Configurator& c, uint8_t nn);
// Shows an extended mode byte: smoothing level, angle, quality, thermal compensation.
void show_extended_mode(Configurator& c, uint8_t x);
