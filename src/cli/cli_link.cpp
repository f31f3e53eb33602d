#include "cli/cli_link.h"
#include "i18n/language.h"

#include "exchange/connection.h"
#include "protocol/serial_port.h"

#include <QEventLoop>
#include <QTimer>

namespace {
constexpr int kStopPollMs = 50;
} // namespace

bool CliLink::open(const QString& port_name, const QString& log_folder) {
    QString why;
    if (!c_.log.create(log_folder, &why)) {
        console_.err(
            fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось создать журнал в папке %1: %2"),
                      {log_folder, why}));
        return false;
    }
    MainForm& f = c_.frmSerial;
    f.CmbPort.clear();
    f.CmbPort.add_item(port_name);
    f.CmbPort.set_list_index(0);
    const QString device = line_.device;
    c_.device_for_item = [device](const QString&) { return device; };
    BTNOpenCom_Click(c_); // on failure it has run the close routine itself
    // A server far away answers later, through the event loop; a stop signal
    // meanwhile gives the attempt up.
    const auto answered = [&f] { return f.BTNOpenCom.enabled() || f.BTNCloseCom.enabled(); };
    if (!answered()) {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (answered() || console_.stop_requested()) loop.quit();
        });
        poll.start(kStopPollMs);
        loop.exec();
        if (!answered()) {
            const QString interrupted = QString::fromUtf8(kCliInterrupted);
            console_.err(interrupted);
            c_.str_to_log(interrupted);
            close_routine(c_);
        }
    }
    opened_ = line_.port.IsOpen();
    return opened_;
}

void CliLink::close() {
    if (!opened_) return;
    opened_ = false;
    close_routine(c_);
}
