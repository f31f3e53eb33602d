#pragma once
// The table window `Form3`: table files (zvk), the litre and percent boxes,
// closing; and the wiring of everything in this folder.
#include <QString>

struct Configurator;

inline const QString kTableFileFilter = QStringLiteral("tbl Files (*.zvk)");

// The folder the file choosers start in: the program's own.
QString program_folder();

// "Открыть файл": loads a table file into the cells, whole or not at all.
void fTablOpen_Click(Configurator& c);
// "Сохранить в файл": saves the cells into a table file, whole or not at all.
void fTablSave_Click(Configurator& c);

// Connects the table window, `Command6` and the auto-calibration buttons.
void wire_tables(Configurator& c);
