#pragma once
// The calibration table on the wire.
#include <QByteArray>
#include <QString>

#include <optional>

struct Configurator;

// Decodes a table reply (84 bytes: header, 20 readings, 20 litre values, each
// two bytes high first, CRC) into the table window's cells and returns the 40
// values in that order, each followed by ", ".  A reply that is no whole table
// changes no cell, says why in the status line and gives nothing.
std::optional<QString> ans_to_table(Configurator& c, const QByteArray& aans);
