// A service session through the real serial port against a simulated 1.7.6
// sensor with a password, on a pseudo-terminal: the frames both ways, the run
// log, the dialogs and tones, as one transcript checked in beside this file.
// Live values (temperature, level, raw reading) move with the clock and are
// masked; everything the commands change is left visible.
#include "../support/fakes.h"
#include "../support/snapshot.h"

#include "app/startup.h"
#include "commands/wire_commands.h"
#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "link/qt_serial_port.h"
#include "protocol/codes.h"
#include "protocol/cp1251.h"
#include "sim/pty_server.h"
#include "ui/gating.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QString hex_of(const QByteArray& b) {
    return QString::fromLatin1(b.toHex(' ').toUpper());
}

// A state reply with its live fields (positions 4 to 10) and CRC masked.
QString masked_reply(const QByteArray& b) {
    QStringList bytes = hex_of(b).split(u' ');
    if (b.size() >= 21 && uint8_t(b[0]) == kReplyStart && uint8_t(b[2]) == CMD_READ_STATE) {
        for (int i = 3; i < 10; ++i) bytes[i] = QStringLiteral("..");
        bytes.last() = QStringLiteral("..");
    }
    return bytes.join(u' ');
}

// The run log's state line "level, raw, empty, full, mode, temperature":
// the live fields masked.
QString masked_log(QString line) {
    QStringList f = line.split(QStringLiteral(", "));
    if (f.size() != 6) return line;
    f[0] = f[1] = f[5] = QStringLiteral("~");
    return f.join(QStringLiteral(", "));
}

struct Transcript {
    QStringList lines;
    FakeDialogs* dialogs = nullptr;
    QString log_path;
    qsizetype dialogs_seen = 0, log_seen = 0;

    // Dialogs and log records that came since the last line, then `line`.
    void add(const QString& line = {}) {
        for (; dialogs_seen < dialogs->shown.size(); ++dialogs_seen)
            lines.append(dialogs->shown[dialogs_seen]);
        QFile file(log_path);
        if (file.open(QIODevice::ReadOnly)) {
            static const QRegularExpression record(
                QStringLiteral("^\"\\d\\d:\\d\\d:\\d\\d : (.*)\"$"));
            QStringList records;
            for (const QString& l : from_cp1251(file.readAll()).split(QStringLiteral("\r\n")))
                if (auto m = record.match(l); m.hasMatch()) records.append(m.captured(1));
            for (; log_seen < records.size(); ++log_seen)
                lines.append(QStringLiteral("log: \"") + masked_log(records[log_seen]) + u'"');
        }
        if (!line.isEmpty()) lines.append(line);
    }
};

// The real port, every frame written and read noted in the transcript.
class RecordingPort final : public SerialPort {
public:
    explicit RecordingPort(Transcript& t) : t_(t) {}
    bool OpenPort(const QString& d, const QString& s) override { return port_.OpenPort(d, s); }
    int ClosePort() override { return port_.ClosePort(); }
    void FlushPort() override { port_.FlushPort(); }
    void DiscardInput() override { port_.DiscardInput(); }
    QByteArray ReadPort() override { return noted(port_.ReadPort()); }
    uint16_t WritePort(const QByteArray& data) override {
        t_.add(QStringLiteral("> ") + hex_of(data));
        return port_.WritePort(data);
    }
    bool PortExists(const QString& name) override { return port_.PortExists(name); }
    bool IsOpen() const override { return port_.IsOpen(); }
    void ReadAsync(std::function<void(QByteArray)> done) override {
        port_.ReadAsync([this, done](QByteArray b) { done(noted(b)); });
    }
    void CancelRead() override { port_.CancelRead(); }

private:
    QByteArray noted(const QByteArray& b) {
        if (!b.isEmpty()) t_.add(QStringLiteral("< ") + masked_reply(b));
        return b;
    }
    Transcript& t_;
    QtSerialPort port_;
};

class NotedTones final : public Tones {
public:
    explicit NotedTones(Transcript& t) : t_(t) {}
    void tone(int hz, int ms) override { t_.add(QStringLiteral("tone: %1 %2").arg(hz).arg(ms)); }

private:
    Transcript& t_;
};
} // namespace

