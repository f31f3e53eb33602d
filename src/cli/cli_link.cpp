#include "cli/cli_link.h"
#include "i18n/language.h"

#include "exchange/connection.h"
#include "exchange/port_return.h"
#include "link/port_identity.h"
#include "protocol/line_settings.h"
#include "protocol/serial_port.h"

#include <QEventLoop>
#include <QTimer>

#include <optional>

namespace {
constexpr int kStopPollMs = 50;
constexpr int kReturnPollMs = 250; // how soon a port that is back is opened
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
    // Waited for by what it is, should it go: not by the ttyUSBn it has now.
    if (opened_) stable_device_ = stable_device_name(line_.device);
    return opened_;
}

void CliLink::close() {
    if (!opened_) return;
    opened_ = false;
    close_routine(c_);
}

bool CliLink::wait_for_return(const QString& port_name) {
    const QString lost = port_lost_text(port_name);
    console_.err(lost);
    c_.str_to_log(lost);
    line_.port.ClosePort(); // the device may come back under its own name only once let go
    while (!console_.stop_requested()) {
        console_.pause(kReturnPollMs);
        if (console_.stop_requested() || !line_.port.PortExists(stable_device_)) continue;
        // A gateway may take seconds to answer; a stop meanwhile gives it up.
        std::optional<bool> opened;
        line_.port.OpenPortAsync(stable_device_, kSensorLineSettings,
                                 [&opened](bool ok) { opened = ok; });
        if (!opened) {
            QEventLoop loop;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (opened || console_.stop_requested()) loop.quit();
            });
            poll.start(kStopPollMs);
            loop.exec();
        }
        if (!opened) {
            line_.port.ClosePort(); // gives the attempt up
            break;
        }
        if (*opened) {
            c_.str_to_log(QStringLiteral("Com Port ") + stable_device_ + QStringLiteral(" Open"));
            const QString back = port_back_text(port_name);
            console_.err(back);
            c_.str_to_log(back);
            return true;
        }
    }
    return false;
}
