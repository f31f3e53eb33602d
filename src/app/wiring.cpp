#include "app/wiring.h"

#include "app/command_line.h"
#include "exchange/network_scan.h"
#include "i18n/language.h"

#include "commands/wire_commands.h"
#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/data_age.h"
#include "exchange/exchange_cycle.h"
#include "exchange/port_scan.h"
#include "firmware/firmware_tab.h"
#include "link/port_identity.h"
#include "profiles/profile_window.h"
#include "relay/relay_generator.h"
#include "tables/table_window.h"
#include "ui/gating.h"

#include <QClipboard>
#include <QGuiApplication>

QString missing_port_text(const QString& port) {
    // A run-log record and a message: kept Russian, shown through the catalogue.
    return fill_text(QT_TRANSLATE_NOOP("Messages", "Порт %1 не найден, порт не открыт."), {port});
}

void refresh_port_list(Configurator& cfg, PortLister& lister) {
    ComboBox& list = cfg.frmSerial.CmbPort;
    // Typed text is no entry of the list: the box's own text with nothing selected.
    const QString typed = list.list_index() < 0 ? list.text() : QString();
    port_presence_tick(cfg, lister);
    if (typed.isEmpty()) return;
    int at = int(list.items().indexOf(typed));
    // A remembered stable name picks the entry of its adapter, whatever
    // ttyUSBn it has now.
    if (at < 0 && typed.startsWith(cfg.by_id_dir + u'/'))
        for (int i = 0; i < list.list_count() && at < 0; ++i)
            if (same_device(list.items()[i], typed)) at = i;
    if (at >= 0) {
        list.set_list_index(at);
        return;
    }
    list.set_text(typed);
    list.set_list_index(-1);
}

void wire_shell(Configurator& cfg, PortLister& lister, const ShellOptions& options) {
    MainForm& f = cfg.frmSerial;
    f.presence_timer.on_timer = [&cfg, &lister, pending = options.connect_when_shown,
                                 scan = options.scan_after_connect,
                                 named = options.connect_port]() mutable {
        refresh_port_list(cfg, lister);
        // The list has just been filled; open what it selected.
        if (pending && cfg.frmSerial.visible()) {
            pending = false;
            MainForm& m = cfg.frmSerial;
            if (!named.isEmpty()) {
                // Another port in its place could be anything: a modem, a
                // second line with other sensors.
                const int at = int(m.CmbPort.items().indexOf(named));
                if (at < 0) {
                    m.MsgCom.set_text(missing_port_text(named));
                    cfg.str_to_log(missing_port_text(named));
                    return;
                }
                m.CmbPort.set_list_index(at);
            }
            m.BTNOpenCom.click();
            // A network port answers later: the search goes out once it has
            // opened, and a failed open drops it (nothing logged that was not sent).
            if (scan && m.BTNCloseCom.enabled())
                Opros_Click(cfg);
            else if (scan && !m.BTNOpenCom.enabled())
                cfg.once_opened = [&cfg] { Opros_Click(cfg); };
        }
    };
    wire_connection(cfg);
    wire_exchange(cfg);
    wire_commands(cfg);
    wire_tables(cfg);
    wire_profiles(cfg);
    wire_firmware(cfg);
    f.ch_ver.on_click = [&f] { ch_ver_Click(f); };
    f.tabs.on_click = [&f] { tab_switched(f); };
    wire_relay(cfg, [](const QString& text) { QGuiApplication::clipboard()->setText(text); });
    wire_data_age(cfg);
}
