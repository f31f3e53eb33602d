#pragma once
// What every configuration operation shares: the connected check, the Yes/No
// question, and the check made just before the request is stored.
#include <QString>

#include <cstdint>
#include <optional>

struct Configurator;
class MainForm;

// A sensor has answered since the port was opened: `tek` shows a reading.
bool sensor_connected(const MainForm& f);
// False after saying "Датчик не подключен!" and logging it behind
// `log_prefix` ("Cmd SetHight" gives "Cmd SetHight: Датчик не подключен!").
bool require_connected(Configurator& c, const QString& log_prefix);
// A Yes/No question; true only for Yes.
bool confirmed(Configurator& c, const QString& question);

// The address an operation's request goes to, taken after its last dialog.
// A dialog runs a nested event loop in which the exchange cycle goes on: the
// link may have closed (failed writes) or another sensor been selected
// meanwhile.  An answer given about a sensor that is no longer the one
// addressed stores nothing, so nothing stale goes out after a reopen.
std::optional<uint8_t> still_addressed(const Configurator& c, uint8_t asked);
