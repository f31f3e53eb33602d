#pragma once
// Auto-calibration by portions on the "Тарировка" tab: the tank is filled
// portion by portion and after each one the level shown is recorded in the
// grid and appended to the calibration file (trr) at once, so a calibration
// broken off can be resumed from the file.
struct Configurator;

// "Новая тарировка": reset, ask for the portion, create the file.
void new_calibration_Click(Configurator& c);
// "Возобновить тарировку": reload a file's points, infer the portion.
void resume_calibration_Click(Configurator& c);
// "Изменить": a new portion; the waiting row's litres follow it.
void ch_portion_Click(Configurator& c);
// "Ввести значение  (F9)": record the level shown in the waiting row.
void record_point_Click(Configurator& c);

void wire_auto_calibration(Configurator& c);
