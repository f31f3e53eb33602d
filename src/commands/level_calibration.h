#pragma once
// Calibrating the level: the present reading as the full or empty level, the
// full or empty level entered as a number, and shifting either by a signed
// amount from the shift window `Form4`.
struct Configurator;

// `hig` / `low` "Установить текущий".
void hig_Click(Configurator& c);
void low_Click(Configurator& c);
// `set_hi_data` / `set_lo_data` "Установить": the value of `hi_data` / `lo_data`.
void set_hi_data_Click(Configurator& c);
void set_lo_data_Click(Configurator& c);
// The shift window's two operations; both read its `data`.
void sdv_hi_Click(Configurator& c);
void sdv_low_Click(Configurator& c);
// `shift` "Сдвиг уровня": shows the shift window, modeless.
void shift_Click(Configurator& c);

// Connects the buttons above and those of the shift window.
void wire_level_calibration(Configurator& c);
