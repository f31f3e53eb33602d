#include "app/wiring.h"

#include "app/command_line.h"
#include "exchange/network_scan.h"

#include "commands/gating.h"
#include "commands/operating_mode.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "exchange/port_scan.h"
#include "tables/table_window.h"
#include "ui/configurator.h"

void wire_shell(Configurator& cfg, PortLister& lister, const ShellOptions& options) {
    MainForm& f = cfg.frmSerial;
    f.Timer1.on_timer = [&cfg, &lister, pending = options.connect_when_shown,
                         scan_demo = options.scan_demo_after_connect]() mutable {
        Timer1_Timer(cfg, lister);
        // The list has just been filled; open what it selected.
        if (pending && cfg.frmSerial.visible()) {
            pending = false;
            MainForm& m = cfg.frmSerial;
            m.BTNOpenCom.click();
            if (scan_demo && m.BTNCloseCom.enabled() && m.CmbPort.selected_text() == kDemoLineEntry)
                Opros_Click(cfg);
        }
    };
    wire_connection(cfg);
    wire_exchange(cfg);
    wire_operating_mode(cfg);
    wire_tables(cfg);
    f.ch_ver.on_click = [&f] { ch_ver_Click(f); };
    f.SSTab1.on_click = [&f] { SSTab1_Click(f); };
}
