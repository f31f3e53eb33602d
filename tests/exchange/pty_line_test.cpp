// The exchange cycle through the real serial port, against the simulated
// line served on a pseudo-terminal with wire timing, ticking once a second.
#include "../support/fakes.h"

#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "link/qt_serial_port.h"
#include "link/text_files.h"
#include "protocol/cp1251.h"
#include "sim/pty_server.h"
#include "ui/gating.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
QStringList run_log_messages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    static const QRegularExpression record(QStringLiteral("^\"\\d\\d:\\d\\d:\\d\\d : (.*)\"$"));
    QStringList out;
    for (const QString& line : from_cp1251(file.readAll()).split(QStringLiteral("\r\n"))) {
        const auto m = record.match(line);
        if (m.hasMatch()) out.append(m.captured(1));
    }
    return out;
}
} // namespace

TEST(PtyLine, LiveValuesRefreshEveryTick) {
    SimLine line = SimLine::demo();
    line.set_wire_timing(true);
    PtyServer server(std::move(line));
    QString error;
    ASSERT_TRUE(server.start({}, &error)) << error.toStdString();

    QTemporaryDir dir;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    QtSerialPort port;
    Configurator c(port, dialogs, tones, clock);
    MainForm& f = c.frmSerial;
    ASSERT_TRUE(c.log.create(dir.path()));
    wire_exchange(c);
    wire_connection(c);
    CloseAllTags(f);
    f.BTNOpenCom.set_enabled(true);
    f.CmbPort.add_item(server.device_path());
    f.CmbPort.set_list_index(0);
    f.CmbNet.add_item("12");
    f.CmbNet.set_list_index(0); // queues the identity request of sensor 12
    f.BTNOpenCom.click();
    ASSERT_TRUE(port.IsOpen());

    // The program's timer: TMRComm ticking every second while enabled.
    QTimer timer;
    timer.setInterval(f.TMRComm.interval());
    QObject::connect(&timer, &QTimer::timeout, [&f] {
        if (f.TMRComm.enabled()) f.TMRComm.on_timer();
    });
    constexpr int kTicks = 6;
    int ticks = 0;
    QEventLoop loop;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        // The level may stand still for many seconds; the sensor warming up
        // half-way makes sure the later replies carry other values.
        if (ticks == 4)
            server.with_line([](SimLine& l) { l.sensor(12)->config().temperature += 5; });
        if (ticks == kTicks + 1) loop.quit();
    });
    timer.start();
    loop.exec(); // the last timeout only ends the loop; its tick's read is still running
    timer.stop();

    EXPECT_EQ(f.vv.text(), "1.7.6.");
    EXPECT_EQ(f.ne.text(), "12");
    EXPECT_EQ(f.MsgCom.text(), QStringLiteral("Датчик подключен"));
    EXPECT_TRUE(dialogs.messages.empty());
    // Ticks 1: identity request; 2: its reply, first state request; 3..6: a
    // state reply each, every one logged with the six display fields.
    QStringList states;
    for (const QString& m : run_log_messages(c.log.path()))
        if (m.count(QStringLiteral(", ")) == 5) states.append(m);
    EXPECT_EQ(states.size(), kTicks - 2) << states.join('\n').toStdString();
    states.removeDuplicates();
    EXPECT_GE(states.size(), 2) << "the values did not move";

    close_routine(c);
    EXPECT_FALSE(port.IsOpen());
}
