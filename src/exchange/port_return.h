#pragma once
// A port lost under an open link (adapter pulled, pseudo-terminal gone,
// gateway connection dropped) is waited for, not given up: the window keeps
// its place, says so, and opens the very same port again once it is back.
// Only the name it was opened by is tried (a by-id name, a path, a gateway
// address), never whatever else appears meanwhile.  "Закрыть порт" ends the
// wait.
#include "ui/port_news.h"

#include <QString>

#include <cstdint>
#include <optional>

struct Configurator;

struct LostPort {
    QString item;         // as the port list named it
    QString device;       // what it was opened by, and is opened by again
    bool opening = false; // an attempt is under way (a gateway takes its time)
    uint32_t attempt = 0;
};

// From now on the port is waited for (the cycle's tick found it gone).
void wait_for_port(Configurator& c);
// A tick of the cycle while the port is gone: drops what the user queued
// meanwhile (nothing goes out long after it was asked for) and tries the
// port again when it is there.
void port_return_tick(Configurator& c);
