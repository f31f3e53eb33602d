// How long the exchange cycle holds up the window's event loop: 60 ticks
// against a silent line and 60 against a sensor that answers, over a
// pseudo-terminal served by the simulated line with wire timing, through the
// real serial port.  A 1 ms timer records how late it
// fires; the figures are the longest and the 99th-percentile lateness in ms.  For comparison the
// same runs with the read done blocking, as a plain ReadPort would.
#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "link/clock.h"
#include "link/qt_serial_port.h"
#include "protocol/serial_port.h"
#include "sim/pty_server.h"
#include "ui/dialogs.h"
#include "ui/tones.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
class QuietDialogs final : public Dialogs {
public:
    int shown = 0;
    void message(const QString&, MsgIcon, const QString&) override { ++shown; }
    bool ask_yes_no(const QString&, const QString&) override { return false; }
    std::optional<QString> input_box(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QString open_file(const QString&, const QString&, const QString&) override { return {}; }
    QString save_file(const QString&, const QString&, const QString&) override { return {}; }
};
class QuietTones final : public Tones {
public:
    void tone(int, int) override {}
};

// The real port, or the real port with its read made blocking again (the
// plain ReadPort in the tick), for comparison.
class BlockingRead final : public SerialPort {
public:
    explicit BlockingRead(SerialPort& p) : p_(p) {}
    bool OpenPort(const QString& d, const QString& s) override { return p_.OpenPort(d, s); }
    int ClosePort() override { return p_.ClosePort(); }
    void FlushPort() override { p_.FlushPort(); }
    QByteArray ReadPort() override { return p_.ReadPort(); }
    uint16_t WritePort(const QByteArray& data) override { return p_.WritePort(data); }
    bool PortExists(const QString& name) override { return p_.PortExists(name); }
    bool is_open() const override { return p_.is_open(); }
    void read_async(std::function<void(QByteArray)> done) override { done(p_.ReadPort()); }

private:
    SerialPort& p_;
};

struct Figures {
    double longest = 0, p99 = 0;
    int replies = 0;
};

Figures run(Configurator& c, int ticks, int interval_ms) {
    std::vector<double> late;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        late.push_back(std::max(0.0, double(now - last) / 1e6 - 1.0));
        last = now;
    });
    int done = 0, replies = 0;
    QEventLoop loop;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (c.frmSerial.MsgCom.text() == QStringLiteral("Датчик подключен") ||
            c.frmSerial.Uroven.text() == QStringLiteral("812"))
            ++replies;
        c.frmSerial.Uroven.set_text(QString());
        c.frmSerial.MsgCom.set_text(QString());
        if (done++ == ticks) {
            loop.quit();
            return;
        }
        TMRComm_Timer(c);
    });
    probe.start();
    ticker.start(interval_ms);
    loop.exec();
    probe.stop();
    ticker.stop();
    std::sort(late.begin(), late.end());
    Figures f;
    if (!late.empty()) {
        f.longest = late.back();
        f.p99 = late[size_t(double(late.size() - 1) * 0.99)];
    }
    f.replies = replies;
    return f;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SimLine line = SimLine::demo();
    line.set_wire_timing(true);
    PtyServer server(std::move(line));
    QString error;
    if (!server.start({}, &error)) {
        std::fprintf(stderr, "cannot serve the simulated line: %s\n", qPrintable(error));
        return 1;
    }
    const QString device = server.device_path();

    const int kTicks = argc > 1 ? atoi(argv[1]) : 60, kInterval = 300;
    std::printf("exchange cycle event-loop stall, %d ticks each, one tick every %d ms, %s\n",
                kTicks, kInterval, qPrintable(device));
    std::printf("%-32s %10s %10s %8s\n", "run", "max ms", "p99 ms", "replies");
    for (bool blocking : {false, true}) {
        for (bool answering : {false, true}) {
            QuietDialogs dialogs;
            QtSerialPort real;
            BlockingRead blocking_port(real);
            SerialPort& port = blocking ? static_cast<SerialPort&>(blocking_port) : real;
            QuietTones tones;
            SystemClock clock;
            Configurator c(port, dialogs, tones, clock);
            c.device_for_item = [](const QString& item) { return item; };
            c.frmSerial.CmbPort.add_item(device);
            c.frmSerial.CmbPort.set_list_index(0);
            // Address 5 answers; nobody lives at 7.
            const int address = answering ? 5 : 7;
            c.frmSerial.CmbNet.add_item(QString::number(address));
            c.frmSerial.CmbNet.set_list_index(0);
            c.exchange.id_addr = uint8_t(address);
            c.exchange.drop_pending();
            c.exchange.settings_refreshed();
            BTNOpenCom_Click(c);
            if (!port.is_open()) {
                std::fprintf(stderr, "cannot open %s\n", qPrintable(device));
                return 1;
            }
            const Figures f = run(c, kTicks, kInterval);
            close_routine(c);
            std::printf("%-32s %10.2f %10.2f %8d\n",
                        qPrintable(QStringLiteral("%1, %2 line")
                                       .arg(blocking ? "blocking read" : "read_async",
                                            answering ? "answering" : "silent")),
                        f.longest, f.p99, f.replies);
            if (dialogs.shown) std::printf("  (%d message boxes)\n", dialogs.shown);
        }
    }
    return 0;
}
