#include "cli/cli_link.h"

#include "exchange/connection.h"
#include "protocol/serial_port.h"

bool CliLink::open(const QString& port_name, const QString& log_folder) {
    QString why;
    if (!c_.log.create(log_folder, &why)) {
        console_.err(QStringLiteral("Не удалось создать журнал в папке ") + log_folder +
                     QStringLiteral(": ") + why);
        return false;
    }
    MainForm& f = c_.frmSerial;
    f.CmbPort.clear();
    f.CmbPort.add_item(port_name);
    f.CmbPort.set_list_index(0);
    const QString device = line_.device;
    c_.device_for_item = [device](const QString&) { return device; };
    BTNOpenCom_Click(c_); // on failure it has run the close routine itself
    opened_ = line_.port.IsOpen();
    return opened_;
}

void CliLink::close() {
    if (!opened_) return;
    opened_ = false;
    close_routine(c_);
}