TEST(CommandsOverPty, PasswordAlarmModeShiftAndAddressSession) {
    SimSensorConfig sensor = default_sensor_config(5, 176);
    sensor.password = 1234;
    SimLine line;
    line.add_sensor(sensor);
    PtyServer server(std::move(line));
    QString error;
    ASSERT_TRUE(server.start({}, &error)) << error.toStdString();

    QTemporaryDir dir;
    Transcript t;
    FakeDialogs dialogs;
    t.dialogs = &dialogs;
    RecordingPort port(t);
    NotedTones tones(t);
    FakeClock clock;
    Configurator c(port, dialogs, tones, clock);
    MainForm& f = c.frmSerial;
    wire_exchange(c);
    wire_connection(c);
    wire_commands(c);
    ASSERT_TRUE(Form_Load(c, dir.path()));
    t.log_path = c.log.path();
    f.CmbPort.clear();
    f.CmbPort.add_item(server.device_path());
    f.CmbPort.set_list_index(0);
    f.BTNOpenCom.click();
    ASSERT_TRUE(port.IsOpen());
    f.CmbNet.clear();
    f.CmbNet.add_item(QStringLiteral("5"));
    f.CmbNet.set_list_index(0); // queues the identity request

    // One tick of the exchange cycle, then time for the sensor to answer.
    QString status;
    auto tick = [&](int n = 1) {
        for (int i = 0; i < n; ++i) {
            f.TMRComm.on_timer();
            const QDeadlineTimer deadline(10'000);
            while (c.exchange.tick_running() && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            ASSERT_FALSE(c.exchange.tick_running());
            // The status line when it changed, red when it is.
            const QString now =
                f.MsgCom.text() + (f.MsgCom.fore_colour() == kRed ? QStringLiteral(" (red)") : "");
            if (now != status) t.add(QStringLiteral("status: ") + now);
            status = now;
            const QDeadlineTimer settle(80);
            while (!settle.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    };
    auto step = [&](const QString& what) {
        t.add();
        t.lines.append(QStringLiteral("\n# ") + what);
    };
    // An operation's request goes out, its reply comes back, a state reply follows.
    constexpr int kRoundTrip = 3;

    step(QStringLiteral("identity and the first state"));
    tick(kRoundTrip);
    step(QStringLiteral("a wrong password"));
    dialogs.inputs = {QStringLiteral("999")};
    f.Vvod_PWD.click();
    tick(kRoundTrip);
    step(QStringLiteral("the right password"));
    dialogs.inputs = {QStringLiteral("1234")};
    f.Vvod_PWD.click();
    tick(kRoundTrip);
    step(QStringLiteral("alarm level 25"));
    f.lamp_level.set_text(QStringLiteral("25"));
    dialogs.answers = {true};
    f.set_alarm.click();
    tick(kRoundTrip);
    step(QStringLiteral("mode: inversion, range 4096, smoothing 7"));
    f.iinv.set_value(1);
    f.D_4096.set_value(1);
    f.smoothing_slider.set_value(7);
    dialogs.answers = {true};
    f.Set_mode.click();
    tick(kRoundTrip);
    step(QStringLiteral("shift the empty level by -1000 from the shift window"));
    f.shift.click();
    c.shift_window.data.set_text(QStringLiteral("-1000"));
    dialogs.answers = {true};
    c.shift_window.shift_empty.click();
    tick(kRoundTrip);
    step(QStringLiteral("address 5 becomes 7 once nothing answers at 7: the old one falls silent"));
    dialogs.inputs = {QStringLiteral("7")};
    f.net.click();
    tick(2 + kRoundTrip);
    step(QStringLiteral("a search finds the sensor at 7"));
    f.Opros.click();
    tick(5);
    t.add();
    // The window shows what the sensor now holds.
    EXPECT_EQ(f.ne.text(), QStringLiteral("7"));
    EXPECT_EQ(f.lo.text(), QStringLiteral("59000"));
    EXPECT_EQ(f.lamp_level.text(), QStringLiteral("25"));
    EXPECT_EQ(f.iinv.value(), 1);
    EXPECT_EQ(f.D_4096.value(), 1);
    EXPECT_EQ(f.smoothing_slider.value(), 7);
    EXPECT_FALSE(c.shift_window.visible());
    EXPECT_TRUE(dialogs.messages.empty());
    close_routine(c);
    QString text = t.lines.join(u'\n') + u'\n';
    text.replace(server.device_path(), QStringLiteral("PTY"));
    EXPECT_TRUE(matches_golden(text, golden_path(__FILE__, QStringLiteral("pty_session.txt"))));
}
