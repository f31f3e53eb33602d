#include "app/settings_memory.h"

#include "app/command_line.h"
#include "exchange/configurator.h"
#include "link/port_identity.h"

#include <QSettings>
#include <QWidget>

namespace {
const QString kPort = QStringLiteral("line/port");
const QString kGeometry = QStringLiteral("window/geometry");

void chain(std::function<void()>& handler, std::function<void()> after) {
    handler = [first = std::move(handler), after = std::move(after)] {
        if (first) first();
        after();
    };
}
} // namespace

void SettingsMemory::restore_line(Configurator& c) const {
    MainForm& f = c.frmSerial;
    const QString port = s_.value(kPort).toString().trimmed();
    if (!port.isEmpty() && port.size() <= 300 && port != kDemoLineEntry) {
        f.CmbPort.set_text(port);
        f.CmbPort.set_list_index(-1);
    }
}

void SettingsMemory::watch(Configurator& c) {
    MainForm& f = c.frmSerial;
    chain(f.BTNOpenCom.on_click, [this, &c, &f] {
        const QString port = f.CmbPort.selected_text();
        // An adapter by its stable name: next time it may have another ttyUSBn.
        if (f.BTNCloseCom.enabled() && port != kDemoLineEntry)
            s_.setValue(kPort, stable_device_name(port, c.by_id_dir));
    });
}

QByteArray SettingsMemory::window_geometry() const {
    return s_.value(kGeometry).toByteArray();
}

void SettingsMemory::save_window_geometry(const QWidget& w) {
    s_.setValue(kGeometry, w.saveGeometry());
    s_.sync();
}
