// One session with the simulated sensor on a pseudo-terminal, through the real
// serial port: read its table, change a cell, write it back, read it again.
#include "../support/fakes.h"

#include "commands/gating.h"
#include "commands/operating_mode.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "link/qt_serial_port.h"
#include "sim/pty_server.h"
#include "tables/table_exchange.h"
#include "tables/table_window.h"
#include "ui/configurator.h"

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {
// Ticks the exchange cycle until `done` holds; false after `max_ticks`.  The
// ticks come faster than the program's second: the simulated sensor answers
// within a few milliseconds of wire time, and a tick never overlaps another.
bool tick_until(MainForm& f, const std::function<bool()>& done, int max_ticks = 40) {
    QTimer timer;
    timer.setInterval(300);
    QEventLoop loop;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (done() || ++ticks > max_ticks) return loop.quit();
        if (f.TMRComm.enabled()) f.TMRComm.on_timer();
    });
    timer.start();
    loop.exec();
    return done();
}
} // namespace

TEST(TablePty, ReadEditWriteReadAgain) {
    SimLine line = SimLine::demo();
    line.set_wire_timing(true);
    PtyServer server(std::move(line));
    QString error;
    ASSERT_TRUE(server.start({}, &error)) << error.toStdString();
    const auto sensor = [&server] {
        return server.with_line([](SimLine& l) { return l.sensor(12)->config(); });
    };

    QTemporaryDir dir;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    QtSerialPort port;
    Configurator c(port, dialogs, tones, clock);
    MainForm& f = c.frmSerial;
    TableForm& t = c.Form3;
    ASSERT_TRUE(c.log.create(dir.path()));
    wire_exchange(c);
    wire_connection(c);
    wire_operating_mode(c);
    wire_tables(c);
    CloseAllTags(f);
    f.BTNOpenCom.set_enabled(true);
    f.CmbPort.add_item(server.device_path());
    f.CmbPort.set_list_index(0);
    f.BTNOpenCom.click();
    ASSERT_TRUE(port.is_open());
    f.CmbNet.clear();
    f.CmbNet.add_item("12");
    f.CmbNet.set_list_index(0);
    ASSERT_TRUE(tick_until(f, [&] { return f.Command6.enabled() && f.tek.text() != kNoData; }))
        << "sensor 12 was not identified";

    // "Пересчитывать в литры" reads the sensor's table into the window.
    f.Command6.click();
    EXPECT_TRUE(t.visible());
    ASSERT_TRUE(tick_until(f, [&] { return t.Text3[0]->text() != "200"; }));
    const SimSensorConfig before = sensor();
    for (int k = 0; k < 20; ++k) {
        EXPECT_EQ(t.Text4[size_t(k)]->text(), QString::number(before.table_readings[size_t(k)]));
        EXPECT_EQ(t.Text3[size_t(k)]->text(), QString::number(before.table_litres[size_t(k)]));
    }

    // One cell changed, litres ticked, written back; the mode follows.
    t.Text3[5]->set_text("777");
    t.tartab.set_value(1);
    dialogs.answers.push_back(true);
    t.wrmyTable.click();
    ASSERT_TRUE(tick_until(f, [&] { return (sensor().mode & 0x40) != 0; }))
        << f.MsgCom.text().toStdString();
    const SimSensorConfig after = sensor();
    EXPECT_EQ(after.table_litres[5], 777);
    EXPECT_EQ(after.table_litres[4], before.table_litres[4]);
    EXPECT_EQ(after.table_readings, before.table_readings);
    EXPECT_EQ(dialogs.questions.size(), 1);

    // Read again over a cell typed meanwhile.
    t.Text3[5]->set_text("1");
    t.rdTable.click();
    ASSERT_TRUE(tick_until(f, [&] { return t.Text3[5]->text() == "777"; }));
    // The boxes follow the sensor's reported mode again: litres on.
    t.tartab.set_value(0);
    EXPECT_EQ(f.tartab1.value(), 0);
    f.mode_yes = -1;
    EXPECT_TRUE(tick_until(f, [&] { return f.mode_yes == 0; }));
    EXPECT_EQ(t.tartab.value(), 1);
    EXPECT_EQ(f.tartab1.value(), 1);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.texts().join('\n').toStdString();
    close_routine(c);
}
