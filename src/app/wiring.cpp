#include "app/wiring.h"

#include "commands/gating.h"
#include "exchange/port_scan.h"
#include "ui/configurator.h"

#if __has_include("link/connection.h")
#include "link/connection.h"
#define ZORVIK_HAVE_CONNECTION 1
#endif

void wire_shell(Configurator& cfg, PortLister& lister, const ShellOptions& options) {
    MainForm& f = cfg.frmSerial;
    f.Timer1.on_timer = [&cfg, &lister, pending = options.connect_when_shown]() mutable {
        Timer1_Timer(cfg, lister);
        // The list has just been filled; open what it selected.
        if (pending && cfg.frmSerial.visible()) {
            pending = false;
            cfg.frmSerial.BTNOpenCom.click();
        }
    };
#ifdef ZORVIK_HAVE_CONNECTION
    f.BTNOpenCom.on_click = [&cfg] { BTNOpenCom_Click(cfg); };
    f.BTNCloseCom.on_click = [&cfg] { close_routine(cfg); };
#endif
    f.ch_ver.on_click = [&f] { ch_ver_Click(f); };
    f.SSTab1.on_click = [&f] { SSTab1_Click(f); };
}
