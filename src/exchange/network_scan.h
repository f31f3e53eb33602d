#pragma once
// Finding the sensors on the line and identifying the selected one.
#include <QByteArray>

#include <cstdint>
#include <optional>

struct Configurator;
class MainForm;

// "Поиск датчиков": queues the scan request.
void Opros_Click(Configurator& c);
// A selection in the address list (by the user or by the program).
void CmbNet_Click(Configurator& c);
// The identity request for the selected entry; empty when there is none.
QByteArray Zapros_ser_num(const MainForm& f);
// The unframed answer to a scan: one address byte per sensor.
void net_answer(Configurator& c, const QByteArray& reply);
// Decodes an identity reply: serial number, firmware version, gating.
void assept_sn(Configurator& c, const QByteArray& aans);
