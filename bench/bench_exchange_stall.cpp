// How long the exchange cycle holds up the window's event loop: 60 ticks
// against a silent line and 60 against a sensor that answers, over a
// pseudo-terminal served by the simulated line with wire timing, through the
// real serial port.  A 1 ms timer records how late it
// fires; the figures are the longest and the 99th-percentile lateness in ms.  For comparison the
// same runs with the read done blocking, as a plain ReadPort would.  Then the
// same figures while the ticks carry table writes (one every fifth tick), and
// during a whole firmware upload (64 program blocks, written and read back)
// from the window's "Прошивка" tab.  Target: max < 16 ms (one frame at 60 Hz).
// First the probe runs alone for as long as one run, on an idle event loop:
// what the machine itself holds a timer up by.
//
//   bench_exchange_stall [ticks]
#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "firmware/firmware_tab.h"
#include "link/clock.h"
#include "link/qt_serial_port.h"
#include "protocol/firmware_image.h"
#include "protocol/serial_port.h"
#include "sim/pty_server.h"
#include "tables/table_exchange.h"
#include "ui/dialogs.h"
#include "ui/gating.h"
#include "ui/tones.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
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
    bool IsOpen() const override { return p_.IsOpen(); }
    void ReadAsync(std::function<void(QByteArray)> done) override { done(p_.ReadPort()); }

private:
    SerialPort& p_;
};

struct Figures {
    double longest = 0, p99 = 0;
    int replies = 0;
};

// A 1 ms timer on the event loop, noting how late each firing is.
class Probe {
public:
    Probe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            late_.push_back(std::max(0.0, double(now - last_) / 1e6 - 1.0));
            last_ = now;
        });
    }
    void start() {
        clock_.start();
        last_ = clock_.nsecsElapsed();
        timer_.start();
    }
    Figures stop() {
        timer_.stop();
        std::sort(late_.begin(), late_.end());
        Figures f;
        if (!late_.empty()) {
            f.longest = late_.back();
            f.p99 = late_[size_t(double(late_.size() - 1) * 0.99)];
        }
        return f;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    std::vector<double> late_;
};

// The probe on an event loop with nothing else to do, for `ms`.
Figures idle(int ms) {
    Probe probe;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    probe.start();
    loop.exec();
    return probe.stop();
}

// `before_tick(n)` runs before the n-th tick (from 0).
Figures run(Configurator& c, int ticks, int interval_ms,
            const std::function<void(int)>& before_tick = {}) {
    Probe probe;
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
        if (done == ticks) {
            loop.quit();
            return;
        }
        if (before_tick) before_tick(done);
        ++done;
        TMRComm_Timer(c);
    });
    probe.start();
    ticker.start(interval_ms);
    loop.exec();
    Figures f = probe.stop();
    ticker.stop();
    f.replies = replies;
    return f;
}

// A whole upload from the window's tab, against the simulated loader of
// sensor 1, while the probe runs.  Returns the figures and the upload's last
// line.
std::pair<Figures, QString> run_upload(const QString& image_path) {
    SimLine line = SimLine::demo();
    line.set_wire_timing(true);
    line.enter_bootloader(line.sensor_at(0).address());
    PtyServer server(std::move(line));
    QString error;
    if (!server.start({}, &error)) return {{}, error};
    QuietDialogs dialogs;
    QuietTones tones;
    SystemClock clock;
    QtSerialPort port;
    Configurator c(port, dialogs, tones, clock);
    wire_exchange(c);
    wire_connection(c);
    wire_firmware(c, 5'000);
    MainForm& f = c.frmSerial;
    CloseAllTags(f); // as at start-up: opening the port enables the tab
    c.device_for_item = [](const QString& item) { return item; };
    f.CmbPort.add_item(server.device_path());
    f.CmbPort.set_list_index(0);
    BTNOpenCom_Click(c);
    if (!port.IsOpen()) return {{}, QStringLiteral("cannot open ") + server.device_path()};
    f.firmware_file = image_path;

    Probe probe;
    QEventLoop loop;
    QTimer watch; // the upload has ended when "Пуск" is back; two minutes at most
    QElapsedTimer waited;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (f.start.enabled() || waited.elapsed() > 120'000) loop.quit();
    });
    probe.start();
    waited.start();
    f.start.click();

    watch.start(10);
    loop.exec();
    Figures figures = probe.stop();
    const QString last = f.upload_log.text().split(QStringLiteral("\r\n")).last();
    close_routine(c);
    return {figures, last};
}

// A firmware image of `program_blocks` blocks from the first program block on.
QByteArray image_file(int program_blocks) {
    const FlashLayout& l = kZorvikLayout;
    QByteArray file(kImageHeaderSize, '\x11');
    for (int k = 0; k < l.first_program_block + program_blocks; ++k) {
        QByteArray block(kImageBlockSize, '\0');
        for (int i = 0; i < kImageBlockSize; ++i) block[i] = char((k * 37 + i * 11) & 0xFF);
        if (k == l.first_program_block) block[0] = char(kProgramMarker);
        file.append(block);
    }
    return file;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as it comes
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
    const Figures machine = idle(kTicks * kInterval);
    std::printf("%-32s %10.2f %10.2f %8s\n", "nothing running (the machine)", machine.longest,
                machine.p99, "-");
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
            c.exchange.identity_queued_for(uint8_t(address));
            c.exchange.drop_pending();
            c.exchange.settings_refreshed();
            BTNOpenCom_Click(c);
            if (!port.IsOpen()) {
                std::fprintf(stderr, "cannot open %s\n", qPrintable(device));
                return 1;
            }
            const Figures f = run(c, kTicks, kInterval);
            close_routine(c);
            std::printf("%-32s %10.2f %10.2f %8d\n",
                        qPrintable(QStringLiteral("%1, %2 line")
                                       .arg(blocking ? "blocking read" : "ReadAsync",
                                            answering ? "answering" : "silent")),
                        f.longest, f.p99, f.replies);
            if (dialogs.shown) std::printf("  (%d message boxes)\n", dialogs.shown);
        }
    }

    {
        // Table writes: the cells' table to sensor 5, every fifth tick.
        QuietDialogs dialogs;
        QtSerialPort port;
        QuietTones tones;
        SystemClock clock;
        Configurator c(port, dialogs, tones, clock);
        c.device_for_item = [](const QString& item) { return item; };
        c.frmSerial.CmbPort.add_item(device);
        c.frmSerial.CmbPort.set_list_index(0);
        c.frmSerial.CmbNet.add_item(QStringLiteral("5"));
        c.frmSerial.CmbNet.set_list_index(0);
        c.exchange.identity_queued_for(5);
        c.exchange.drop_pending();
        c.exchange.settings_refreshed();
        BTNOpenCom_Click(c);
        int writes = 0;
        const Figures f = run(c, kTicks, kInterval, [&](int tick) {
            if (tick % 5 == 0 && queue_table_write(c)) ++writes;
        });
        close_routine(c);
        std::printf("%-32s %10.2f %10.2f %8d\n",
                    qPrintable(QStringLiteral("ReadAsync, %1 table writes").arg(writes)), f.longest,
                    f.p99, f.replies);
    }

    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("bench.cri"));
    {
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || file.write(image_file(64)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(image));
            return 1;
        }
    }
    QElapsedTimer took;
    took.start();
    const auto [f, last] = run_upload(image);
    std::printf("%-32s %10.2f %10.2f %8s  (%.1f s: %s)\n", "firmware upload, 64 blocks", f.longest,
                f.p99, "-", double(took.elapsed()) / 1000.0, qPrintable(last));
    return 0;
}
