#pragma once
// The calibration table on the wire.
#include <QByteArray>
#include <QString>

struct Configurator;

// Decodes a table reply (84 bytes: header, 20 readings, 20 litre values, each
// two bytes high first, CRC) into the table window's cells and returns the 40
// values in that order, each followed by ", ".  A shorter reply changes
// nothing and gives the empty text.
QString ans_to_table(Configurator& c, const QByteArray& aans);
