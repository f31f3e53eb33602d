#pragma once
// The calibration table on the wire: reading it into the table window's
// cells and writing the cells to the sensor.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

struct Configurator;
class TableForm;

// The 40 cell texts in the table's order: readings of points 0..19, then
// their litres.
QStringList cell_texts(const TableForm& t);
// Fills the 40 cells from such a list (exactly 40 texts) and clears any
// marking of a bad cell.
void set_cell_texts(TableForm& t, const QStringList& texts);

// `rdt`: queues the table read for the selected address.  No address or no
// open port: the reason in the status line and nothing queued.
void rdt(Configurator& c);
// Queues the table write from the cells.  A cell that is no whole number
// 0..32767 is marked and named in the status line, and nothing is queued;
// so is a missing address or a closed port.  True when the write is queued.
bool queue_table_write(Configurator& c);
// "Записать в датчик": the write, then the mode write two ticks later.
void wrmyTable_Click(Configurator& c);
// "Пересчитывать в литры" of the main window: read the table, show the window.
void open_table_Click(Configurator& c);

// Decodes a table reply (84 bytes: header, 20 readings, 20 litre values, each
// two bytes high first, CRC) into the table window's cells and returns the 40
// values in that order, each followed by ", ".  A reply that is no whole table
// changes no cell, says why in the status line and gives nothing.
std::optional<QString> ans_to_table(Configurator& c, const QByteArray& aans);

// A sound table reply (its CRC checked by the dispatch): the cells, then the
// status line, the run log and the tone.
void table_reply(Configurator& c, const QByteArray& reply);
// Registers table_reply for table replies, once however often it is called;
// part of wire_tables, and wherever table replies are handled without the window.
void listen_for_tables(Configurator& c);
