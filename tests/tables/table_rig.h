#pragma once
// A configurator on fakes with the table window wired, port open, sensor 1
// selected and connected.
#include "../support/configurator_rig.h"

#include "tables/table_exchange.h"
#include "tables/table_window.h"

struct TableRig : ConfiguratorRig {
    TableForm& t = c.table_window;
    TableRig() {
        wire_tables(c);
        open();
        select(1);
        f.tek.set_text(QStringLiteral("1234")); // a sensor answers
    }
    QStringList cells() const { return cell_texts(c.table_window); }
};
